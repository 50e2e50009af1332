#pragma once
#include <QStringList>

#include "TableDef.h"

namespace ink {

class Database;

// A table definition in the store: each engine lays it out in its own way
// (see the back-ends), with the same fields, the one auto-number field
// numbering rows uniquely and never giving a number out twice, and the
// primary index unique.

// SQL that creates the empty table and its index.
QStringList createStatements(Database& db, const TableDef& def);

// Checks the stored table against the definition and returns the trailing
// fields added later that it lacks (an older store), in order. Throws
// UserError naming the store when anything else differs: fields, types or
// the index. Reads only.
QList<FieldDef> verifyLayout(Database& db, const TableDef& def);

// Adds those fields to the stored table, at its end, empty in every row.
void addFields(Database& db, const TableDef& def, const QList<FieldDef>& fields);

// The auto-number field's position, or -1.
int autoNumberField(const TableDef& def);

} // namespace ink
