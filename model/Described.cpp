#include "Described.h"

namespace ink {

bool IsDescribed(const QString& description) {
    for (const QChar c : description)
        if (c.isLetterOrNumber())
            return true;
    return false;
}

} // namespace ink
