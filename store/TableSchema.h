#pragma once
#include <QStringList>

#include "TableDef.h"

namespace ink {

class Database;

// The SQLite side of a table definition. The one auto-number field becomes
// the table's INTEGER PRIMARY KEY AUTOINCREMENT, so its numbers are unique in
// the whole table and never given out again, even after deletes; the primary
// index becomes a unique index of that name.

// SQL that creates the empty table and its index.
QStringList createStatements(const TableDef& def);

// Throws StoreError naming the file when the stored table's fields, types or
// index differ from the definition. Reads only.
void verifyLayout(Database& db, const TableDef& def);

// The auto-number field's position, or -1.
int autoNumberField(const TableDef& def);

// Double-quoted SQL identifier.
QString quoted(const QString& name);

} // namespace ink
