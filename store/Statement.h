#pragma once
#include <QByteArray>
#include <QString>

struct sqlite3_stmt;

namespace ink {

class Database;

// One prepared SQL statement, prepared once and reused: bind, step, reset.
// Errors become UserError naming the database file.
class Statement {
public:
    Statement() = default;
    Statement(Database& db, const QString& sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isPrepared() const { return stmt_ != nullptr; }
    sqlite3_stmt* handle() const { return stmt_; }

    // Parameters count from 1, as in SQL.
    void bindNull(int parameter);
    void bindInteger(int parameter, qint64 value);
    void bindText(int parameter, const QString& text);

    // True while a result row is ready; false when the statement is done.
    bool step();
    // Runs a statement that returns no rows, then resets it.
    void run();
    // The same, keeping the bindings for the next run.
    void runKeepingBindings();
    // Ready for the next use; the bindings are cleared.
    void reset();

    qint64 integerAt(int column) const;
    QString textAt(int column) const;
    bool isNullAt(int column) const;

private:
    void check(int resultCode) const;

    Database* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace ink
