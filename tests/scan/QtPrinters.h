#pragma once
#include <QString>
#include <ostream>

// Lets GoogleTest show QString values (and lists of them) as readable text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
