#pragma once
#include <optional>
#include <QList>
#include <QVariantList>
#include <unordered_map>
#include <vector>

#include "Statement.h"
#include "TableDef.h"

namespace ink {

class Database;

// One stored row: its row number (the auto-number) and the field values in definition order.
struct Row {
    qint64 rowid = 0;
    QVariantList values;
};
using Rows = std::vector<Row>;

// The SQL of one open table: its statements are prepared once and reused for
// every scope load and every write.
class TableStore {
public:
    // `scopeFields` are the fields a scope is selected by (a detail's link
    // fields); none selects the whole table.
    TableStore(Database& db, const TableDef& def, const QList<int>& scopeFields);

    // The rows whose scope fields equal `scopeValues`, in primary index order.
    Rows load(const QVariantList& scopeValues);
    // One row as the store holds it now; empty when it is gone.
    std::optional<Row> loadRow(qint64 rowid);
    // Writes a new row; the store fills the auto-number. Returns the row id.
    qint64 insert(const QVariantList& values);
    // Writes the fields of `values` that differ from `read`, the row as this
    // program last read it, and only those. Throws RowChanged when the row is
    // gone, or one of those fields no longer holds what was read (another
    // program wrote it in between); nothing is written then.
    void update(const Row& read, const QVariantList& values);
    void remove(qint64 rowid);
    // Removes every row of a scope.
    void removeScope(const QVariantList& scopeValues);

private:
    void bindScope(Statement& statement, const QVariantList& scopeValues);
    QString scopeCondition() const;
    QString orderClause() const;
    QString updateSql(quint64 changedFields) const;
    QString vanishedRow() const;
    QString rowName(const QVariantList& values) const;
    void refuseUnstorableText(const QVariantList& values, quint64 fields) const;
    Statement& updateOf(quint64 changedFields);

    Database& db_;
    const TableDef& def_;
    QList<int> scopeFields_;
    Statement select_;
    Statement selectRow_;
    Statement insert_;
    std::unordered_map<quint64, Statement> updates_; // by the set of fields written
    Statement exists_;
    Statement delete_;
    Statement deleteScope_;
};

} // namespace ink
