#include "TableSchema.h"

#include "Database.h"
#include "FieldValue.h"
#include "Statement.h"
#include "UserError.h"

namespace ink {

namespace {

// True when the primary index is the auto-number alone: SQLite's own key.
bool indexIsRowKey(const TableDef& def) {
    const int autoField = autoNumberField(def);
    return autoField >= 0 && def.primaryIndex.fields.size() == 1 &&
           def.indexOf(def.primaryIndex.fields.first()) == autoField;
}

QString columnDefinition(const TableDef& def, const FieldDef& field) {
    QString column = quoted(field.name) + QLatin1Char(' ') + columnType(field);
    if (field.type == FieldType::AutoInc)
        column += QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
    else if (def.notNullFields.contains(field.name, Qt::CaseInsensitive))
        column += QStringLiteral(" NOT NULL");
    return column;
}

[[noreturn]] void differentLayout(const Database& db, const TableDef& def, const QString& detail) {
    throw UserError(QStringLiteral("The table \"%1\" in \"%2\" has a different layout: %3")
                        .arg(def.name, db.filePath(), detail));
}

QString describe(const QString& name, const QString& type) {
    return QStringLiteral("\"%1\" %2").arg(name, type);
}

QList<FieldDef> verifyFields(Database& db, const TableDef& def) {
    Statement info(db, QStringLiteral("PRAGMA table_info(%1)").arg(quoted(def.name)));
    int position = 0;
    while (info.step()) {
        const QString name = info.textAt(1);
        const QString type = info.textAt(2);
        if (position >= def.fields.size())
            differentLayout(db, def,
                            QStringLiteral("it has an extra field %1").arg(describe(name, type)));
        const FieldDef& field = def.fields[position];
        const bool keyMatches = (field.type == FieldType::AutoInc) == (info.integerAt(5) == 1);
        if (name.compare(field.name, Qt::CaseInsensitive) != 0 ||
            type.compare(columnType(field), Qt::CaseInsensitive) != 0 || !keyMatches)
            differentLayout(
                db, def,
                QStringLiteral("field %1 is %2, expected %3")
                    .arg(position + 1)
                    .arg(describe(name, type), describe(field.name, columnType(field))));
        ++position;
    }
    QList<FieldDef> missing;
    for (int i = position; i < def.fields.size(); ++i) {
        const FieldDef& field = def.fields[i];
        if (!field.addedLater)
            differentLayout(db, def,
                            QStringLiteral("field %1 %2 is missing")
                                .arg(i + 1)
                                .arg(describe(field.name, columnType(field))));
        missing << field;
    }
    return missing;
}

void verifyIndex(Database& db, const TableDef& def) {
    if (def.primaryIndex.fields.isEmpty() || indexIsRowKey(def))
        return;
    Statement info(db, QStringLiteral("PRAGMA index_info(%1)").arg(quoted(def.primaryIndex.name)));
    QStringList stored;
    while (info.step())
        stored << info.textAt(2);
    if (stored.join(QLatin1Char(','))
            .compare(def.primaryIndex.fields.join(QLatin1Char(',')), Qt::CaseInsensitive) != 0)
        differentLayout(db, def,
                        QStringLiteral("the index \"%1\" on (%2) is missing")
                            .arg(def.primaryIndex.name, def.primaryIndex.fields.join(", ")));
}

} // namespace

QString quoted(const QString& name) {
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

int autoNumberField(const TableDef& def) {
    for (int i = 0; i < def.fields.size(); ++i)
        if (def.fields[i].type == FieldType::AutoInc)
            return i;
    return -1;
}

QStringList createStatements(const TableDef& def) {
    QStringList columns;
    for (const FieldDef& field : def.fields)
        columns << columnDefinition(def, field);
    QStringList statements{
        QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(def.name), columns.join(", "))};
    if (!def.primaryIndex.fields.isEmpty() && !indexIsRowKey(def)) {
        QStringList keys;
        for (const QString& field : def.primaryIndex.fields)
            keys << quoted(field);
        statements << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                          .arg(quoted(def.primaryIndex.name), quoted(def.name), keys.join(", "));
    }
    return statements;
}

QList<FieldDef> verifyLayout(Database& db, const TableDef& def) {
    QList<FieldDef> missing = verifyFields(db, def);
    verifyIndex(db, def);
    return missing;
}

void addFields(Database& db, const TableDef& def, const QList<FieldDef>& fields) {
    for (const FieldDef& field : fields)
        db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                    .arg(quoted(def.name), columnDefinition(def, field)));
}

} // namespace ink
