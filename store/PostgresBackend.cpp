// The connection to a server store: making it (again), the session, the
// transactions and savepoints, and the messages that say what went wrong.
#include "PostgresBackend.h"

#include <algorithm>
#include <libpq-fe.h>
#include <map>
#include <optional>
#include <vector>

#include "PostgresStatement.h"
#include "StoreError.h"
#include "TableSchema.h"

namespace ink {

namespace {

// How long a post waits for another user's transaction on the same row.
constexpr const char* LockTimeout = "15s";
// The lock every program takes (advisory, held to the end of the
// transaction) for a batch of writes; the number is this program's own.
constexpr const char* WriteLockSql = "SELECT pg_advisory_xact_lock(1231974402)";
// A batch waits longer than a post: another's build or refresh may run for a
// while, and waiting for it is what the user wants.
constexpr const char* WriteLockTimeout = "60s";

// libpq's text on one line, without its closing full stop (the message it
// goes into goes on after it).
QString trimmedMessage(const char* text) {
    QString message = QString::fromUtf8(text).simplified();
    while (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    return message;
}

// Ends a reason as a sentence ("...?" stays as it is).
QString sentence(const QString& reason) {
    return reason.endsWith(QLatin1Char('?')) ? reason : reason + QLatin1Char('.');
}

// Plain words for why a connection could not be made.
QString connectionFailure(const StoreAddress& address, const QString& reason) {
    const QString where = address.displayName();
    if (reason.contains(QLatin1String("password authentication failed")))
        return QStringLiteral("The server \"%1\" refused the password of user \"%2\". Type the "
                              "right password, or set it in ~/.pgpass.")
            .arg(address.server, address.user);
    if (reason.contains(QLatin1String("no password supplied")))
        return QStringLiteral("The server \"%1\" asks for the password of user \"%2\".")
            .arg(address.server, address.user);
    if (reason.contains(QLatin1String("does not exist")) &&
        reason.contains(QLatin1String("database")))
        return QStringLiteral("The server \"%1\" has no database \"%2\"; ask its administrator "
                              "to create it (an empty one).")
            .arg(address.server, address.database);
    if (reason.contains(QLatin1String("role")) && reason.contains(QLatin1String("does not exist")))
        return QStringLiteral("The server \"%1\" knows no user \"%2\".")
            .arg(address.server, address.user);
    if (reason.contains(QLatin1String("Connection refused")) ||
        reason.contains(QLatin1String("No such file or directory")) ||
        reason.contains(QLatin1String("could not translate host name")) ||
        reason.contains(QLatin1String("timeout expired")))
        return QStringLiteral("No database server answers at \"%1\" port %2: %3 Check the "
                              "server name and port, and that the server is running.")
            .arg(address.server, QString::number(address.port), sentence(reason));
    return QStringLiteral("Cannot connect to \"%1\": %2").arg(where, reason);
}

} // namespace

PostgresBackend::PostgresBackend(const StoreAddress& address, const QList<TableDef>& ownTables,
                                 StoreAccess access)
    : address_(address), name_(address.displayName()), access_(access) {
    connect();
    try {
        checkStore(ownTables, access);
    } catch (...) {
        PQfinish(conn_);
        throw;
    }
}

PostgresBackend::~PostgresBackend() {
    PQfinish(conn_);
}

void PostgresBackend::connect() {
    const auto parameters = address_.connectionParameters();
    std::vector<const char*> keywords;
    std::vector<const char*> values;
    for (const auto& [keyword, value] : parameters) {
        keywords.push_back(keyword.constData());
        values.push_back(value.constData());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectdbParams(keywords.data(), values.data(), 0);
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString reason = trimmedMessage(PQerrorMessage(conn));
        const bool needsPassword = PQconnectionNeedsPassword(conn) != 0 ||
                                   reason.contains(QLatin1String("password authentication failed"));
        PQfinish(conn);
        const QString message = connectionFailure(address_, reason);
        if (needsPassword)
            throw PasswordRequired(message);
        throw ServerUnreachable(message);
    }
    PQfinish(conn_);
    conn_ = conn;
    configureSession();
}

// Dates are exchanged in the one sortable text form the fields use.
void PostgresBackend::configureSession() {
    const QByteArray setup =
        QStringLiteral("SET client_encoding = 'UTF8'; SET DateStyle = ISO; "
                       "SET lock_timeout = '%1'; LISTEN %2;%3")
            .arg(QString::fromLatin1(LockTimeout), QString::fromLatin1(NotifyChannel),
                 access_ == StoreAccess::ReadOnly
                     ? QStringLiteral(" SET default_transaction_read_only "
                                      "= on;")
                     : QString())
            .toUtf8();
    PQclear(run(setup.constData()));
    ++generation_;
    // Whatever others wrote while the connection was away is unknown.
    ++othersChanges_;
}

PGconn* PostgresBackend::connection() {
    if (PQstatus(conn_) == CONNECTION_OK)
        return conn_;
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK)
        throw ServerUnreachable(
            QStringLiteral("Cannot reach the database server of \"%1\": %2 Nothing you typed is "
                           "lost; try again when the server is back.")
                .arg(name_, sentence(trimmedMessage(PQerrorMessage(conn_)))));
    configureSession();
    return conn_;
}

bool PostgresBackend::isConnected() const {
    return PQstatus(conn_) == CONNECTION_OK;
}

PGconn* PostgresBackend::readyConnection() {
    sendHeldRows();
    return connection();
}

void PostgresBackend::fail(PGresult* result) {
    QString reason = trimmedMessage(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
    if (reason.isEmpty())
        reason = trimmedMessage(PQerrorMessage(conn_));
    if (reason.startsWith(QLatin1String("ERROR:")))
        reason = reason.mid(6).trimmed();
    // data_corrupted and index_corrupted: the server met a page it cannot
    // trust, as SQLite reports a malformed one.
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const bool damaged = state && (qstrcmp(state, "XX001") == 0 || qstrcmp(state, "XX002") == 0);
    PQclear(result);
    lastFailure_ = reason;
    if (damaged)
        refuseAsDamaged(reason);
    if (PQstatus(conn_) != CONNECTION_OK)
        throw ServerUnreachable(
            QStringLiteral("Cannot reach the database server of \"%1\": %2 Nothing you typed is "
                           "lost; try again when the server is back.")
                .arg(name_, sentence(reason)));
    throw UserError(QStringLiteral("Database \"%1\": %2").arg(name_, reason));
}

PGresult* PostgresBackend::run(const char* sql) {
    PGresult* result = PQexec(readyConnection(), sql);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    return result;
}

void PostgresBackend::exec(const QString& sql) {
    PGresult* result = run(sql.toUtf8().constData());
    // Rows kept in memory must know of plain SQL that wrote, too.
    if (isWriteSql(sql))
        noteWritten(std::max<qint64>(1, QByteArray(PQcmdTuples(result)).toLongLong()));
    PQclear(result);
}

bool PostgresBackend::tableExists(const QString& table) {
    PostgresStatement query(*this, QStringLiteral("SELECT 1 FROM pg_tables WHERE schemaname = "
                                                  "current_schema() AND tablename = lower(?1)"));
    query.bindText(1, table);
    return query.step();
}

QStringList PostgresBackend::columnsOf(const QString& table) {
    PostgresStatement query(*this,
                            QStringLiteral("SELECT column_name FROM information_schema.columns "
                                           "WHERE table_schema = current_schema() AND "
                                           "table_name = lower(?1) ORDER BY ordinal_position"));
    query.bindText(1, table);
    QStringList names;
    while (query.step())
        names << query.textAt(0);
    return names;
}

// Names are kept as the server folds unquoted ones, in lower case, so SQL
// written with or without quotes finds the same table.
QString PostgresBackend::quoted(const QString& name) const {
    QString inner = name.toLower();
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

// One batch writes at a time, as SQLite's BEGIN IMMEDIATE has it: a build or
// a refresh reads what it is about to write only once it holds the lock, so
// two at once never both add the same rows; the second finds what the first
// left. Single posts do not take it: they check their row as they write it.
void PostgresBackend::begin() {
    beginTransaction();
    try {
        const QByteArray sql =
            QStringLiteral("SELECT set_config('lock_timeout', '%1', true); %2; "
                           "SELECT set_config('lock_timeout', '%3', true)")
                .arg(QString::fromLatin1(WriteLockTimeout), QString::fromLatin1(WriteLockSql),
                     QString::fromLatin1(LockTimeout))
                .toUtf8();
        PQclear(run(sql.constData()));
    } catch (const UserError&) {
        const bool timedOut = lastFailure_.contains(QLatin1String("lock timeout"));
        rollbackQuietly();
        if (timedOut)
            throw UserError(QStringLiteral("Another program is writing to \"%1\" (a build or a "
                                           "refresh); nothing was changed. Try again once it "
                                           "has finished.")
                                .arg(name_));
        throw;
    }
}

// Each transaction takes its auto-numbers ahead in blocks that start small
// again (see takeAutoNumber).
void PostgresBackend::beginTransaction() {
    for (const auto& held : held_)
        held->block = 1;
    exec(QStringLiteral("BEGIN"));
}

bool PostgresBackend::transactionEnded() {
    const PGTransactionStatusType status = PQtransactionStatus(conn_);
    return status != PQTRANS_INTRANS && status != PQTRANS_ACTIVE;
}

bool PostgresBackend::commit() {
    try {
        sendHeldRows();
    } catch (const UserError&) {
        return false; // the reason is lastFailure_
    }
    PGresult* result = PQexec(connection(), "COMMIT");
    // A transaction that failed earlier answers COMMIT with ROLLBACK.
    const bool committed =
        PQresultStatus(result) == PGRES_COMMAND_OK && QByteArray(PQcmdStatus(result)) == "COMMIT";
    if (!committed)
        lastFailure_ = PQresultStatus(result) == PGRES_COMMAND_OK
                           ? QStringLiteral("the server ended the transaction after an error")
                           : trimmedMessage(PQresultErrorMessage(result));
    PQclear(result);
    return committed;
}

void PostgresBackend::rollbackQuietly() {
    for (const auto& held : held_) {
        held->values.clear();
        held->rows = 0;
    }
    if (PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE)
        PQclear(PQexec(conn_, "ROLLBACK"));
}

bool PostgresBackend::inTransaction() {
    const PGTransactionStatusType status = PQtransactionStatus(conn_);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

void PostgresBackend::beginSnapshot() {
    exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    exec(QStringLiteral("SELECT 1")); // the snapshot starts with the first statement
}

// The server wants a BEGIN before a savepoint; one that began the
// transaction commits it when released.
void PostgresBackend::beginSavepoint() {
    const bool opens = !inTransaction();
    if (opens)
        beginTransaction();
    savepoints_.push_back(opens);
    try {
        exec(QStringLiteral("SAVEPOINT ink_step"));
    } catch (...) {
        savepoints_.pop_back();
        if (opens)
            rollbackQuietly();
        throw;
    }
}

// A release that fails leaves the savepoint open: its owner rolls it back.
bool PostgresBackend::releaseSavepoint() {
    const bool opened = !savepoints_.empty() && savepoints_.back();
    exec(QStringLiteral("RELEASE ink_step"));
    savepoints_.pop_back();
    if (!opened || commit())
        return true;
    const QString reason = lastErrorText();
    rollbackQuietly();
    lastFailure_ = reason;
    return false;
}

void PostgresBackend::rollBackSavepoint() {
    const bool opened = !savepoints_.empty() && savepoints_.back();
    savepoints_.pop_back();
    if (opened) {
        rollbackQuietly();
        return;
    }
    exec(QStringLiteral("ROLLBACK TO ink_step"));
    exec(QStringLiteral("RELEASE ink_step"));
}

// Others' commits arrive as notifications; ours are counted as rows written.
qint64 PostgresBackend::dataVersion() {
    if (PQstatus(conn_) != CONNECTION_OK)
        return othersChanges_;
    PQconsumeInput(conn_);
    const int own = PQbackendPID(conn_);
    while (PGnotify* note = PQnotifies(conn_)) {
        if (note->be_pid != own)
            ++othersChanges_;
        PQfreemem(note);
    }
    return othersChanges_;
}

QString PostgresBackend::lastErrorText() const {
    if (!lastFailure_.isEmpty())
        return lastFailure_;
    return trimmedMessage(PQerrorMessage(conn_));
}

// --- the SQL the engines differ in -----------------------------------------

QString PostgresBackend::rowIdColumn(const TableDef& def) const {
    const int field = autoNumberField(def);
    if (field < 0)
        throw UserError(
            QStringLiteral("%1: a table on a server needs an auto-number field").arg(def.name));
    return quoted(def.fields[field].name);
}

QString PostgresBackend::holdsValue(const FieldDef&, const QString& column,
                                    const QString& parameter) const {
    return QStringLiteral("%1 IS NOT DISTINCT FROM %2").arg(column, parameter);
}

QString PostgresBackend::sequenceOf(const TableDef& def) const {
    const int field = autoNumberField(def);
    return QStringLiteral("%1_%2_seq").arg(def.name, def.fields[field].name).toLower();
}

QString PostgresBackend::insertSql(const TableDef& def) const {
    QStringList columns;
    QStringList parameters;
    const int autoField = autoNumberField(def);
    for (int i = 0; i < def.fields.size(); ++i) {
        columns << quoted(def.fields[i].name);
        if (i == autoField)
            parameters << QStringLiteral("COALESCE(?%1, nextval('%2'))")
                              .arg(i + 1)
                              .arg(quoted(sequenceOf(def)));
        else
            parameters << QStringLiteral("?%1").arg(i + 1);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
        .arg(quoted(def.name), columns.join(", "), parameters.join(", "), rowIdColumn(def));
}

} // namespace ink
