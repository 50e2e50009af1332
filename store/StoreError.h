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

} // namespace ink
