#pragma once
#include <memory>
#include <QString>

namespace ink {

class BackendStatement;
class Database;

// One prepared SQL statement, prepared once and reused: bind, step, reset.
// Written once for both engines: parameters as ?1, ?2 ... or plain ?.
// Errors become UserError naming the store.
class Statement {
public:
    Statement();
    Statement(Database& db, const QString& sql);
    explicit Statement(std::unique_ptr<BackendStatement> statement);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

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

    // Rows the last run inserted, changed or deleted.
    qint64 rowsChanged() const;

private:
    std::unique_ptr<BackendStatement> statement_;
};

} // namespace ink
