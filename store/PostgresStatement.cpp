// The server's statements: the SQL of the table engine in the server's
// spelling, and inserts whose rows a transaction holds back and sends many
// at a time.
#include "PostgresStatement.h"

#include <algorithm>
#include <libpq-fe.h>

#include "TableSchema.h"

namespace ink {

bool isWriteSql(const QString& sql) {
    const QString start = sql.trimmed().left(6).toUpper();
    return start == QLatin1String("INSERT") || start == QLatin1String("UPDATE") ||
           start == QLatin1String("DELETE");
}

namespace {

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

std::unique_ptr<BackendStatement> PostgresBackend::prepare(const QString& sql) {
    return std::make_unique<PostgresStatement>(*this, sql);
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
    held->copy = QStringLiteral("COPY %1 (%2) FROM STDIN")
                     .arg(quoted(def.name), columns.join(", "))
                     .toUtf8();
    held->autoField = autoNumberField(def);
    held->sequence = quoted(sequenceOf(def)).toUtf8();
    held_.push_back(std::move(held));
    return *held_.back();
}

// A number taken is never given back, so a block taken and left unused is
// a gap for good. A transaction's first take is of one number and each
// later one twice the last, up to 512: a build's one document gets the next
// number, which users type, and its thousands of routines still cost only a
// few round trips.
qint64 PostgresBackend::takeAutoNumber(HeldRows& held) {
    if (held.numbers.empty()) {
        const QByteArray sql = "SELECT nextval('" + held.sequence + "') FROM generate_series(1, " +
                               QByteArray::number(held.block) + ") ORDER BY 1 DESC";
        held.block = std::min(held.block * 2, 512);
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

namespace {

// A value in COPY's text form: \N for null; the backslash, and the tab,
// line feed and carriage return that end values and rows, escaped. The
// server reads each with the column type's own input, as it reads a
// parameter.
void appendCopyValue(QByteArray& rows, const std::optional<QByteArray>& value) {
    if (!value) {
        rows += "\\N";
        return;
    }
    for (const char c : *value) {
        switch (c) {
        case '\\':
            rows += "\\\\";
            break;
        case '\t':
            rows += "\\t";
            break;
        case '\n':
            rows += "\\n";
            break;
        case '\r':
            rows += "\\r";
            break;
        default:
            rows += c;
        }
    }
}

} // namespace

// Each table's rows in one COPY, in the order the tables were first
// written: the server neither parses nor plans a statement per thousand
// rows, and the rows go as one stream. The numbers were taken ahead, so
// nothing has to come back.
void PostgresBackend::sendHeldRows() {
    if (sending_)
        return;
    sending_ = true;
    auto failed = [this](PGresult* result) {
        for (const auto& each : held_) {
            each->values.clear();
            each->rows = 0;
        }
        sending_ = false;
        fail(result);
    };
    for (const auto& held : held_) {
        if (held->rows == 0)
            continue;
        PGresult* started = PQexec(conn_, held->copy.constData());
        if (PQresultStatus(started) != PGRES_COPY_IN)
            failed(started);
        PQclear(started);
        const size_t columns = held->types.size();
        QByteArray rows;
        for (int row = 0; row < held->rows; ++row) {
            for (size_t column = 0; column < columns; ++column) {
                if (column > 0)
                    rows += '\t';
                appendCopyValue(rows, held->values[size_t(row) * columns + column]);
            }
            rows += '\n';
            if (rows.size() >= (1 << 20) || row + 1 == held->rows) {
                if (PQputCopyData(conn_, rows.constData(), int(rows.size())) != 1)
                    break; // the connection failed: the end of the copy says why
                rows.clear();
            }
        }
        PQputCopyEnd(conn_, nullptr);
        PGresult* result = PQgetResult(conn_);
        while (PGresult* more = PQgetResult(conn_))
            PQclear(more);
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            failed(result);
        PQclear(result);
        held->values.clear();
        held->rows = 0;
    }
    sending_ = false;
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
    if (parameterNumbers)
        *parameterNumbers = used;
    return out.toUtf8();
}

} // namespace ink
