#include "SqliteBackend.h"

#include <atomic>
#include <cstring>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>
#include <utility>
#include <vector>

#include "RegularFile.h"
#include "SqliteStatement.h"
#include "TableSchema.h"
#include "UserError.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ink {

namespace {

// Stamped into the header of every database this program creates ("Inkw"),
// so a file of another program is never mistaken for ours.
constexpr int ApplicationId = 0x496E6B77;

// How long to wait for another program's lock before reporting "locked".
constexpr int BusyTimeoutMs = 3000;
// How long a batch (a build, a refresh, a removal) waits for the write lock
// another program holds: a minute, as on a server, since what holds it is
// mostly another build or refresh that will end.
std::atomic<int> writeLockWaitMs{60000};

// Where the write lock of a WAL database is kept: one byte of its
// shared-memory file, which SQLite locks on Unix with the system's record
// locks (the lock bytes begin at 120; the write lock is the first).
constexpr off_t WalWriteLockByte = 120;

// Who holds the write lock, as far as the system tells: "inkwright-tool,
// process 4242", or empty when it does not (another system, a lock of a
// kind that names no process, a holder that has gone).
QString writeLockHolder(const QString& filePath) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(filePath + QStringLiteral("-shm")).constData(),
                          O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = WalWriteLockByte;
    query.l_len = 1;
    const bool asked = ::fcntl(fd, F_GETLK, &query) == 0;
    ::close(fd);
    if (!asked || query.l_type == F_UNLCK || query.l_pid <= 0)
        return {};
    QString program;
    QFile comm(QStringLiteral("/proc/%1/comm").arg(query.l_pid));
    if (comm.open(QIODevice::ReadOnly))
        program = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return program.isEmpty() ? QStringLiteral("process %1").arg(query.l_pid)
                             : QStringLiteral("%1, process %2").arg(program).arg(query.l_pid);
#else
    Q_UNUSED(filePath);
    return {};
#endif
}

} // namespace

void SetSqliteWriteLockWait(int milliseconds) {
    writeLockWaitMs = milliseconds;
}

namespace {

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

// True when the primary index is the auto-number alone: SQLite's own key.
bool indexIsRowKey(const TableDef& def) {
    const int autoField = autoNumberField(def);
    return autoField >= 0 && def.primaryIndex.fields.size() == 1 &&
           def.indexOf(def.primaryIndex.fields.first()) == autoField;
}

// The declared column type of a field, e.g. VARCHAR(50). SQLite keeps any
// value in any column; the type is what a reader of the file sees, and what
// a stored table's layout is checked against.
QString columnType(const FieldDef& field) {
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Text:
        return QStringLiteral("VARCHAR(%1)").arg(field.size);
    case FieldType::DateTime:
        return QStringLiteral("DATETIME");
    case FieldType::Boolean:
        return QStringLiteral("BOOLEAN");
    case FieldType::Memo:
        return QStringLiteral("TEXT");
    }
    return {};
}

QString describe(const QString& name, const QString& type) {
    return QStringLiteral("\"%1\" %2").arg(name, type);
}

} // namespace

SqliteBackend::SqliteBackend(const QString& filePath, const QList<TableDef>& ownTables,
                             StoreAccess access)
    : filePath_(filePath) {
    using Access = StoreAccess;
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
        if (access == Access::ReadOnly) {
            opened_ = true;
            return;
        }
        if (existed)
            checkExistingFile(ownTables);
        else
            stampWanted_ = true;
        prepareForWriting();
        opened_ = true;
    } catch (...) {
        sqlite3_close_v2(db_);
        throw;
    }
}

SqliteBackend::~SqliteBackend() {
    dataVersion_.reset();
    held_.clear();
    sqlite3_close_v2(db_);
}

// The journal and its shared memory live beside the file, so writing needs
// the folder, not just the file.
void SqliteBackend::requireWritableFolder() const {
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (!QFileInfo(folder).isWritable())
        throw UserError(QStringLiteral("Cannot open the database \"%1\": the folder \"%2\" is "
                                       "not writable; choose a folder you may write to")
                            .arg(filePath_, QDir::toNativeSeparators(folder)));
}

void SqliteBackend::openFile(StoreAccess access) {
    // Create only a missing file: an existing one must be opened as it is.
    const bool exists = QFileInfo::exists(filePath_);
    const int flags = access == StoreAccess::ReadOnly
                          ? SQLITE_OPEN_READONLY
                          : SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE);
    openConnection(QFile::encodeName(filePath_), flags);
    if (access == StoreAccess::ReadOnly && !canRead())
        openImmutable();
}

void SqliteBackend::openConnection(const QByteArray& name, int flags) {
    // SQLite counts the memory it holds under a global lock taken for every
    // allocation, and a build allocates for every row; this program never
    // asks for the count. Set before the engine starts, or not at all.
    static const bool uncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    Q_UNUSED(uncounted);
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
bool SqliteBackend::canRead() {
    const int rc =
        sqlite3_exec(db_, "SELECT 1 FROM sqlite_schema LIMIT 1", nullptr, nullptr, nullptr);
    return rc == SQLITE_OK;
}

void SqliteBackend::openImmutable() {
    if (hasWalContent(filePath_))
        fail(QStringLiteral("Cannot read the database"));
    sqlite3_close_v2(db_);
    db_ = nullptr;
    QUrl uri = QUrl::fromLocalFile(QFileInfo(filePath_).absoluteFilePath());
    uri.setQuery(QStringLiteral("immutable=1"));
    openConnection(uri.toEncoded(), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

// Reads, never writes: a file that is not SQLite, has a damaged header or
// schema, is locked or belongs to another program is reported before
// anything touches it. Only the header and the schema are read, so an open
// costs the same for any size of store; damage deeper in the file surfaces
// as SQLite's own error on the first read that meets it, and a full check
// is checkIntegrity()'s, on request.
void SqliteBackend::checkExistingFile(const QList<TableDef>& ownTables) {
    // SQLite takes an empty file as an empty database and would write a new
    // store over it; but an empty file is no more ours than any other
    // (a store cut short, another program's placeholder), so it stays as it is.
    if (QFileInfo(filePath_).size() == 0)
        throw UserError(QStringLiteral("Cannot open the database \"%1\": the file is empty, "
                                       "not a database of this program; it is left as it is. "
                                       "Move it away to start a new store here")
                            .arg(filePath_));
    const qint64 id = firstValue("PRAGMA application_id").toLongLong();
    const QStringList tables =
        firstValue("SELECT group_concat(name, char(10)) FROM sqlite_schema WHERE type = 'table'")
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
bool SqliteBackend::holdsExactly(const QStringList& tables, const QList<TableDef>& ownTables) {
    if (ownTables.isEmpty())
        return false;
    bool all = true;
    for (const TableDef& def : ownTables) {
        if (holds(tables, def.name))
            verifyLayout(def);
        else if (!def.addedLater)
            all = false;
    }
    return all;
}

QString SqliteBackend::firstValue(const char* sql) {
    writeHeldRows();
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

void SqliteBackend::prepareForWriting() {
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
    // An insert that feeds the search index's triggers needs a statement
    // journal. On disk, one that has once grown past SQLite's spill size
    // stays a file for the rest of the transaction, and a build then writes
    // it for every row; in memory it holds only the pages of one statement.
    exec(QStringLiteral("PRAGMA temp_store=MEMORY"));
    // Stamped once, so that a plain open of our own store changes no byte.
    if (stampWanted_)
        exec(QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId));
    stampWanted_ = false;
}

std::unique_ptr<BackendStatement> SqliteBackend::prepare(const QString& sql) {
    return std::make_unique<SqliteStatement>(*this, sql);
}

void SqliteBackend::exec(const QString& sql) {
    writeHeldRows();
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QString());
}

bool SqliteBackend::tableExists(const QString& table) {
    SqliteStatement query(*this, QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = "
                                                "'table' AND name = ?1 COLLATE NOCASE"));
    query.bindText(1, table);
    return query.step();
}

QStringList SqliteBackend::columnsOf(const QString& table) {
    SqliteStatement info(*this, QStringLiteral("SELECT name FROM pragma_table_info(?1)"));
    info.bindText(1, table);
    QStringList names;
    while (info.step())
        names << info.textAt(0);
    return names;
}

QString SqliteBackend::quoted(const QString& name) const {
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

void SqliteBackend::begin() {
    dropHeldRows();
    sqlite3_busy_timeout(db_, writeLockWaitMs.load());
    const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db_, BusyTimeoutMs);
    if (rc != SQLITE_OK) {
        if ((sqlite3_extended_errcode(db_) & 0xff) != SQLITE_BUSY)
            fail(QString());
        // SQLite names no holder; the system may.
        const QString holder = writeLockHolder(filePath_);
        lastFailure_ = lastErrorText();
        throw UserError(
            QStringLiteral("Another program%1 is writing to \"%2\" (it held the store's write "
                           "lock for the %3 seconds waited); nothing was changed. Try again once "
                           "it has finished.")
                .arg(holder.isEmpty() ? QString() : QStringLiteral(" (") + holder + u')', filePath_)
                .arg(QString::number(writeLockWaitMs.load() / 1000.0, 'g', 3)));
    }
    try {
        deferIndexing();
    } catch (...) {
        rollbackQuietly();
        throw;
    }
}

// SQLite ends the transaction itself after some failed writes (an I/O
// error, a full disk): everything written in it is gone.
bool SqliteBackend::transactionEnded() {
    return sqlite3_get_autocommit(db_) != 0;
}

bool SqliteBackend::commit() {
    try {
        writeHeldRows();
    } catch (const UserError&) {
        return false; // SQLite's error is the connection's last
    }
    return indexDeferredRows() &&
           sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SqliteBackend::rollbackQuietly() {
    indexDeferred_ = false;
    suspendedTriggers_.clear(); // the rollback puts them back
    dropHeldRows();
    if (!sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteBackend::inTransaction() {
    return sqlite3_get_autocommit(db_) == 0;
}

void SqliteBackend::beginSnapshot() {
    exec(QStringLiteral("BEGIN"));
    exec(QStringLiteral("SELECT 1 FROM sqlite_schema LIMIT 0")); // starts the snapshot
}

// SQLite opens a transaction for a savepoint by itself.
void SqliteBackend::beginSavepoint() {
    exec(QStringLiteral("SAVEPOINT ink_step"));
}

bool SqliteBackend::releaseSavepoint() {
    exec(QStringLiteral("RELEASE ink_step"));
    return true;
}

void SqliteBackend::rollBackSavepoint() {
    exec(QStringLiteral("ROLLBACK TO ink_step"));
    forgetNextNumbers();
    exec(QStringLiteral("RELEASE ink_step"));
}

quint64 SqliteBackend::rowsWritten() {
    return quint64(sqlite3_total_changes64(db_) + heldCount_);
}

qint64 SqliteBackend::dataVersion() {
    if (!dataVersion_)
        dataVersion_ = prepare(QStringLiteral("PRAGMA data_version"));
    dataVersion_->step();
    const qint64 version = dataVersion_->integerAt(0);
    dataVersion_->reset(false);
    return version;
}

QString SqliteBackend::lastErrorText() const {
    const int code = sqlite3_extended_errcode(db_);
    QString reason = QString::fromUtf8(sqlite3_errmsg(db_));
    const int systemError = sqlite3_system_errno(db_);
    if (systemError != 0 && hasSystemReason(code))
        reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(systemError)));
    return reason;
}

void SqliteBackend::fail(const QString& context) const {
    fail(context, lastErrorText());
}

void SqliteBackend::fail(const QString& context, const QString& reason) const {
    fail(context, reason, db_ ? sqlite3_extended_errcode(db_) : SQLITE_ERROR);
}

void SqliteBackend::fail(const QString& context, const QString& reason, int resultCode) const {
    lastFailure_ = reason;
    // A file that is not a database at all is foreign until it was opened as
    // ours; from then on, as a damaged page, it is damage.
    const int primary = resultCode & 0xff;
    if (primary == SQLITE_CORRUPT || (primary == SQLITE_NOTADB && opened_))
        refuseAsDamaged(reason);
    const QString what = context.isEmpty() ? QStringLiteral("Database") : context;
    throw UserError(QStringLiteral("%1 \"%2\": %3").arg(what, filePath_, reason));
}

// --- the SQL the engines differ in ----------------------------------------

QString SqliteBackend::rowIdColumn(const TableDef&) const {
    return QStringLiteral("rowid");
}

// Dates are compared as moments, since older rows may hold another spelling.
QString SqliteBackend::holdsValue(const FieldDef& field, const QString& column,
                                  const QString& parameter) const {
    if (field.type == FieldType::DateTime)
        return QStringLiteral("datetime(%1) IS datetime(%2)").arg(column, parameter);
    return QStringLiteral("%1 IS %2").arg(column, parameter);
}

QString SqliteBackend::insertSql(const TableDef& def) const {
    QStringList columns;
    QStringList parameters;
    for (int i = 0; i < def.fields.size(); ++i) {
        columns << quoted(def.fields[i].name);
        parameters << QStringLiteral("?%1").arg(i + 1);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(quoted(def.name), columns.join(", "), parameters.join(", "));
}

std::unique_ptr<BackendStatement> SqliteBackend::prepareDirectInsert(const TableDef& def) {
    return std::make_unique<SqliteInsert>(*this, insertSql(def));
}

// --- the tables' layout ---------------------------------------------------
//
// The one auto-number field becomes the table's INTEGER PRIMARY KEY
// AUTOINCREMENT, so its numbers are unique in the whole table and never given
// out again, even after deletes; the primary index becomes a unique index of
// that name.

namespace {

QString columnDefinition(const TableDef& def, const FieldDef& field, const SqliteBackend& db) {
    QString column = db.quoted(field.name) + QLatin1Char(' ') + columnType(field);
    if (field.type == FieldType::AutoInc)
        column += QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
    else if (def.notNullFields.contains(field.name, Qt::CaseInsensitive))
        column += QStringLiteral(" NOT NULL");
    return column;
}

} // namespace

QStringList SqliteBackend::createStatements(const TableDef& def) {
    QStringList columns;
    for (const FieldDef& field : def.fields)
        columns << columnDefinition(def, field, *this);
    QStringList statements{
        QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(def.name), columns.join(", "))};
    if (!def.primaryIndex.fields.isEmpty() && !indexIsRowKey(def)) {
        QStringList keys;
        for (const QString& field : def.primaryIndex.fields)
            keys << quoted(field);
        statements << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                          .arg(quoted(def.primaryIndex.name), quoted(def.name), keys.join(", "));
    }
    return statements;
}

void SqliteBackend::differentLayout(const TableDef& def, const QString& detail) const {
    throw UserError(QStringLiteral("The table \"%1\" in \"%2\" has a different layout: %3")
                        .arg(def.name, filePath_, detail));
}

QList<FieldDef> SqliteBackend::verifyFields(const TableDef& def) {
    SqliteStatement info(*this, QStringLiteral("PRAGMA table_info(%1)").arg(quoted(def.name)));
    int position = 0;
    while (info.step()) {
        const QString name = info.textAt(1);
        const QString type = info.textAt(2);
        if (position >= def.fields.size())
            differentLayout(def,
                            QStringLiteral("it has an extra field %1").arg(describe(name, type)));
        const FieldDef& field = def.fields[position];
        const bool keyMatches = (field.type == FieldType::AutoInc) == (info.integerAt(5) == 1);
        if (name.compare(field.name, Qt::CaseInsensitive) != 0 ||
            type.compare(columnType(field), Qt::CaseInsensitive) != 0 || !keyMatches)
            differentLayout(
                def, QStringLiteral("field %1 is %2, expected %3")
                         .arg(position + 1)
                         .arg(describe(name, type), describe(field.name, columnType(field))));
        ++position;
    }
    QList<FieldDef> missing;
    for (int i = position; i < def.fields.size(); ++i) {
        const FieldDef& field = def.fields[i];
        if (!field.addedLater)
            differentLayout(def, QStringLiteral("field %1 %2 is missing")
                                     .arg(i + 1)
                                     .arg(describe(field.name, columnType(field))));
        missing << field;
    }
    return missing;
}

void SqliteBackend::verifyIndex(const TableDef& def) {
    if (def.primaryIndex.fields.isEmpty() || indexIsRowKey(def))
        return;
    SqliteStatement info(
        *this, QStringLiteral("PRAGMA index_info(%1)").arg(quoted(def.primaryIndex.name)));
    QStringList stored;
    while (info.step())
        stored << info.textAt(2);
    if (stored.join(QLatin1Char(','))
            .compare(def.primaryIndex.fields.join(QLatin1Char(',')), Qt::CaseInsensitive) != 0)
        differentLayout(def, QStringLiteral("the index \"%1\" on (%2) is missing")
                                 .arg(def.primaryIndex.name, def.primaryIndex.fields.join(", ")));
}

QList<FieldDef> SqliteBackend::verifyLayout(const TableDef& def) {
    QList<FieldDef> missing = verifyFields(def);
    verifyIndex(def);
    return missing;
}

void SqliteBackend::addFields(const TableDef& def, const QList<FieldDef>& fields) {
    for (const FieldDef& field : fields)
        exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                 .arg(quoted(def.name), columnDefinition(def, field, *this)));
}

// SQLite's AUTOINCREMENT already goes on after the highest number written.
void SqliteBackend::syncAutoNumbers(const TableDef&) {}

} // namespace ink
