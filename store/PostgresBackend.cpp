#include "PostgresBackend.h"

#include <algorithm>
#include <libpq-fe.h>
#include <map>
#include <optional>
#include <vector>

#include "StoreError.h"
#include "TableSchema.h"

namespace ink {

namespace {

// The table that marks a server database as this program's store.
constexpr const char* MarkTable = "inkwright_store";
// The channel every write notifies; the payload names the table.
constexpr const char* Channel = "inkwright_changes";
// How long a post waits for another user's transaction on the same row.
constexpr const char* LockTimeout = "15s";
// Locks every program takes on the database (advisory, held to the end of
// the transaction): one for making the store's tables, one for a batch of
// writes. The numbers are this program's own.
constexpr const char* SetupLockSql = "SELECT pg_advisory_xact_lock(1231974401)";
constexpr const char* WriteLockSql = "SELECT pg_advisory_xact_lock(1231974402)";
// A batch waits longer than a post: another's build or refresh may run for a
// while, and waiting for it is what the user wants.
constexpr const char* WriteLockTimeout = "60s";

// Whether anything of the database's own (a table, a view, a sequence, a
// function, a type, an operator ...) lives in a schema other than the
// system's. Other sessions' temporary schemas are theirs, not the database's.
constexpr const char* HoldsObjectsSql =
    "WITH own AS (SELECT oid FROM pg_namespace WHERE nspname NOT IN ('pg_catalog', "
    "'information_schema') AND nspname NOT LIKE 'pg\\_toast%' AND nspname NOT LIKE "
    "'pg\\_temp\\_%') "
    "SELECT EXISTS (SELECT 1 FROM pg_class WHERE relnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_proc WHERE pronamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_type WHERE typnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_operator WHERE oprnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_collation WHERE collnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_conversion WHERE connamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_opfamily WHERE opfnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_ts_config WHERE cfgnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_ts_dict WHERE dictnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_ts_parser WHERE prsnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_ts_template WHERE tmplnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_statistic_ext WHERE stxnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_extension WHERE extnamespace IN (SELECT oid FROM own))";

// libpq's text on one line, without its closing full stop (the message it
// goes into goes on after it).
QString trimmedMessage(const char* text) {
    QString message = QString::fromUtf8(text).simplified();
    while (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    return message;
}

QString serverColumnType(const FieldDef& field) {
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Text:
        return QStringLiteral("VARCHAR(%1)").arg(field.size);
    case FieldType::DateTime:
        return QStringLiteral("TIMESTAMP(0)");
    case FieldType::Boolean:
        return QStringLiteral("BOOLEAN");
    case FieldType::Memo:
        return QStringLiteral("TEXT");
    }
    return {};
}

// The type as the server's catalogue spells it back (format_type).
QString storedType(const FieldDef& field) {
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return QStringLiteral("integer");
    case FieldType::Text:
        return QStringLiteral("character varying(%1)").arg(field.size);
    case FieldType::DateTime:
        return QStringLiteral("timestamp(0) without time zone");
    case FieldType::Boolean:
        return QStringLiteral("boolean");
    case FieldType::Memo:
        return QStringLiteral("text");
    }
    return {};
}

// A string literal of the server's SQL.
QString literal(const QString& text) {
    QString inner = text;
    inner.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

bool isWrite(const QString& sql) {
    const QString start = sql.trimmed().left(6).toUpper();
    return start == QLatin1String("INSERT") || start == QLatin1String("UPDATE") ||
           start == QLatin1String("DELETE");
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

class PostgresStatement final : public BackendStatement {
public:
    PostgresStatement(PostgresBackend& db, const QString& sql) : db_(db), write_(isWrite(sql)) {
        std::vector<int> numbers;
        sql_ = PostgresBackend::serverSql(sql, &numbers);
        parameterCount_ = int(numbers.size());
        for (int k = 0; k < parameterCount_; ++k)
            slotOf_[numbers[size_t(k)]] = k;
        static quint64 counter = 0;
        name_ = "ink_" + QByteArray::number(++counter);
        values_.resize(size_t(parameterCount_));
        prepareOnServer();
    }
    ~PostgresStatement() override {
        clearResult();
        // A statement of an earlier connection died with it; on a lost one
        // there is nothing to free, and no new connection is made for it.
        if (preparedOn_ == db_.generation() && db_.isConnected())
            PQclear(PQexec(db_.rawConnection(), ("DEALLOCATE " + name_).constData()));
    }

    void bindNull(int parameter) override { slot(parameter).reset(); }
    void bindInteger(int parameter, qint64 value) override {
        slot(parameter) = QByteArray::number(value);
    }
    void bindText(int parameter, const QString& text) override {
        // libpq sends the value as a C string: the server would keep only
        // what comes before a NUL. Callers that know the row say which.
        if (text.contains(QChar(0)))
            throw UserError(QStringLiteral("Database \"%1\": a text to store holds a NUL "
                                           "character, which a server store cannot keep in text")
                                .arg(db_.name()));
        slot(parameter) = text.toUtf8();
    }

    bool step() override {
        if (!result_)
            execute();
        return ++row_ < PQntuples(result_);
    }
    void reset(bool keepBindings) override {
        clearResult();
        if (!keepBindings)
            for (auto& value : values_)
                value.reset();
    }

    qint64 integerAt(int column) const override {
        const char* text = PQgetvalue(result_, row_, column);
        if (text[0] == 't' && text[1] == 0) // a boolean
            return 1;
        if (text[0] == 'f' && text[1] == 0)
            return 0;
        return QByteArray(text).toLongLong();
    }
    QString textAt(int column) const override {
        return QString::fromUtf8(PQgetvalue(result_, row_, column),
                                 PQgetlength(result_, row_, column));
    }
    bool isNullAt(int column) const override { return PQgetisnull(result_, row_, column) != 0; }
    qint64 rowsChanged() const override { return changed_; }

private:
    // A number the SQL does not use takes its value nowhere, as in SQLite.
    std::optional<QByteArray>& slot(int parameter) {
        const auto found = slotOf_.find(parameter);
        if (found == slotOf_.end()) {
            unused_.reset();
            return unused_;
        }
        return values_[size_t(found->second)];
    }

    void prepareOnServer() {
        PGconn* conn = db_.connection();
        PGresult* result =
            PQprepare(conn, name_.constData(), sql_.constData(), parameterCount_, nullptr);
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            db_.fail(result);
        PQclear(result);
        preparedOn_ = db_.generation();
    }

    void execute() {
        PGconn* conn = db_.readyConnection();
        if (preparedOn_ != db_.generation())
            prepareOnServer();
        std::vector<const char*> pointers(values_.size());
        for (size_t i = 0; i < values_.size(); ++i)
            pointers[i] = values_[i] ? values_[i]->constData() : nullptr;
        PGresult* result = PQexecPrepared(conn, name_.constData(), parameterCount_, pointers.data(),
                                          nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            for (auto& value : values_)
                value.reset();
            db_.fail(result);
        }
        result_ = result;
        row_ = -1;
        changed_ = write_ ? QByteArray(PQcmdTuples(result)).toLongLong() : 0;
        db_.noteWritten(changed_);
    }

    void clearResult() {
        PQclear(result_);
        result_ = nullptr;
        row_ = -1;
    }

    PostgresBackend& db_;
    QByteArray sql_;
    int parameterCount_ = 0;
    bool write_;
    QByteArray name_;
    quint64 preparedOn_ = 0;
    std::vector<std::optional<QByteArray>> values_;
    std::map<int, int> slotOf_; // the SQL's ?N -> the server's $k - 1
    std::optional<QByteArray> unused_;
    PGresult* result_ = nullptr;
    int row_ = -1;
    qint64 changed_ = 0;
};

unsigned int typeOid(const FieldDef& field) {
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return 23; // int4
    case FieldType::Text:
        return 1043; // varchar
    case FieldType::DateTime:
        return 1114; // timestamp
    case FieldType::Boolean:
        return 16; // bool
    case FieldType::Memo:
        return 25; // text
    }
    return 0;
}

} // namespace

struct PostgresBackend::HeldRows {
    QString table;
    QByteArray head; // INSERT INTO t (columns) VALUES
    std::vector<unsigned int> types;
    int autoField = -1;
    QByteArray sequence;
    std::vector<std::optional<QByteArray>> values; // row after row
    int rows = 0;
    std::vector<qint64> numbers; // taken ahead, used from the back
};

namespace {

// An insert that, inside a transaction, holds its row back (see HeldRows)
// and answers with the row's auto-number at once; outside one it is an
// ordinary insert, written before it returns.
class HeldInsertStatement final : public BackendStatement {
public:
    HeldInsertStatement(PostgresBackend& db, const TableDef& def)
        : db_(db), held_(db.heldRowsOf(def)), now_(db, db.insertSql(def)),
          values_(held_.types.size()) {}

    void bindNull(int parameter) override {
        now_.bindNull(parameter);
        value(parameter).reset();
    }
    void bindInteger(int parameter, qint64 number) override {
        now_.bindInteger(parameter, number);
        value(parameter) = QByteArray::number(number);
    }
    void bindText(int parameter, const QString& text) override {
        now_.bindText(parameter, text);
        value(parameter) = text.toUtf8();
    }

    bool step() override {
        if (direct_)
            return now_.step();
        if (done_)
            return false;
        if (!db_.inTransaction()) {
            direct_ = true;
            return now_.step();
        }
        auto& number = values_[size_t(held_.autoField)];
        number_ = number ? number->toLongLong() : db_.takeAutoNumber(held_);
        number = QByteArray::number(number_);
        db_.hold(held_, values_);
        done_ = true;
        return true;
    }
    void reset(bool keepBindings) override {
        now_.reset(keepBindings);
        direct_ = false;
        done_ = false;
        if (!keepBindings)
            for (auto& v : values_)
                v.reset();
    }
    qint64 integerAt(int column) const override {
        return direct_ ? now_.integerAt(column) : number_;
    }
    QString textAt(int column) const override {
        return direct_ ? now_.textAt(column) : QString::number(number_);
    }
    bool isNullAt(int column) const override { return direct_ && now_.isNullAt(column); }
    qint64 rowsChanged() const override { return direct_ ? now_.rowsChanged() : 1; }

private:
    std::optional<QByteArray>& value(int parameter) {
        if (parameter < 1 || parameter > int(values_.size())) {
            unused_.reset();
            return unused_;
        }
        return values_[size_t(parameter - 1)];
    }

    PostgresBackend& db_;
    PostgresBackend::HeldRows& held_;
    PostgresStatement now_;
    std::vector<std::optional<QByteArray>> values_;
    std::optional<QByteArray> unused_;
    bool direct_ = false;
    bool done_ = false;
    qint64 number_ = 0;
};

} // namespace

PostgresBackend::PostgresBackend(const StoreAddress& address, const QList<TableDef>& ownTables,
                                 Database::Access access)
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
            .arg(QString::fromLatin1(LockTimeout), QString::fromLatin1(Channel),
                 access_ == Database::Access::ReadOnly
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

std::unique_ptr<BackendStatement> PostgresBackend::prepareInsert(const TableDef& def) {
    if (autoNumberField(def) < 0)
        return prepare(insertSql(def));
    return std::make_unique<HeldInsertStatement>(*this, def);
}

PostgresBackend::HeldRows& PostgresBackend::heldRowsOf(const TableDef& def) {
    for (const auto& held : held_)
        if (held->table == def.name)
            return *held;
    auto held = std::make_unique<HeldRows>();
    held->table = def.name;
    QStringList columns;
    for (const FieldDef& field : def.fields) {
        columns << quoted(field.name);
        held->types.push_back(typeOid(field));
    }
    held->head = QStringLiteral("INSERT INTO %1 (%2) VALUES ")
                     .arg(quoted(def.name), columns.join(", "))
                     .toUtf8();
    held->autoField = autoNumberField(def);
    held->sequence = quoted(sequenceOf(def)).toUtf8();
    held_.push_back(std::move(held));
    return *held_.back();
}

qint64 PostgresBackend::takeAutoNumber(HeldRows& held) {
    if (held.numbers.empty()) {
        const QByteArray sql =
            "SELECT nextval('" + held.sequence + "') FROM generate_series(1, 512) ORDER BY 1 DESC";
        PGresult* result = PQexec(connection(), sql.constData());
        if (PQresultStatus(result) != PGRES_TUPLES_OK)
            fail(result);
        for (int row = 0; row < PQntuples(result); ++row)
            held.numbers.push_back(QByteArray(PQgetvalue(result, row, 0)).toLongLong());
        PQclear(result);
    }
    const qint64 number = held.numbers.back();
    held.numbers.pop_back();
    return number;
}

void PostgresBackend::hold(HeldRows& held, std::vector<std::optional<QByteArray>> values) {
    for (auto& value : values)
        held.values.push_back(std::move(value));
    ++held.rows;
    noteWritten(1);
    if (held.rows >= 1000)
        sendHeldRows();
}

// One INSERT of many rows per table, in the order the tables were first
// written; the server learns each column's type from the statement.
void PostgresBackend::sendHeldRows() {
    if (sending_)
        return;
    sending_ = true;
    for (const auto& held : held_) {
        const int columns = int(held->types.size());
        const int perStatement = std::max(1, std::min(1000, 30000 / std::max(columns, 1)));
        for (int first = 0; first < held->rows; first += perStatement) {
            const int rows = std::min(perStatement, held->rows - first);
            QByteArray sql = held->head;
            std::vector<const char*> pointers;
            std::vector<unsigned int> types;
            for (int row = 0; row < rows; ++row) {
                sql += row == 0 ? "(" : ", (";
                for (int column = 0; column < columns; ++column) {
                    const auto& value = held->values[size_t((first + row) * columns + column)];
                    pointers.push_back(value ? value->constData() : nullptr);
                    types.push_back(held->types[size_t(column)]);
                    sql += (column == 0 ? "$" : ", $") +
                           QByteArray::number(row * columns + column + 1);
                }
                sql += ')';
            }
            PGresult* result = PQexecParams(conn_, sql.constData(), int(pointers.size()),
                                            types.data(), pointers.data(), nullptr, nullptr, 0);
            if (PQresultStatus(result) != PGRES_COMMAND_OK) {
                for (const auto& each : held_) {
                    each->values.clear();
                    each->rows = 0;
                }
                sending_ = false;
                fail(result);
            }
            PQclear(result);
        }
        held->values.clear();
        held->rows = 0;
    }
    sending_ = false;
}

void PostgresBackend::fail(PGresult* result) {
    QString reason = trimmedMessage(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
    if (reason.isEmpty())
        reason = trimmedMessage(PQerrorMessage(conn_));
    if (reason.startsWith(QLatin1String("ERROR:")))
        reason = reason.mid(6).trimmed();
    PQclear(result);
    lastFailure_ = reason;
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

QByteArray PostgresBackend::serverSql(const QString& sql, std::vector<int>* parameterNumbers) {
    QString out;
    out.reserve(sql.size() + 16);
    std::vector<int> used; // the server's $k is used[k - 1] here
    auto serverNumber = [&used](int number) {
        const auto found = std::find(used.begin(), used.end(), number);
        if (found != used.end())
            return int(found - used.begin()) + 1;
        used.push_back(number);
        return int(used.size());
    };
    int highest = 0;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out += c;
            continue;
        }
        if (c != QLatin1Char('?')) {
            out += c;
            continue;
        }
        qsizetype end = i + 1;
        while (end < sql.size() && sql[end].isDigit())
            ++end;
        const int number = end > i + 1 ? sql.mid(i + 1, end - i - 1).toInt() : highest + 1;
        highest = std::max(highest, number);
        out += QLatin1Char('$') + QString::number(serverNumber(number));
        i = end - 1;
    }
    // SQLite's "no limit" is a limit of -1.
    out.replace(QLatin1String("LIMIT -1"), QLatin1String("LIMIT ALL"));
    if (parameterNumbers)
        *parameterNumbers = used;
    return out.toUtf8();
}

bool PostgresBackend::isMarked() {
    return tableExists(QString::fromLatin1(MarkTable));
}

bool PostgresBackend::holdsObjects() {
    PGresult* result = run(HoldsObjectsSql);
    const bool holds = PQntuples(result) == 1 && PQgetvalue(result, 0, 0)[0] == 't';
    PQclear(result);
    return holds;
}

// A database is ours when it carries our mark. An empty one becomes ours; any
// other is refused before anything is written to it. Two programs that meet
// a new database at once make the mark one after the other: the second finds
// it made.
void PostgresBackend::checkStore(const QList<TableDef>& ownTables, Database::Access access) {
    Q_UNUSED(ownTables);
    if (isMarked())
        return;
    const UserError notOurs(QStringLiteral("The database \"%1\" is not an Inkwright database "
                                           "and not empty; choose an empty database, or one "
                                           "Inkwright made")
                                .arg(name_));
    if (access == Database::Access::ReadOnly) {
        if (holdsObjects())
            throw notOurs;
        throw UserError(
            QStringLiteral("The database \"%1\" holds no documentation yet").arg(name_));
    }
    exec(QStringLiteral("BEGIN"));
    try {
        PQclear(run(SetupLockSql));
        if (!isMarked()) {
            if (holdsObjects())
                throw notOurs;
            exec(QStringLiteral("CREATE TABLE %1 (format INTEGER NOT NULL); INSERT INTO %1 "
                                "VALUES (1); CREATE OR REPLACE FUNCTION inkwright_notify() "
                                "RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN PERFORM "
                                "pg_notify('%2', TG_TABLE_NAME); RETURN NULL; END $body$")
                     .arg(QString::fromLatin1(MarkTable), QString::fromLatin1(Channel)));
        }
    } catch (...) {
        rollbackQuietly();
        throw;
    }
    if (!commit()) {
        const QString reason = lastFailure_;
        rollbackQuietly();
        throw UserError(QStringLiteral("Cannot make the store in \"%1\": %2").arg(name_, reason));
    }
}

std::unique_ptr<BackendStatement> PostgresBackend::prepare(const QString& sql) {
    return std::make_unique<PostgresStatement>(*this, sql);
}

void PostgresBackend::exec(const QString& sql) {
    PGresult* result = run(sql.toUtf8().constData());
    // Rows kept in memory must know of plain SQL that wrote, too.
    if (isWrite(sql))
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
    exec(QStringLiteral("BEGIN"));
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
        exec(QStringLiteral("BEGIN"));
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

// --- the tables' layout -----------------------------------------------------
//
// The auto-number field takes its numbers from a sequence of its own, which
// never gives a number twice, even after deletes; it is the table's primary
// key, and the primary index becomes a unique index of its name. A trigger
// tells the other connections of every write.

QString PostgresBackend::columnDefinition(const TableDef& def, const FieldDef& field) const {
    QString column = quoted(field.name) + QLatin1Char(' ') + serverColumnType(field);
    if (field.type == FieldType::AutoInc)
        column += QStringLiteral(" PRIMARY KEY DEFAULT nextval('%1')").arg(quoted(sequenceOf(def)));
    else if (def.notNullFields.contains(field.name, Qt::CaseInsensitive))
        column += QStringLiteral(" NOT NULL");
    return column;
}

// Made under the lock of the store's layout and only when still missing then,
// so two programs that open a new store at once do not both make a table.
QStringList PostgresBackend::createStatements(const TableDef& def) {
    const QStringList statements = plainCreateStatements(def);
    return {QString::fromLatin1(SetupLockSql),
            QStringLiteral("DO $create$ BEGIN IF to_regclass(%1) IS NULL THEN %2; END IF; END "
                           "$create$")
                .arg(literal(quoted(def.name)), statements.join(QLatin1String("; ")))};
}

QStringList PostgresBackend::plainCreateStatements(const TableDef& def) {
    const int autoField = autoNumberField(def);
    QStringList columns;
    for (const FieldDef& field : def.fields)
        columns << columnDefinition(def, field);
    const QString table = quoted(def.name);
    QStringList statements;
    if (autoField >= 0)
        statements << QStringLiteral("CREATE SEQUENCE %1").arg(quoted(sequenceOf(def)));
    statements << QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(", "));
    if (autoField >= 0)
        statements << QStringLiteral("ALTER SEQUENCE %1 OWNED BY %2.%3")
                          .arg(quoted(sequenceOf(def)), table, quoted(def.fields[autoField].name));
    const bool indexIsKey = def.primaryIndex.fields.size() == 1 && autoField >= 0 &&
                            def.indexOf(def.primaryIndex.fields.first()) == autoField;
    if (!def.primaryIndex.fields.isEmpty() && !indexIsKey) {
        QStringList keys;
        for (const QString& field : def.primaryIndex.fields)
            keys << quoted(field);
        statements << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                          .arg(quoted(def.primaryIndex.name), table, keys.join(", "));
    }
    statements << QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON %2 "
                                 "FOR EACH STATEMENT EXECUTE FUNCTION inkwright_notify()")
                      .arg(quoted(def.name + QStringLiteral("_changed")), table);
    return statements;
}

QList<FieldDef> PostgresBackend::verifyLayout(const TableDef& def) {
    PostgresStatement info(
        *this, QStringLiteral("SELECT a.attname, format_type(a.atttypid, a.atttypmod) "
                              "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                              "JOIN pg_namespace n ON n.oid = c.relnamespace "
                              "WHERE n.nspname = current_schema() AND c.relname = lower(?1) "
                              "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum"));
    info.bindText(1, def.name);
    auto differs = [&](const QString& detail) {
        throw UserError(QStringLiteral("The table \"%1\" in \"%2\" has a different layout: %3")
                            .arg(def.name, name_, detail));
    };
    int position = 0;
    while (info.step()) {
        const QString name = info.textAt(0);
        const QString type = info.textAt(1);
        if (position >= def.fields.size())
            differs(QStringLiteral("it has an extra field \"%1\" %2").arg(name, type));
        const FieldDef& field = def.fields[position];
        if (name.compare(field.name, Qt::CaseInsensitive) != 0 || type != storedType(field))
            differs(QStringLiteral("field %1 is \"%2\" %3, expected \"%4\" %5")
                        .arg(position + 1)
                        .arg(name, type, field.name, storedType(field)));
        ++position;
    }
    QList<FieldDef> missing;
    for (int i = position; i < def.fields.size(); ++i) {
        if (!def.fields[i].addedLater)
            differs(
                QStringLiteral("field %1 \"%2\" is missing").arg(i + 1).arg(def.fields[i].name));
        missing << def.fields[i];
    }
    return missing;
}

// Under the layout's lock too: two programs upgrading one older store at once
// add each field once.
void PostgresBackend::addFields(const TableDef& def, const QList<FieldDef>& fields) {
    exec(QString::fromLatin1(SetupLockSql));
    for (const FieldDef& field : fields)
        exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS %2")
                 .arg(quoted(def.name), columnDefinition(def, field)));
}

void PostgresBackend::syncAutoNumbers(const TableDef& def) {
    const int field = autoNumberField(def);
    if (field < 0)
        return;
    exec(QStringLiteral("SELECT setval('%1', GREATEST((SELECT MAX(%2) FROM %3), 1), "
                        "(SELECT MAX(%2) FROM %3) IS NOT NULL)")
             .arg(quoted(sequenceOf(def)), quoted(def.fields[field].name), quoted(def.name)));
}

// The server keeps its own pages whole (its write-ahead log, its
// checksums) and reports damage on any read; a client has nothing deeper
// to look at.
QStringList PostgresBackend::checkIntegrity() {
    return {};
}

} // namespace ink
