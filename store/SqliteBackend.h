#pragma once
#include <QByteArray>
#include <string>
#include <vector>

#include "Backend.h"
#include "StoreAccess.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ink {

// How long a batch waits for the write lock another program holds before it
// gives up, saying who holds it where the system tells; a minute unless the
// tests shorten it.
void SetSqliteWriteLockWait(int milliseconds);

// The embedded store: one SQLite file (WAL journal) beside the program.
// Opening never changes a file before it is known to be ours: a damaged or
// foreign file is reported with its path and the reason, and left byte for
// byte as it was (its journal mode included).
class SqliteBackend final : public Backend {
public:
    SqliteBackend(const QString& filePath, const QList<TableDef>& ownTables, StoreAccess access);
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
    QStringList checkBriefly(qint64 fullCheckBytes) override;
    void ensureSearchIndex() override;
    bool canSearch() override;
    std::unique_ptr<BackendStatement> searchStatement(const QStringList& words, int limit) override;
    std::unique_ptr<BackendStatement> declarationSearchStatement(const QStringList& words) override;

    // Rows inserted inside a transaction are held back and written many to
    // one INSERT (SqliteHeldRows.cpp); writeHeldRows() writes them, and runs
    // before every other statement of the connection.
    struct HeldValue {
        enum Kind : quint8 { Null, Integer, Text } kind = Null;
        qint64 integer = 0;   // Integer
        qsizetype offset = 0; // Text: where in its bytes
        qsizetype size = 0;
    };
    struct HeldRows {
        QString table;
        QByteArray head; // INSERT OR FAIL INTO t (columns) VALUES
        int columns = 0;
        int autoField = -1;
        qint64 nextNumber = 0;         // 0 until read in this transaction
        std::string bytes;             // the texts of the held rows
        std::vector<HeldValue> values; // row after row, `columns` each
        int rows = 0;
        // The INSERT of 1, 2, 4 ... rows, prepared when first needed.
        std::vector<sqlite3_stmt*> inserts;

        HeldRows() = default;
        ~HeldRows();
        HeldRows(const HeldRows&) = delete;
        HeldRows& operator=(const HeldRows&) = delete;
        void drop();
    };
    qint64 holdRow(HeldRows& held, const std::vector<HeldValue>& row, const std::string& bytes);
    void writeHeldRows();
    static void bindRow(sqlite3_stmt* insert, int first, const HeldValue* row, int columns,
                        const std::string& bytes);

    // Throws UserError with SQLite's message for the last failed call.
    [[noreturn]] void fail(const QString& context) const;
    [[noreturn]] void fail(const QString& context, const QString& reason) const;
    // The same for a failure of `resultCode`: damage (SQLITE_CORRUPT,
    // SQLITE_NOTADB) raises StoreDamaged instead.
    [[noreturn]] void fail(const QString& context, const QString& reason, int resultCode) const;
    sqlite3* handle() const { return db_; }

private:
    std::unique_ptr<BackendStatement> prepareDirectInsert(const TableDef& def);
    HeldRows& heldRowsOf(const TableDef& def);
    void writeHeldRows(HeldRows& held);
    void dropHeldRows();
    void forgetNextNumbers();
    // A batch indexes the rows it adds once, before it commits.
    void deferIndexing();
    bool indexDeferredRows();
    void suspendInsertTriggers();
    bool restoreInsertTriggers();
    void requireWritableFolder() const;
    void openFile(StoreAccess access);
    void openConnection(const QByteArray& name, int flags);
    bool canRead();
    void openImmutable();
    void checkExistingFile(const QList<TableDef>& ownTables);
    bool holdsExactly(const QStringList& tables, const QList<TableDef>& ownTables);
    QStringList checkSamples();
    void prepareForWriting();
    QString firstValue(const char* sql);
    QList<FieldDef> verifyFields(const TableDef& def);
    void verifyIndex(const TableDef& def);
    [[noreturn]] void differentLayout(const TableDef& def, const QString& detail) const;

    QString filePath_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<BackendStatement> dataVersion_;
    bool stampWanted_ = false;
    bool opened_ = false; // the file was taken as a database of ours
    bool indexDeferred_ = false;
    bool declsDeferred_ = false;
    std::vector<std::unique_ptr<HeldRows>> held_; // by table
    qint64 heldCount_ = 0;
    std::vector<QByteArray> suspendedTriggers_; // as written, to be put back before a commit
};

} // namespace ink
