#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <QList>
#include <QString>
#include <QStringList>

#include "TableDef.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ink {

class Statement;

// One SQLite database file (WAL journal) shared by the tables of an alias.
// Opening never changes a file before it is known to be ours: a damaged or
// foreign file is reported with its path and the reason, and left byte for
// byte as it was (its journal mode included).
class Database {
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens `filePath`; for writing, an empty database is created when the
    // file is missing. A database this program did not stamp is taken as its
    // own only when it holds no table at all, or all of `ownTables` with
    // exactly their layout (written by plain SQL, say); it is stamped then.
    // Read-only access never creates or changes anything, takes any SQLite
    // file as it is (its reader finds out what it holds), and also works in a
    // folder the user may not write.
    explicit Database(const QString& filePath, const QList<TableDef>& ownTables = {},
                      Access access = Access::ReadWrite);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& filePath() const { return filePath_; }
    sqlite3* handle() const { return db_; }

    bool tableExists(const QString& tableName) const;
    void exec(const QString& sql); // throws UserError naming the file

    // Batches: writes between begin and end share one transaction. Batches
    // nest by counting; the outermost end commits whatever was written, also
    // when an error ended the work, so rows posted before the error remain.
    void beginBatch();
    void endBatch();
    bool inBatch() const { return batchDepth_ > 0; }

    // Changes since the connection opened: rows written through it, plus a
    // step for every transaction that was rolled back. Tables compare it to
    // know whether rows they keep in memory may be stale.
    quint64 changeStamp() const;
    // Moves whenever another connection (another program) commits a change.
    qint64 dataVersion();
    // Called when a savepoint undid writes, so in-memory rows get reloaded.
    void noteRollback() { ++rollbacks_; }

    // Called whenever a batch ended without its writes being kept (a failed
    // commit, or SQLite rolling the transaction back after an I/O error), so
    // that whatever shows rows in memory reloads them from the file.
    void setOnWritesLost(std::function<void()> listener) { onWritesLost_ = std::move(listener); }
    // What the user needs to hear when the last batch's writes were lost
    // ("Cannot save the changes ..."); empty when they were kept or a batch
    // is open. A batch left by an error reports that error, not the loss, so
    // the code that runs the batch asks here afterwards.
    const QString& lostWrites() const { return lostWrites_; }

    // Throws UserError with SQLite's message for the last failed call and
    // the file's path; `context` says what was being done, if not obvious.
    [[noreturn]] void fail(const QString& context) const;
    // The same, with the reason taken earlier: SQLite's text for the failed
    // call and, for a file error, what the system said (lastErrorText()).
    [[noreturn]] void fail(const QString& context, const QString& reason) const;
    QString lastErrorText() const;

private:
    void requireWritableFolder() const;
    void openFile(Access access);
    void openConnection(const QByteArray& name, int flags);
    bool canRead();
    void openImmutable();
    void checkExistingFile(const QList<TableDef>& ownTables);
    bool holdsExactly(const QStringList& tables, const QList<TableDef>& ownTables);
    void prepareForWriting();
    void rollBackQuietly();
    [[noreturn]] void writesLost(const QString& reason);
    QString firstValue(const char* sql);

    QString filePath_;
    sqlite3* db_ = nullptr;
    int batchDepth_ = 0;
    quint64 rollbacks_ = 0;
    std::unique_ptr<Statement> dataVersion_;
    std::function<void()> onWritesLost_;
    QString lostWrites_;
    mutable QString lastFailure_;
    bool stampWanted_ = false;
};

// Opens a batch for the life of a scope and closes it on every path. A commit
// that fails is reported, unless the scope is already being left by an error.
class Batch {
public:
    explicit Batch(Database& db) : db_(db), uncaught_(std::uncaught_exceptions()) {
        db_.beginBatch();
    }
    ~Batch() noexcept(false) {
        if (std::uncaught_exceptions() == uncaught_) {
            db_.endBatch();
            return;
        }
        try {
            db_.endBatch();
        } catch (...) {
            // The error already on its way is the one the user needs to see.
        }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    Database& db_;
    int uncaught_;
};

} // namespace ink
