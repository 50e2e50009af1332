#pragma once
#include <ostream>
#include <QString>

// Lets GoogleTest show Qt strings (and lists of them) as text in failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
