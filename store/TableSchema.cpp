#include "TableSchema.h"

#include "Database.h"

namespace ink {

QStringList createStatements(Database& db, const TableDef& def) {
    return db.backend().createStatements(def);
}

QList<FieldDef> verifyLayout(Database& db, const TableDef& def) {
    return db.backend().verifyLayout(def);
}

void addFields(Database& db, const TableDef& def, const QList<FieldDef>& fields) {
    db.backend().addFields(def, fields);
}

int autoNumberField(const TableDef& def) {
    for (int i = 0; i < def.fields.size(); ++i)
        if (def.fields[i].type == FieldType::AutoInc)
            return i;
    return -1;
}

} // namespace ink
