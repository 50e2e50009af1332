#pragma once
#include <optional>
#include <QByteArray>
#include <vector>

#include "Backend.h"
#include "StoreAccess.h"
#include "StoreAddress.h"

struct pg_conn;
struct pg_result;

namespace ink {

// A store on a PostgreSQL server that a team shares, through libpq. The same
// three tables as the embedded store, with the same fields and auto-numbers
// (a sequence each); every statement prepared and bound, never built from
// values. Every write notifies the other connections (LISTEN/NOTIFY), so
// their windows show it. A connection that is lost is made again at the next
// statement, and the statements are prepared again on it.
class PostgresBackend final : public Backend {
public:
    PostgresBackend(const StoreAddress& address, const QList<TableDef>& ownTables,
                    StoreAccess access);
    ~PostgresBackend() override;
    PostgresBackend(const PostgresBackend&) = delete;
    PostgresBackend& operator=(const PostgresBackend&) = delete;

    Dialect dialect() const override { return Dialect::Postgres; }
    const QString& name() const override { return name_; }

    std::unique_ptr<BackendStatement> prepare(const QString& sql) override;
    void exec(const QString& sql) override;
    bool tableExists(const QString& table) override;
    QStringList columnsOf(const QString& table) override;
    QString quoted(const QString& name) const override;

    void begin() override;
    bool transactionEnded() override;
    bool commit() override;
    void rollbackQuietly() override;
    bool inTransaction() override;
    void beginSnapshot() override;
    void beginSavepoint() override;
    bool releaseSavepoint() override;
    void rollBackSavepoint() override;
    bool keepsWritesBeforeAnError() const override { return false; }

    quint64 rowsWritten() override { return rowsWritten_; }
    qint64 dataVersion() override;
    bool othersWrite() const override { return true; }
    QString lastErrorText() const override;

    QString rowIdColumn(const TableDef& def) const override;
    QString holdsValue(const FieldDef& field, const QString& column,
                       const QString& parameter) const override;
    QString insertSql(const TableDef& def) const override;
    std::unique_ptr<BackendStatement> prepareInsert(const TableDef& def) override;

    QStringList createStatements(const TableDef& def) override;
    QList<FieldDef> verifyLayout(const TableDef& def) override;
    void addFields(const TableDef& def, const QList<FieldDef>& fields) override;
    void syncAutoNumbers(const TableDef& def) override;
    QStringList checkIntegrity() override;
    bool canSearch() override { return true; }
    std::unique_ptr<BackendStatement> searchStatement(const QStringList& words, int limit) override;

    // For the statements: the live connection (made again when it was lost),
    // and a number that changes whenever it was made again.
    pg_conn* connection();
    pg_conn* rawConnection() const { return conn_; }
    bool isConnected() const;
    // The same, with the rows held back sent first: for every statement but
    // the held-back inserts themselves.
    pg_conn* readyConnection();

    // Inside a transaction the rows of new documents are held back and sent
    // many to one INSERT: a build writes tens of thousands of routines, and
    // one round trip each would be most of its time. Their auto-numbers are
    // taken ahead from the table's sequence.
    struct HeldRows;
    HeldRows& heldRowsOf(const TableDef& def);
    qint64 takeAutoNumber(HeldRows& held);
    void hold(HeldRows& held, std::vector<std::optional<QByteArray>> values);
    void sendHeldRows();
    quint64 generation() const { return generation_; }
    void noteWritten(qint64 rows) { rowsWritten_ += quint64(rows); }
    // Throws UserError for a failed result (which it clears), naming the store.
    [[noreturn]] void fail(pg_result* result);

    // The SQL of the table engine, in the server's spelling: ?N and ? become
    // $k, outside quotes, numbered in the order of first use (the server
    // wants no gaps); `parameterNumbers` gets the ?N of each $k.
    static QByteArray serverSql(const QString& sql, std::vector<int>* parameterNumbers = nullptr);

private:
    // The channel every write notifies; the payload names the table.
    static constexpr const char* NotifyChannel = "inkwright_changes";

    void connect();
    void configureSession();
    void beginTransaction();
    void checkStore(const QList<TableDef>& ownTables, StoreAccess access);
    bool isMarked();
    bool holdsObjects();
    QStringList plainCreateStatements(const TableDef& def);
    pg_result* run(const char* sql);
    QString sequenceOf(const TableDef& def) const;
    QString columnDefinition(const TableDef& def, const FieldDef& field) const;

    StoreAddress address_;
    QString name_;
    StoreAccess access_;
    pg_conn* conn_ = nullptr;
    quint64 generation_ = 0;
    quint64 rowsWritten_ = 0;
    qint64 othersChanges_ = 0;
    std::vector<std::unique_ptr<HeldRows>> held_;
    bool sending_ = false;
    // One entry per open savepoint: whether it began the transaction itself
    // (the server has no transaction outside a BEGIN).
    std::vector<bool> savepoints_;
};

} // namespace ink
