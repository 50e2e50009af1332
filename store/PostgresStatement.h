#pragma once
#include <libpq-fe.h>
#include <map>
#include <optional>
#include <QByteArray>
#include <vector>

#include "PostgresBackend.h"
#include "UserError.h"

namespace ink {

struct PostgresBackend::HeldRows {
    QString table;
    QByteArray copy; // COPY t (columns) FROM STDIN
    std::vector<unsigned int> types;
    int autoField = -1;
    QByteArray sequence;
    std::vector<std::optional<QByteArray>> values; // row after row
    int rows = 0;
    std::vector<qint64> numbers; // taken ahead, used from the back
    int block = 1;               // how many the next take asks for
};

// Whether a statement writes rows (the rows written are counted).
bool isWriteSql(const QString& sql);

// One statement prepared on the server under a name of its own, and
// prepared again on a new connection after one was lost.
class PostgresStatement final : public BackendStatement {
public:
    PostgresStatement(PostgresBackend& db, const QString& sql) : db_(db), write_(isWriteSql(sql)) {
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

} // namespace ink
