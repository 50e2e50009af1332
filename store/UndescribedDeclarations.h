#pragma once
#include <QSet>

namespace ink {

class Database;

// The units of a document that hold a declaration still in the source with
// no description to show: neither its own nor, for a routine, the shared one
// of the unit's routine row of its name. "Next undescribed" skips the others
// without reading their declarations one by one.
QSet<int> UnitsWithUndescribedDeclarations(Database& db, int docNo);

} // namespace ink
