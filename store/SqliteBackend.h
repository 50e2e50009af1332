#pragma once
#include <QByteArray>
#include <vector>

#include "Backend.h"
#include "Database.h"

struct sqlite3;

namespace ink {

// The embedded store: one SQLite file (WAL journal) beside the program.
// Opening never changes a file before it is known to be ours: a damaged or
// foreign file is reported with its path and the reason, and left byte for
// byte as it was (its journal mode included).
class SqliteBackend final : public Backend {
public:
    SqliteBackend(const QString& filePath, const QList<TableDef>& ownTables,
                  Database::Access access);
    ~SqliteBackend() override;

    Dialect dialect() const override { return Dialect::Sqlite; }
    const QString& name() const override { return filePath_; }

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
    bool keepsWritesBeforeAnError() const override { return true; }

    quint64 rowsWritten() override;
    qint64 dataVersion() override;
    bool othersWrite() const override { return false; }
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
    void ensureSearchIndex() override;
    bool canSearch() override;
    std::unique_ptr<BackendStatement> searchStatement(const QStringList& words, int limit) override;
    std::unique_ptr<BackendStatement> declarationSearchStatement(const QStringList& words) override;

    // Throws UserError with SQLite's message for the last failed call.
    [[noreturn]] void fail(const QString& context) const;
    [[noreturn]] void fail(const QString& context, const QString& reason) const;
    sqlite3* handle() const { return db_; }

private:
    // A batch indexes the rows it adds once, before it commits.
    void deferIndexing();
    bool indexDeferredRows();
    void suspendInsertTriggers();
    bool restoreInsertTriggers();
    void requireWritableFolder() const;
    void openFile(Database::Access access);
    void openConnection(const QByteArray& name, int flags);
    bool canRead();
    void openImmutable();
    void checkExistingFile(const QList<TableDef>& ownTables);
    bool holdsExactly(const QStringList& tables, const QList<TableDef>& ownTables);
    void prepareForWriting();
    QString firstValue(const char* sql);
    QList<FieldDef> verifyFields(const TableDef& def);
    void verifyIndex(const TableDef& def);
    [[noreturn]] void differentLayout(const TableDef& def, const QString& detail) const;

    QString filePath_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<BackendStatement> dataVersion_;
    bool stampWanted_ = false;
    bool indexDeferred_ = false;
    bool declsDeferred_ = false;
    std::vector<QByteArray> suspendedTriggers_; // as written, to be put back before a commit
};

} // namespace ink
