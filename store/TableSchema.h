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

// Checks the stored table against the definition and returns the trailing
// fields added later that it lacks (an older store), in order. Throws
// UserError naming the file when anything else differs: fields, types or
// the index. Reads only.
QList<FieldDef> verifyLayout(Database& db, const TableDef& def);

// Adds those fields to the stored table, at its end, empty in every row.
void addFields(Database& db, const TableDef& def, const QList<FieldDef>& fields);

// The auto-number field's position, or -1.
int autoNumberField(const TableDef& def);

// Double-quoted SQL identifier.
QString quoted(const QString& name);

} // namespace ink
