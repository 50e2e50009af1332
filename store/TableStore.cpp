#include "TableStore.h"

#include <QStringList>
#include <sqlite3.h>

#include "Database.h"
#include "FieldValue.h"
#include "TableSchema.h"

namespace ink {

namespace {

QString columnList(const TableDef& def) {
    QStringList names;
    for (const FieldDef& field : def.fields)
        names << quoted(field.name);
    return names.join(", ");
}

QString orderClause(const TableDef& def) {
    QStringList keys;
    for (const QString& field : def.primaryIndex.fields)
        keys << quoted(field);
    keys << QStringLiteral("rowid");
    return keys.join(", ");
}

QString insertSql(const TableDef& def) {
    QStringList parameters;
    for (int i = 1; i <= def.fields.size(); ++i)
        parameters << QStringLiteral("?%1").arg(i);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(quoted(def.name), columnList(def), parameters.join(", "));
}

// Every field but the auto-number, which never changes once written.
QString updateSql(const TableDef& def) {
    QStringList assignments;
    for (int i = 0; i < def.fields.size(); ++i)
        if (def.fields[i].type != FieldType::AutoInc)
            assignments << QStringLiteral("%1 = ?%2").arg(quoted(def.fields[i].name)).arg(i + 1);
    return QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
        .arg(quoted(def.name), assignments.join(", "))
        .arg(def.fields.size() + 1);
}

} // namespace

TableStore::TableStore(Database& db, const TableDef& def, const QList<int>& scopeFields)
    : db_(db), def_(def), scopeFields_(scopeFields) {
    const QString table = quoted(def.name);
    const QString where = scopeCondition();
    select_ =
        Statement(db, QStringLiteral("SELECT %1, rowid FROM %2%3 ORDER BY %4")
                          .arg(columnList(def), table,
                               where.isEmpty() ? QString() : " WHERE " + where, orderClause(def)));
    insert_ = Statement(db, insertSql(def));
    update_ = Statement(db, updateSql(def));
    delete_ = Statement(db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(table));
    if (!where.isEmpty())
        deleteScope_ = Statement(db, QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, where));
}

QString TableStore::scopeCondition() const {
    QStringList conditions;
    for (int i = 0; i < scopeFields_.size(); ++i)
        conditions
            << QStringLiteral("%1 = ?%2").arg(quoted(def_.fields[scopeFields_[i]].name)).arg(i + 1);
    return conditions.join(" AND ");
}

void TableStore::bindScope(Statement& statement, const QVariantList& scopeValues) {
    for (int i = 0; i < scopeFields_.size(); ++i)
        bindValue(statement, i + 1, def_.fields[scopeFields_[i]], scopeValues.value(i));
}

Rows TableStore::load(const QVariantList& scopeValues) {
    const int fieldCount = int(def_.fields.size());
    bindScope(select_, scopeValues);
    Rows rows;
    while (select_.step()) {
        Row row;
        row.values.reserve(fieldCount);
        for (int i = 0; i < fieldCount; ++i)
            row.values.append(readValue(select_, i, def_.fields[i]));
        row.rowid = select_.integerAt(fieldCount);
        rows.push_back(std::move(row));
    }
    select_.reset();
    return rows;
}

qint64 TableStore::insert(const QVariantList& values) {
    for (int i = 0; i < def_.fields.size(); ++i)
        bindValue(insert_, i + 1, def_.fields[i], values.value(i));
    insert_.run();
    return sqlite3_last_insert_rowid(db_.handle());
}

void TableStore::update(qint64 rowid, const QVariantList& values) {
    for (int i = 0; i < def_.fields.size(); ++i)
        if (def_.fields[i].type != FieldType::AutoInc)
            bindValue(update_, i + 1, def_.fields[i], values.value(i));
    update_.bindInteger(int(def_.fields.size()) + 1, rowid);
    update_.run();
}

void TableStore::remove(qint64 rowid) {
    delete_.bindInteger(1, rowid);
    delete_.run();
}

void TableStore::removeScope(const QVariantList& scopeValues) {
    bindScope(deleteScope_, scopeValues);
    deleteScope_.run();
}

} // namespace ink
