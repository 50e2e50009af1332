#pragma once
#include <ostream>
#include <QString>

// Lets GoogleTest show QString values (and lists of them) as readable text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
