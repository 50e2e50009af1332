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

// A post whose row was deleted, or changed by another program or user, since
// it was read. The row stays pending with what the user typed.
class RowChanged : public UserError {
public:
    using UserError::UserError;
    // The message when the row is still there, with another's change.
    static constexpr const char* ChangedByOther =
        "This row was changed by another user since you opened it. What you typed is kept: "
        "press F5 (Refresh Row) to see their version and choose which one to keep.";
};

// The server asks for a password that no ~/.pgpass or PGPASSWORD gave, or
// refused the one given. The window asks the user for it then.
class PasswordRequired : public UserError {
public:
    using UserError::UserError;
};

// The server cannot be reached (not running, refused, gone away). Nothing of
// a pending change is lost; the next statement tries to connect again.
class ServerUnreachable : public UserError {
public:
    using UserError::UserError;
};

} // namespace ink
