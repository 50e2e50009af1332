#pragma once
#include "UserError.h"

namespace ink {

// The kinds of the user's error that callers of the store tell apart.

// Opening a table that the database does not hold (yet). Start-up creates the
// table on this error only; every other open error leaves the store alone.
class TableMissing : public UserError {
public:
    using UserError::UserError;
};

// A post whose row was deleted, or changed by another program, since it was
// read. The row stays pending with what the user typed.
class RowChanged : public UserError {
public:
    using UserError::UserError;
};

} // namespace ink
