#include "Database.h"

#include <cstring>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#include "Statement.h"
#include "StoreError.h"

namespace ink {

namespace {

// Stamped into the header of every database this program creates ("Inkw"),
// so a file of another program is never mistaken for ours.
constexpr int ApplicationId = 0x496E6B77;

// Seconds to wait for another program's lock before reporting "locked".
constexpr int BusyTimeoutMs = 3000;

bool hasSystemReason(int resultCode) {
    switch (resultCode & 0xff) {
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_PERM:
    case SQLITE_READONLY:
        return true;
    default:
        return false;
    }
}

bool holdsAny(const QStringList& tables, const QStringList& wanted) {
    for (const QString& table : wanted)
        if (tables.contains(table, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

Database::Database(const QString& filePath, const QStringList& ownTables) : filePath_(filePath) {
    try {
        const bool existed = QFileInfo(filePath_).isFile();
        openFile();
        if (existed)
            checkExistingFile(ownTables);
        prepareForWriting();
    } catch (...) {
        sqlite3_close_v2(db_);
        throw;
    }
}

Database::~Database() {
    dataVersion_.reset();
    sqlite3_close_v2(db_);
}

void Database::openFile() {
    // Create only a missing file: an existing one must be opened as it is.
    const bool exists = QFileInfo::exists(filePath_);
    // One thread uses the connection, so SQLite need not lock it on every call.
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (exists ? 0 : SQLITE_OPEN_CREATE);
    const int rc = sqlite3_open_v2(QFile::encodeName(filePath_).constData(), &db_, flags, nullptr);
    if (db_ == nullptr)
        throw StoreError(
            QStringLiteral("Cannot open the database \"%1\": out of memory").arg(filePath_));
    if (rc != SQLITE_OK)
        fail(QStringLiteral("Cannot open the database"));
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, BusyTimeoutMs);
}

// Reads, never writes: a file that is not SQLite, is damaged, is locked or
// belongs to another program is reported before anything touches it.
void Database::checkExistingFile(const QStringList& ownTables) {
    const qint64 id = firstValue("PRAGMA application_id").toLongLong();
    const QStringList tables =
        firstValue("SELECT group_concat(name, char(10)) FROM sqlite_schema WHERE type = 'table'")
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QString verdict = firstValue("PRAGMA quick_check(1)");
    if (verdict != QLatin1String("ok")) {
        verdict.remove(QStringLiteral("*** in database main ***"));
        throw StoreError(QStringLiteral("Cannot open the database \"%1\": the file is damaged (%2)")
                             .arg(filePath_, verdict.simplified()));
    }
    const bool ours =
        id == ApplicationId || (id == 0 && (tables.isEmpty() || holdsAny(tables, ownTables)));
    if (!ours)
        throw StoreError(
            QStringLiteral("Cannot open the database \"%1\": the file belongs to another program")
                .arg(filePath_));
}

QString Database::firstValue(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    QString value;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail(QStringLiteral("Cannot open the database"));
    return value;
}

void Database::prepareForWriting() {
    if (sqlite3_db_readonly(db_, "main") == 1)
        throw StoreError(QStringLiteral("Cannot open the database \"%1\": the file is read-only")
                             .arg(filePath_));
    if (firstValue("PRAGMA journal_mode=WAL").compare(QLatin1String("wal"), Qt::CaseInsensitive))
        throw StoreError(QStringLiteral("Cannot open the database \"%1\": the file system does not "
                                        "allow its journal")
                             .arg(filePath_));
    // A process that dies keeps every committed row; only a power cut may
    // lose the last transactions, and never damages the file.
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    exec(QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId));
}

bool Database::tableExists(const QString& tableName) const {
    Statement query(const_cast<Database&>(*this),
                    QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND "
                                   "name = ?1 COLLATE NOCASE"));
    query.bindText(1, tableName);
    return query.step();
}

void Database::exec(const QString& sql) {
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QString());
}

void Database::beginBatch() {
    if (batchDepth_ == 0)
        exec(QStringLiteral("BEGIN IMMEDIATE"));
    ++batchDepth_;
}

void Database::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    // SQLite may already have ended the transaction after a failed write.
    if (sqlite3_get_autocommit(db_))
        return;
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return;
    const QString reason = QString::fromUtf8(sqlite3_errmsg(db_));
    rollBackQuietly();
    throw StoreError(
        QStringLiteral("Cannot save the changes to \"%1\": %2").arg(filePath_, reason));
}

void Database::rollBackQuietly() {
    if (!sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    ++rollbacks_;
}

quint64 Database::changeStamp() const {
    return quint64(sqlite3_total_changes64(db_)) + rollbacks_;
}

qint64 Database::dataVersion() {
    if (!dataVersion_)
        dataVersion_ = std::make_unique<Statement>(*this, QStringLiteral("PRAGMA data_version"));
    dataVersion_->step();
    const qint64 version = dataVersion_->integerAt(0);
    dataVersion_->reset();
    return version;
}

void Database::fail(const QString& context) const {
    const int code = sqlite3_extended_errcode(db_);
    QString reason = QString::fromUtf8(sqlite3_errmsg(db_));
    const int systemError = sqlite3_system_errno(db_);
    if (systemError != 0 && hasSystemReason(code))
        reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(systemError)));
    const QString what = context.isEmpty() ? QStringLiteral("Database") : context;
    throw StoreError(QStringLiteral("%1 \"%2\": %3").arg(what, filePath_, reason));
}

} // namespace ink
