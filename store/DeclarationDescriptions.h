#pragma once
#include <QHash>
#include <QString>

#include "model/RoutineDescriptions.h"

namespace ink {

class Database;

// The routine rows' descriptions of one unit (or, with unitNo 0, of every
// unit of the document), by unit number, then case-folded name.
QHash<int, RoutineDescriptionsByName> RoutineDescriptions(Database& db, int docNo, int unitNo = 0);

} // namespace ink
