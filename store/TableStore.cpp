#include "TableStore.h"

#include <QStringList>
#include <sqlite3.h>

#include "Database.h"
#include "FieldValue.h"
#include "StoreError.h"
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

bool isWritten(quint64 changedFields, int field) {
    return (changedFields >> field) & 1;
}

// Sets the changed fields of one row, on the condition that each still holds
// what was read: a conflicting write by another program changes no row.
// Dates are compared as moments, since older rows may hold another spelling.
QString updateSql(const TableDef& def, quint64 changedFields) {
    QStringList assignments;
    QStringList unchanged{QStringLiteral("rowid = ?%1").arg(2 * def.fields.size() + 1)};
    for (int i = 0; i < def.fields.size(); ++i) {
        if (!isWritten(changedFields, i))
            continue;
        const QString column = quoted(def.fields[i].name);
        const int newValue = i + 1;
        const int readValue = int(def.fields.size()) + i + 1;
        assignments << QStringLiteral("%1 = ?%2").arg(column).arg(newValue);
        if (def.fields[i].type == FieldType::DateTime)
            unchanged << QStringLiteral("datetime(%1) IS datetime(?%2)").arg(column).arg(readValue);
        else
            unchanged << QStringLiteral("%1 IS ?%2").arg(column).arg(readValue);
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3")
        .arg(quoted(def.name), assignments.join(", "), unchanged.join(" AND "));
}

} // namespace

TableStore::TableStore(Database& db, const TableDef& def, const QList<int>& scopeFields)
    : db_(db), def_(def), scopeFields_(scopeFields) {
    // A post names the fields it writes in a 64-bit set.
    if (def.fields.size() > 64)
        throw UserError(QStringLiteral("%1: too many fields").arg(def.name));
    const QString table = quoted(def.name);
    const QString where = scopeCondition();
    select_ =
        Statement(db, QStringLiteral("SELECT %1, rowid FROM %2%3 ORDER BY %4")
                          .arg(columnList(def), table,
                               where.isEmpty() ? QString() : " WHERE " + where, orderClause(def)));
    insert_ = Statement(db, insertSql(def));
    exists_ = Statement(db, QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?1").arg(table));
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

Statement& TableStore::updateOf(quint64 changedFields) {
    auto found = updates_.find(changedFields);
    if (found == updates_.end())
        found =
            updates_.emplace(changedFields, Statement(db_, updateSql(def_, changedFields))).first;
    return found->second;
}

void TableStore::update(const Row& read, const QVariantList& values) {
    quint64 changed = 0;
    for (int i = 0; i < def_.fields.size(); ++i) {
        const QVariant& was = read.values.value(i);
        const QVariant& now = values.value(i);
        if (def_.fields[i].type != FieldType::AutoInc &&
            (was.isNull() != now.isNull() || compareValues(was, now) != 0))
            changed |= quint64(1) << i;
    }
    bool written = false;
    if (changed == 0) {
        // Nothing to write; the row must still be there all the same.
        exists_.bindInteger(1, read.rowid);
        written = exists_.step();
        exists_.reset();
    } else {
        Statement& update = updateOf(changed);
        const int count = int(def_.fields.size());
        for (int i = 0; i < count; ++i) {
            if (!isWritten(changed, i))
                continue;
            bindValue(update, i + 1, def_.fields[i], values.value(i));
            bindValue(update, count + i + 1, def_.fields[i], read.values.value(i));
        }
        update.bindInteger(2 * count + 1, read.rowid);
        update.run();
        written = sqlite3_changes64(db_.handle()) == 1;
    }
    if (!written)
        throw RowChanged(QStringLiteral("Cannot save this row of \"%1\": it was deleted or changed "
                                        "by another program since it was read. What you typed is "
                                        "kept: copy it, or cancel the change.")
                             .arg(def_.name));
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
