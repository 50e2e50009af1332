#pragma once
#include <QString>
#include <stdexcept>

namespace ink {

// A report that cannot be made: the text says why, for the user to read.
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

} // namespace ink
