#include "Database.h"

#include "PostgresBackend.h"
#include "SqliteBackend.h"
#include "Statement.h"
#include "UserError.h"

namespace ink {

namespace {

std::unique_ptr<Backend> openBackend(const StoreAddress& address, const QList<TableDef>& ownTables,
                                     Database::Access access) {
    if (address.isServer())
        return std::make_unique<PostgresBackend>(address, ownTables, access);
    return std::make_unique<SqliteBackend>(address.databaseFile(), ownTables, access);
}

} // namespace

Database::Database(const QString& filePath, const QList<TableDef>& ownTables, Access access)
    : backend_(std::make_unique<SqliteBackend>(filePath, ownTables, access)),
      readOnly_(access == Access::ReadOnly) {}

Database::Database(const StoreAddress& address, const QList<TableDef>& ownTables, Access access)
    : backend_(openBackend(address, ownTables, access)), readOnly_(access == Access::ReadOnly) {}

Database::~Database() = default;

bool Database::tableExists(const QString& tableName) const {
    return backend_->tableExists(tableName);
}

QStringList Database::columnsOf(const QString& tableName) const {
    return backend_->columnsOf(tableName);
}

void Database::exec(const QString& sql) {
    backend_->exec(sql);
}

void Database::beginBatch() {
    if (batchDepth_ == 0) {
        lostWrites_.clear();
        backend_->begin();
    }
    ++batchDepth_;
}

void Database::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    // The engine may have ended the transaction itself after a failed write
    // (an I/O error, a full disk; on a server any failed statement): then
    // everything written in the batch is gone.
    if (backend_->transactionEnded())
        writesLost(backend_->lastFailure().isEmpty()
                       ? QStringLiteral("the database ended the transaction after an error")
                       : backend_->lastFailure());
    if (backend_->commit())
        return;
    writesLost(backend_->lastErrorText());
}

void Database::endBatchAfterError() {
    if (backend_->keepsWritesBeforeAnError() || batchDepth_ != 1) {
        endBatch();
        return;
    }
    batchDepth_ = 0;
    backend_->rollbackQuietly();
    ++rollbacks_;
    // The error on its way says what went wrong; the rows in view are read
    // again, without the run's.
    if (onWritesLost_)
        onWritesLost_();
}

void Database::writesLost(const QString& reason) {
    backend_->rollbackQuietly();
    ++rollbacks_;
    lostWrites_ = QStringLiteral("Cannot save the changes to \"%1\": %2. Nothing of this change "
                                 "was saved; the lists show what the database holds.")
                      .arg(name(), reason);
    if (onWritesLost_)
        onWritesLost_();
    throw UserError(lostWrites_);
}

void Database::beginSavepoint() {
    backend_->beginSavepoint();
}

// A release that fails leaves the savepoint open: its owner rolls it back.
void Database::releaseSavepoint() {
    if (backend_->releaseSavepoint())
        return;
    ++rollbacks_;
    throw UserError(QStringLiteral("Cannot save the change to \"%1\": %2. Nothing of it was "
                                   "saved.")
                        .arg(name(), backend_->lastFailure()));
}

void Database::rollBackSavepoint() {
    ++rollbacks_;
    backend_->rollBackSavepoint();
}

void Database::checkForDamage(qint64 fullCheckBytes) {
    const QStringList problems = backend_->checkBriefly(fullCheckBytes);
    if (!problems.isEmpty())
        backend_->refuseAsDamaged(problems.first());
}

quint64 Database::changeStamp() const {
    return backend_->rowsWritten() + rollbacks_;
}

qint64 Database::dataVersion() {
    return backend_->dataVersion();
}

} // namespace ink
