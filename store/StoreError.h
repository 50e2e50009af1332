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

// The store is damaged: a read met pages that are not what the engine
// wrote, or a check at open found some. Rows read from it may be missing or
// wrong without an error, so it is refused as a store that cannot be
// opened, never shown in part.
class StoreDamaged : public UserError {
public:
    using UserError::UserError;
    // The message, naming the store and what was found.
    static QString textFor(const QString& store, const QString& detail) {
        return QStringLiteral("Cannot open the database \"%1\": it is damaged (%2). Nothing "
                              "more of it is shown or changed; \"inkwright-tool check\" lists "
                              "the damage")
            .arg(store, detail);
    }
};

// The server cannot be reached (not running, refused, gone away). Nothing of
// a pending change is lost; the next statement tries to connect again.
class ServerUnreachable : public UserError {
public:
    using UserError::UserError;
};

} // namespace ink
