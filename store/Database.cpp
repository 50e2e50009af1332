#include "Database.h"

#include <cstring>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>

#include "RegularFile.h"
#include "Statement.h"
#include "TableSchema.h"
#include "UserError.h"

namespace ink {

namespace {

// Stamped into the header of every database this program creates ("Inkw"),
// so a file of another program is never mistaken for ours.
constexpr int ApplicationId = 0x496E6B77;

// How long to wait for another program's lock before reporting "locked".
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

bool holds(const QStringList& tables, const QString& wanted) {
    return tables.contains(wanted, Qt::CaseInsensitive);
}

// A WAL file with content: the file alone does not show the latest writes.
bool hasWalContent(const QString& filePath) {
    return QFileInfo(filePath + QStringLiteral("-wal")).size() > 0;
}

} // namespace

Database::Database(const QString& filePath, const QList<TableDef>& ownTables, Access access)
    : filePath_(filePath) {
    try {
        // A pipe or a device in the file's place would block SQLite or be
        // written over; only a missing or a regular file is opened.
        if (QFileInfo::exists(filePath_) && !IsRegularFile(filePath_))
            throw UserError(
                QStringLiteral("Cannot open the database \"%1\": it is not a file").arg(filePath_));
        const bool existed = QFileInfo(filePath_).isFile();
        if (!existed && access == Access::ReadOnly)
            throw UserError(QStringLiteral("The database \"%1\" does not exist").arg(filePath_));
        if (access == Access::ReadWrite)
            requireWritableFolder();
        openFile(access);
        // Reading harms no file, so only a file to be written is checked.
        if (access == Access::ReadOnly)
            return;
        if (existed)
            checkExistingFile(ownTables);
        else
            stampWanted_ = true;
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

// The journal and its shared memory live beside the file, so writing needs
// the folder, not just the file.
void Database::requireWritableFolder() const {
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (!QFileInfo(folder).isWritable())
        throw UserError(QStringLiteral("Cannot open the database \"%1\": the folder \"%2\" is "
                                       "not writable; choose a folder you may write to")
                            .arg(filePath_, QDir::toNativeSeparators(folder)));
}

void Database::openFile(Access access) {
    // Create only a missing file: an existing one must be opened as it is.
    const bool exists = QFileInfo::exists(filePath_);
    const int flags = access == Access::ReadOnly
                          ? SQLITE_OPEN_READONLY
                          : SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE);
    openConnection(QFile::encodeName(filePath_), flags);
    if (access == Access::ReadOnly && !canRead())
        openImmutable();
}

void Database::openConnection(const QByteArray& name, int flags) {
    // One thread uses the connection, so SQLite need not lock it on every call.
    const int rc = sqlite3_open_v2(name.constData(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (db_ == nullptr)
        throw UserError(
            QStringLiteral("Cannot open the database \"%1\": out of memory").arg(filePath_));
    if (rc != SQLITE_OK)
        fail(QStringLiteral("Cannot open the database"));
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, BusyTimeoutMs);
}

// A WAL database is read through its shared-memory file beside it, which a
// folder the user may not write cannot hold. When no writer has left pages
// in the WAL, the file alone is the whole database, and SQLite may read it
// as unchanging.
bool Database::canRead() {
    const int rc =
        sqlite3_exec(db_, "SELECT 1 FROM sqlite_schema LIMIT 1", nullptr, nullptr, nullptr);
    return rc == SQLITE_OK;
}

void Database::openImmutable() {
    if (hasWalContent(filePath_))
        fail(QStringLiteral("Cannot read the database"));
    sqlite3_close_v2(db_);
    db_ = nullptr;
    QUrl uri = QUrl::fromLocalFile(QFileInfo(filePath_).absoluteFilePath());
    uri.setQuery(QStringLiteral("immutable=1"));
    openConnection(uri.toEncoded(), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

// Reads, never writes: a file that is not SQLite, is damaged, is locked or
// belongs to another program is reported before anything touches it.
void Database::checkExistingFile(const QList<TableDef>& ownTables) {
    const qint64 id = firstValue("PRAGMA application_id").toLongLong();
    const QStringList tables =
        firstValue("SELECT group_concat(name, char(10)) FROM sqlite_schema WHERE type = 'table'")
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QString verdict = firstValue("PRAGMA quick_check(1)");
    if (verdict != QLatin1String("ok")) {
        verdict.remove(QStringLiteral("*** in database main ***"));
        throw UserError(QStringLiteral("Cannot open the database \"%1\": the file is damaged (%2)")
                            .arg(filePath_, verdict.simplified()));
    }
    if (id == ApplicationId)
        return;
    if (id == 0 && (tables.isEmpty() || holdsExactly(tables, ownTables))) {
        stampWanted_ = true;
        return;
    }
    throw UserError(
        QStringLiteral("Cannot open the database \"%1\": the file belongs to another program")
            .arg(filePath_));
}

// True when every table of ours is there with exactly our layout. A table of
// ours with another layout is reported as such (verifyLayout throws), so the
// user learns which table differs.
bool Database::holdsExactly(const QStringList& tables, const QList<TableDef>& ownTables) {
    if (ownTables.isEmpty())
        return false;
    bool all = true;
    for (const TableDef& def : ownTables) {
        if (holds(tables, def.name))
            verifyLayout(*this, def);
        else
            all = false;
    }
    return all;
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
        throw UserError(QStringLiteral("Cannot open the database \"%1\": the file is read-only")
                            .arg(filePath_));
    if (firstValue("PRAGMA journal_mode=WAL").compare(QLatin1String("wal"), Qt::CaseInsensitive))
        throw UserError(QStringLiteral("Cannot open the database \"%1\": the file system does not "
                                       "allow its journal")
                            .arg(filePath_));
    // A process that dies keeps every committed row; only a power cut may
    // lose the last transactions, and never damages the file.
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    // Stamped once, so that a plain open of our own store changes no byte.
    if (stampWanted_)
        exec(QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId));
    stampWanted_ = false;
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
    if (batchDepth_ == 0) {
        lostWrites_.clear();
        exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ++batchDepth_;
}

void Database::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0)
        return;
    // SQLite ends the transaction itself after some failed writes (an I/O
    // error, a full disk): everything written in the batch is gone.
    if (sqlite3_get_autocommit(db_))
        writesLost(lastFailure_.isEmpty()
                       ? QStringLiteral("the database ended the transaction after an error")
                       : lastFailure_);
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return;
    writesLost(lastErrorText());
}

void Database::writesLost(const QString& reason) {
    rollBackQuietly();
    lostWrites_ = QStringLiteral("Cannot save the changes to \"%1\": %2. Nothing of this change "
                                 "was saved; the lists show what the database holds.")
                      .arg(filePath_, reason);
    if (onWritesLost_)
        onWritesLost_();
    throw UserError(lostWrites_);
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

QString Database::lastErrorText() const {
    const int code = sqlite3_extended_errcode(db_);
    QString reason = QString::fromUtf8(sqlite3_errmsg(db_));
    const int systemError = sqlite3_system_errno(db_);
    if (systemError != 0 && hasSystemReason(code))
        reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(systemError)));
    return reason;
}

void Database::fail(const QString& context) const {
    fail(context, lastErrorText());
}

void Database::fail(const QString& context, const QString& reason) const {
    const QString what = context.isEmpty() ? QStringLiteral("Database") : context;
    lastFailure_ = reason;
    throw UserError(QStringLiteral("%1 \"%2\": %3").arg(what, filePath_, reason));
}

} // namespace ink
