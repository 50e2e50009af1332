#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

#include "Backend.h"

struct sqlite3_stmt;

namespace ink {

class SqliteBackend;

// One prepared statement of the embedded store: prepared once and reused
// (bind, step, reset).
class SqliteStatement : public BackendStatement {
public:
    SqliteStatement(SqliteBackend& db, const QString& sql);
    ~SqliteStatement() override;

    void bindNull(int parameter) override;
    void bindInteger(int parameter, qint64 value) override;
    void bindText(int parameter, const QString& text) override;

    bool step() override;
    void reset(bool keepBindings) override;

    qint64 integerAt(int column) const override;
    QString textAt(int column) const override;
    bool isNullAt(int column) const override;
    qint64 rowsChanged() const override { return changed_; }

protected:
    void check(int resultCode) const;

    SqliteBackend& db_;
    sqlite3_stmt* stmt_ = nullptr;
    qint64 changed_ = 0;

private:
    static bool copyAscii(const QString& text, QByteArray& out);

    std::vector<QByteArray> texts_; // by parameter number
};

// A plain INSERT that hands back the new row's number as a one-column result,
// as the table engine expects of an insert. The number comes from the
// connection rather than from RETURNING: SQLite runs RETURNING as a trigger,
// and a statement with a trigger inside a transaction keeps a statement
// journal, a copy of every page it changes, which in a long build spills to a
// temporary file and is written again for every row.
class SqliteInsert final : public SqliteStatement {
public:
    using SqliteStatement::SqliteStatement;

    bool step() override;
    void reset(bool keepBindings) override;
    qint64 integerAt(int) const override { return rowId_; }
    QString textAt(int) const override { return QString::number(rowId_); }
    bool isNullAt(int) const override { return false; }

private:
    qint64 rowId_ = 0;
    bool inserted_ = false;
};

} // namespace ink
