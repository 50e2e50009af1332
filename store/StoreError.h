#pragma once
#include <QString>
#include <stdexcept>

namespace ink {

// An error of the store or the platform, carrying the text the user sees.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Opening a table that the database does not hold (yet). Start-up creates the
// table on this error only; every other open error leaves the store alone.
class TableMissing : public StoreError {
public:
    using StoreError::StoreError;
};

// A post whose row was deleted, or changed by another program, since it was
// read. The row stays pending with what the user typed.
class RowChanged : public StoreError {
public:
    using StoreError::StoreError;
};

} // namespace ink
