// A table's rows as the store holds them: one scope loaded, one row read
// again, rows inserted, updated and deleted, with statements prepared once.
#include "TableStore.h"

#include <algorithm>
#include <QStringList>

#include "Database.h"
#include "FieldValue.h"
#include "StoreError.h"

namespace ink {

namespace {

QString columnList(const Database& db, const TableDef& def) {
    QStringList names;
    for (const FieldDef& field : def.fields)
        names << db.quoted(field.name);
    return names.join(", ");
}

bool isWritten(quint64 changedFields, int field) {
    return (changedFields >> field) & 1;
}

} // namespace

TableStore::TableStore(Database& db, const TableDef& def, const QList<int>& scopeFields)
    : db_(db), def_(def), scopeFields_(scopeFields) {
    // A post names the fields it writes in a 64-bit set.
    if (def.fields.size() > 64)
        throw UserError(QStringLiteral("%1: too many fields").arg(def.name));
    Backend& engine = db.backend();
    const QString table = db.quoted(def.name);
    const QString rowId = engine.rowIdColumn(def);
    const QString where = scopeCondition();
    select_ =
        Statement(db, QStringLiteral("SELECT %1, %2 FROM %3%4 ORDER BY %5")
                          .arg(columnList(db, def), rowId, table,
                               where.isEmpty() ? QString() : " WHERE " + where, orderClause()));
    selectRow_ = Statement(db, QStringLiteral("SELECT %1, %2 FROM %3 WHERE %2 = ?1")
                                   .arg(columnList(db, def), rowId, table));
    insert_ = Statement(engine.prepareInsert(def));
    exists_ = Statement(db, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1").arg(table, rowId));
    delete_ = Statement(db, QStringLiteral("DELETE FROM %1 WHERE %2 = ?1").arg(table, rowId));
    if (!where.isEmpty())
        deleteScope_ = Statement(db, QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, where));
}

QString TableStore::orderClause() const {
    QStringList keys;
    for (const QString& field : def_.primaryIndex.fields)
        keys << db_.quoted(field);
    keys << db_.backend().rowIdColumn(def_);
    keys.removeDuplicates();
    return keys.join(", ");
}

QString TableStore::scopeCondition() const {
    QStringList conditions;
    for (int i = 0; i < scopeFields_.size(); ++i)
        conditions << QStringLiteral("%1 = ?%2")
                          .arg(db_.quoted(def_.fields[scopeFields_[i]].name))
                          .arg(i + 1);
    return conditions.join(" AND ");
}

// Sets the changed fields of one row, on the condition that each still holds
// what was read: a conflicting write by another program or user changes no row.
QString TableStore::updateSql(quint64 changedFields) const {
    const Backend& engine = db_.backend();
    const int count = int(def_.fields.size());
    QStringList assignments;
    QStringList unchanged{
        QStringLiteral("%1 = ?%2").arg(engine.rowIdColumn(def_)).arg(2 * count + 1)};
    for (int i = 0; i < count; ++i) {
        if (!isWritten(changedFields, i))
            continue;
        const QString column = db_.quoted(def_.fields[i].name);
        assignments << QStringLiteral("%1 = ?%2").arg(column).arg(i + 1);
        unchanged << engine.holdsValue(def_.fields[i], column,
                                       QStringLiteral("?%1").arg(count + i + 1));
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3")
        .arg(db_.quoted(def_.name), assignments.join(", "), unchanged.join(" AND "));
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

std::optional<Row> TableStore::loadRow(qint64 rowid) {
    const int fieldCount = int(def_.fields.size());
    selectRow_.bindInteger(1, rowid);
    std::optional<Row> found;
    if (selectRow_.step()) {
        Row row;
        for (int i = 0; i < fieldCount; ++i)
            row.values.append(readValue(selectRow_, i, def_.fields[i]));
        row.rowid = selectRow_.integerAt(fieldCount);
        found = std::move(row);
    }
    selectRow_.reset();
    return found;
}

QString TableStore::rowName(const QVariantList& values) const {
    QStringList parts;
    for (const QString& key : def_.primaryIndex.fields)
        if (const QVariant value = values.value(def_.indexOf(key)); !value.isNull())
            parts << key + QLatin1Char(' ') + value.toString();
    // The row's name too (a unit's, a routine's), as the lists show it.
    for (int i = 0; i < def_.fields.size(); ++i) {
        const QString text = values.value(i).toString();
        if (def_.fields[i].type == FieldType::Text && !text.isEmpty() && !text.contains(QChar(0))) {
            parts << QStringLiteral("%1 \"%2\"").arg(def_.fields[i].name, text);
            break;
        }
    }
    return parts.join(QLatin1String(", "));
}

// A server takes text as C strings and would keep only what comes before a
// NUL character, quietly; such a text is refused, naming its row, before
// anything of the write is sent. SQLite keeps it as it is.
void TableStore::refuseUnstorableText(const QVariantList& values, quint64 fields) const {
    if (!db_.isServer())
        return;
    for (int i = 0; i < def_.fields.size(); ++i) {
        const FieldType type = def_.fields[i].type;
        if (!isWritten(fields, i) || (type != FieldType::Text && type != FieldType::Memo))
            continue;
        if (values.value(i).toString().contains(QChar(0)))
            throw UserError(QStringLiteral("Cannot store the %1 of the %2 row %3 in \"%4\": it "
                                           "holds a NUL character, which a server store cannot "
                                           "keep in text. Remove the character and try again.")
                                .arg(def_.fields[i].name, def_.name, rowName(values), db_.name()));
    }
}

qint64 TableStore::insert(const QVariantList& values) {
    refuseUnstorableText(values, ~quint64(0));
    // Bound from the row where it is: a build writes every routine here.
    const qsizetype given = std::min(values.size(), def_.fields.size());
    for (qsizetype i = 0; i < given; ++i)
        bindValue(insert_, int(i) + 1, def_.fields[i], values[i]);
    for (qsizetype i = given; i < def_.fields.size(); ++i)
        insert_.bindNull(int(i) + 1);
    insert_.step();
    const qint64 rowid = insert_.integerAt(0);
    insert_.run(); // to its end, so the write is complete
    return rowid;
}

Statement& TableStore::updateOf(quint64 changedFields) {
    auto found = updates_.find(changedFields);
    if (found == updates_.end())
        found = updates_.emplace(changedFields, Statement(db_, updateSql(changedFields))).first;
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
    if (changed == 0) {
        // Nothing to write; the row must still be there all the same.
        exists_.bindInteger(1, read.rowid);
        const bool there = exists_.step();
        exists_.reset();
        if (!there)
            throw RowChanged(vanishedRow());
        return;
    }
    refuseUnstorableText(values, changed);
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
    if (update.rowsChanged() == 1)
        return;
    // Nothing written: the row is gone, or another program or user changed
    // a field this post writes since it was read.
    exists_.bindInteger(1, read.rowid);
    const bool there = exists_.step();
    exists_.reset();
    throw RowChanged(there ? QString::fromLatin1(RowChanged::ChangedByOther) : vanishedRow());
}

QString TableStore::vanishedRow() const {
    return QStringLiteral("Cannot save this row of \"%1\": it was deleted by another program or "
                          "user since it was read. What you typed is kept: copy it, or cancel "
                          "the change.")
        .arg(def_.name);
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
