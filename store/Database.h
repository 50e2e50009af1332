#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <QList>
#include <QString>
#include <QStringList>

#include "Backend.h"
#include "StoreAccess.h"
#include "StoreAddress.h"
#include "TableDef.h"

namespace ink {

// The store the tables of an alias share: the embedded SQLite file or a
// database on a PostgreSQL server (see Backend.h). Batches, the change stamp
// and the report of lost writes are the same for both.
class Database {
public:
    // How the store is opened; the back-ends know it by StoreAccess alone.
    using Access = StoreAccess;

    // Opens the SQLite file `filePath`; for writing, an empty database is
    // created when the file is missing. A database this program did not
    // stamp is taken as its own only when it holds no table at all, or all
    // of `ownTables` with exactly their layout (written by plain SQL, say);
    // it is stamped then. Read-only access never creates or changes
    // anything, takes any SQLite file as it is (its reader finds out what it
    // holds), and also works in a folder the user may not write.
    explicit Database(const QString& filePath, const QList<TableDef>& ownTables = {},
                      Access access = Access::ReadWrite);
    // Opens the store at `address`: the database file in its folder, or the
    // server's database. A server database is taken as ours when it carries
    // our mark, or is empty: nothing of its own (a table, a view, a type, a
    // function ...) in any schema. Anything else is refused, nothing changed.
    explicit Database(const StoreAddress& address, const QList<TableDef>& ownTables = {},
                      Access access = Access::ReadWrite);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // How messages name the store: the file's path, or user@server/database.
    const QString& name() const { return backend_->name(); }
    Backend& backend() { return *backend_; }
    Dialect dialect() const { return backend_->dialect(); }
    bool isServer() const { return dialect() == Dialect::Postgres; }
    // Opened with Access::ReadOnly: nothing may be made or changed in it.
    bool isReadOnly() const { return readOnly_; }

    bool tableExists(const QString& tableName) const;
    QStringList columnsOf(const QString& tableName) const;
    QString quoted(const QString& name) const { return backend_->quoted(name); }
    void exec(const QString& sql); // throws UserError naming the store

    // Batches: writes between begin and end share one transaction, and hold
    // the store's write lock from the begin, so what a batch reads no other
    // batch changes meanwhile. Batches nest by counting. The outermost end
    // commits. When an error ended the work, the embedded store still
    // commits whatever was written, so rows posted before the error remain;
    // a server keeps nothing of that batch (a failed statement dooms its
    // transaction anyway, and half a run beside another user's is worse
    // than none).
    void beginBatch();
    void endBatch();
    void endBatchAfterError();
    bool inBatch() const { return batchDepth_ > 0; }

    // Savepoints: several writes kept together or not at all, inside a batch
    // or on their own.
    void beginSavepoint();
    void releaseSavepoint();
    void rollBackSavepoint();

    // A consistent read of the whole store for as long as this connection
    // lives; for readers that make several passes (the report).
    void beginSnapshot() { backend_->beginSnapshot(); }

    // Changes since the connection opened: rows written through it, plus a
    // step for every transaction that was rolled back. Tables compare it to
    // know whether rows they keep in memory may be stale.
    quint64 changeStamp() const;
    // Moves whenever another connection (another program) commits a change.
    qint64 dataVersion();
    // Whether other users write to this store while it is open (a server
    // shared by a team), so that what is shown may need reading again.
    bool othersWrite() const { return backend_->othersWrite(); }

    // Called whenever a batch ended without its writes being kept (a failed
    // commit, or the engine rolling the transaction back after an error), so
    // that whatever shows rows in memory reloads them from the store.
    void setOnWritesLost(std::function<void()> listener) { onWritesLost_ = std::move(listener); }
    // What the user needs to hear when the last batch's writes were lost
    // ("Cannot save the changes ..."); empty when they were kept or a batch
    // is open. A batch left by an error reports that error, not the loss, so
    // the code that runs the batch asks here afterwards.
    const QString& lostWrites() const { return lostWrites_; }

    QString lastErrorText() const { return backend_->lastErrorText(); }

    // A full read of the store: what is damaged in it, empty when nothing
    // is. Opening checks only the header and the schema, so that its cost
    // does not grow with the store; this is the thorough look, on request.
    QStringList checkIntegrity() { return backend_->checkIntegrity(); }
    // The check of a store the window opens: bounded in cost (the whole
    // store up to `fullCheckBytes`, else samples of it and its schema).
    // Throws StoreDamaged for damage found.
    static constexpr qint64 FullCheckBytes = 8 << 20;
    void checkForDamage(qint64 fullCheckBytes = FullCheckBytes);
    // Why the store was found damaged, empty while it was not (see StoreDamaged).
    const QString& damage() const { return backend_->damage(); }

private:
    [[noreturn]] void writesLost(const QString& reason);

    std::unique_ptr<Backend> backend_;
    bool readOnly_ = false;
    int batchDepth_ = 0;
    quint64 rollbacks_ = 0;
    std::function<void()> onWritesLost_;
    QString lostWrites_;
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
            db_.endBatchAfterError();
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
