// Inserts that, inside a transaction, hold their rows back and write many
// to one INSERT before anything else runs on the connection.
//
// A build inserts some 600,000 rows. Run one statement each, SQLite spends
// about as much again on the statement as on the row: it starts and ends
// it, reads and writes the table's AUTOINCREMENT counter, and opens and
// closes a cursor on the table and on each index. One statement of 32 rows
// pays that once, and a build's inserts take about half the time. The
// server back-end holds rows back in the same way, for the same reason.
//
// The caller still learns the new row's number at once: inside the
// transaction nobody else can insert, so the next numbers are the ones
// AUTOINCREMENT would give (one past the highest ever given or held, read
// when the table's first row is held), and they are written as the rows'
// own. Should anything else have taken one meanwhile, the row's write fails
// on its key: a row is never written under a number other than the one its
// caller holds. Held rows are written before any other statement of the
// connection runs (a read sees them), before a savepoint is taken or undone,
// and before the commit; a rollback drops them. Their count is part of
// rowsWritten() from the moment they are held, as a direct insert's would be.
#include <cstring>
#include <QByteArray>
#include <sqlite3.h>
#include <string>
#include <vector>

#include "SqliteBackend.h"
#include "TableSchema.h"
#include "UserError.h"

namespace ink {

namespace {

// The most rows one INSERT writes; past it the statement grows with little gain.
constexpr int RowsPerInsert = 32;

} // namespace

SqliteBackend::HeldRows::~HeldRows() {
    for (sqlite3_stmt* insert : inserts)
        sqlite3_finalize(insert);
}

// The room stays for the next rows.
void SqliteBackend::HeldRows::drop() {
    bytes.clear();
    values.clear();
    rows = 0;
}

namespace {

// Text as UTF-8 at the end of `bytes`; ASCII, nearly all of a build's text,
// without an intermediate copy.
void appendUtf8(std::string& bytes, const QString& text) {
    const std::size_t size = std::size_t(text.size());
    const std::size_t start = bytes.size();
    bytes.resize(start + size);
    char* to = bytes.data() + start;
    const QChar* from = text.constData();
    for (std::size_t i = 0; i < size; ++i) {
        if (from[i].unicode() >= 0x80) {
            bytes.resize(start);
            const QByteArray utf8 = text.toUtf8();
            bytes.append(utf8.constData(), std::size_t(utf8.size()));
            return;
        }
        to[i] = char(from[i].unicode());
    }
}

using HeldValue = SqliteBackend::HeldValue;

class SqliteHeldInsert final : public BackendStatement {
public:
    SqliteHeldInsert(SqliteBackend& db, SqliteBackend::HeldRows& held, const QString& sql)
        : db_(db), held_(held), row_(std::size_t(held.columns)) {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v3(db.handle(), utf8.constData(), int(utf8.size()),
                               SQLITE_PREPARE_PERSISTENT, &direct_, nullptr) != SQLITE_OK)
            db.fail(QString());
    }
    ~SqliteHeldInsert() override { sqlite3_finalize(direct_); }

    void bindNull(int parameter) override { value(parameter) = HeldValue{}; }
    void bindInteger(int parameter, qint64 number) override {
        value(parameter) = HeldValue{HeldValue::Integer, number, 0, 0};
    }
    // A parameter bound again leaves its earlier text unused in the row's
    // bytes until the row is held or written.
    void bindText(int parameter, const QString& text) override {
        const std::size_t start = bytes_.size();
        appendUtf8(bytes_, text);
        value(parameter) =
            HeldValue{HeldValue::Text, 0, qsizetype(start), qsizetype(bytes_.size() - start)};
    }

    bool step() override {
        if (stepped_) {
            stepped_ = false;
            return false;
        }
        try {
            number_ = db_.inTransaction() ? db_.holdRow(held_, row_, bytes_) : insertNow();
        } catch (...) {
            reset(false);
            throw;
        }
        stepped_ = true;
        return true;
    }
    void reset(bool keepBindings) override {
        stepped_ = false;
        if (!keepBindings) {
            std::fill(row_.begin(), row_.end(), HeldValue{});
            bytes_.clear(); // the room stays for the next row
        } else if (bytes_.size() > 16384) {
            keepBoundTextsOnly();
        }
    }
    qint64 integerAt(int) const override { return number_; }
    QString textAt(int) const override { return QString::number(number_); }
    bool isNullAt(int) const override { return false; }
    qint64 rowsChanged() const override { return 1; }

private:
    HeldValue& value(int parameter) {
        if (parameter < 1 || parameter > int(row_.size()))
            throw UserError(
                QStringLiteral("Database \"%1\": column index out of range").arg(db_.name()));
        return row_[std::size_t(parameter - 1)];
    }

    // Texts bound again pile up behind the ones bound last, which alone stay.
    void keepBoundTextsOnly() {
        std::string kept;
        for (HeldValue& value : row_)
            if (value.kind == HeldValue::Text) {
                kept.append(bytes_, std::size_t(value.offset), std::size_t(value.size));
                value.offset = qsizetype(kept.size()) - value.size;
            }
        bytes_ = kept;
    }

    // Outside a transaction the row is written before the call returns.
    qint64 insertNow() {
        db_.writeHeldRows();
        SqliteBackend::bindRow(direct_, 0, row_.data(), int(row_.size()), bytes_);
        const int rc = sqlite3_step(direct_);
        const qint64 number = sqlite3_last_insert_rowid(db_.handle());
        if (rc != SQLITE_DONE) {
            const QString reason = db_.lastErrorText();
            sqlite3_reset(direct_);
            db_.fail(QString(), reason);
        }
        sqlite3_reset(direct_);
        return number;
    }

    SqliteBackend& db_;
    SqliteBackend::HeldRows& held_;
    sqlite3_stmt* direct_ = nullptr;
    std::vector<HeldValue> row_; // by parameter
    std::string bytes_;          // the row's texts
    bool stepped_ = false;
    qint64 number_ = 0;
};

} // namespace

std::unique_ptr<BackendStatement> SqliteBackend::prepareInsert(const TableDef& def) {
    if (autoNumberField(def) < 0)
        return prepareDirectInsert(def);
    return std::make_unique<SqliteHeldInsert>(*this, heldRowsOf(def), insertSql(def));
}

SqliteBackend::HeldRows& SqliteBackend::heldRowsOf(const TableDef& def) {
    for (const auto& held : held_)
        if (held->table == def.name)
            return *held;
    auto held = std::make_unique<HeldRows>();
    held->table = def.name;
    held->columns = int(def.fields.size());
    held->autoField = autoNumberField(def);
    QStringList columns;
    for (const FieldDef& field : def.fields)
        columns << quoted(field.name);
    // OR FAIL: a failed row ends the statement without undoing the rows
    // before it, so SQLite keeps no statement journal, a copy of every page
    // the statement changes. An error ends the batch anyway, which keeps
    // what was written before it.
    held->head = QStringLiteral("INSERT OR FAIL INTO %1 (%2) VALUES ")
                     .arg(quoted(def.name), columns.join(", "))
                     .toUtf8();
    held_.push_back(std::move(held));
    return *held_.back();
}

void SqliteBackend::bindRow(sqlite3_stmt* insert, int first, const HeldValue* row, int columns,
                            const std::string& bytes) {
    // Binding cannot fail here: every parameter number is the statement's own.
    for (int column = 0; column < columns; ++column) {
        const HeldValue& value = row[column];
        const int parameter = first + column + 1;
        switch (value.kind) {
        case HeldValue::Null:
            sqlite3_bind_null(insert, parameter);
            break;
        case HeldValue::Integer:
            sqlite3_bind_int64(insert, parameter, value.integer);
            break;
        case HeldValue::Text:
            sqlite3_bind_text(insert, parameter, bytes.data() + value.offset, int(value.size),
                              SQLITE_STATIC);
            break;
        }
    }
}

qint64 SqliteBackend::holdRow(HeldRows& held, const std::vector<HeldValue>& row,
                              const std::string& bytes) {
    if (held.nextNumber == 0) {
        // Read with the rows held so far written, as AUTOINCREMENT reads it:
        // one past the highest number the table ever gave out.
        writeHeldRows();
        const std::unique_ptr<BackendStatement> next = prepare(
            QStringLiteral("SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = "
                           "?1), 0), coalesce((SELECT max(rowid) FROM %1), 0)) + 1")
                .arg(quoted(held.table)));
        next->bindText(1, held.table);
        next->step();
        held.nextNumber = next->integerAt(0);
    }
    const qsizetype shift = qsizetype(held.bytes.size());
    held.bytes += bytes;
    const std::size_t first = held.values.size();
    for (const HeldValue& value : row) {
        held.values.push_back(value);
        held.values.back().offset += shift;
    }
    HeldValue& number = held.values[first + std::size_t(held.autoField)];
    if (number.kind == HeldValue::Integer)
        held.nextNumber = std::max(held.nextNumber, number.integer + 1);
    else
        number = HeldValue{HeldValue::Integer, held.nextNumber++, 0, 0};
    ++held.rows;
    ++heldCount_;
    const qint64 given = number.integer;
    if (held.rows >= RowsPerInsert)
        writeHeldRows(held);
    return given;
}

void SqliteBackend::writeHeldRows() {
    if (heldCount_ == 0)
        return;
    // The engine ended the transaction they belonged to after an error.
    if (!inTransaction()) {
        dropHeldRows();
        return;
    }
    for (const auto& held : held_)
        if (held->rows > 0)
            writeHeldRows(*held);
}

// In statements of 32 rows, then 16, 8 ... 1 for the rest.
void SqliteBackend::writeHeldRows(HeldRows& held) {
    int written = 0;
    while (written < held.rows) {
        int size = RowsPerInsert;
        while (size > held.rows - written)
            size /= 2;
        int slot = 0;
        while ((1 << slot) < size)
            ++slot;
        if (held.inserts.size() <= std::size_t(slot))
            held.inserts.resize(std::size_t(slot) + 1, nullptr);
        sqlite3_stmt*& insert = held.inserts[std::size_t(slot)];
        if (insert == nullptr) {
            QByteArray sql = held.head;
            QByteArray oneRow = "(";
            for (int column = 0; column < held.columns; ++column)
                oneRow += column == 0 ? "?" : ", ?";
            oneRow += ")";
            for (int row = 0; row < size; ++row)
                sql += (row == 0 ? QByteArray() : QByteArrayLiteral(", ")) + oneRow;
            if (sqlite3_prepare_v3(db_, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                   &insert, nullptr) != SQLITE_OK) {
                dropHeldRows();
                fail(QString());
            }
        }
        for (int row = 0; row < size; ++row)
            bindRow(insert, row * held.columns,
                    held.values.data() + std::size_t(written + row) * std::size_t(held.columns),
                    held.columns, held.bytes);
        const int rc = sqlite3_step(insert);
        if (rc != SQLITE_DONE) {
            // What was not written is dropped: the error ends the batch,
            // which keeps only what went before it.
            const QString reason = lastErrorText();
            sqlite3_reset(insert);
            dropHeldRows();
            fail(QString(), reason);
        }
        sqlite3_reset(insert);
        written += size;
    }
    heldCount_ -= held.rows;
    held.drop();
}

void SqliteBackend::dropHeldRows() {
    for (const auto& held : held_) {
        held->drop();
        held->nextNumber = 0;
    }
    heldCount_ = 0;
}

// After a rollback (whole or to a savepoint) the numbers are read again.
void SqliteBackend::forgetNextNumbers() {
    for (const auto& held : held_)
        held->nextNumber = 0;
}

} // namespace ink
