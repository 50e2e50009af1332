#include "TableDef.h"

namespace ink {

int TableDef::indexOf(const QString& fieldName) const {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace ink
