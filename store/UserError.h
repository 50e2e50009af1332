#pragma once
#include <QString>
#include <stdexcept>

namespace ink {

// An error the user reads: its text says what failed and, where it can, what
// to do. Every layer throws this, or a kind of it that a caller must tell
// apart (a missing table, a row changed underneath, no dictionary); the one
// guard around every handler of the window shows its text in the general
// error box, and inkwright-tool prints it and exits 1.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    explicit UserError(const char* message) : UserError(QString::fromUtf8(message)) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

} // namespace ink
