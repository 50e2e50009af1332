#include "SqliteStatement.h"

#include <sqlite3.h>

#include "SqliteBackend.h"

namespace ink {

SqliteStatement::SqliteStatement(SqliteBackend& db, const QString& sql) : db_(db) {
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db.handle(), utf8.constData(), int(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK)
        db.fail(QString());
    texts_.resize(std::size_t(sqlite3_bind_parameter_count(stmt_)) + 1);
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

void SqliteStatement::bindNull(int parameter) {
    check(sqlite3_bind_null(stmt_, parameter));
}

void SqliteStatement::bindInteger(int parameter, qint64 value) {
    check(sqlite3_bind_int64(stmt_, parameter, value));
}

// The UTF-8 text is kept with the statement until the parameter is bound
// again, so SQLite reads it where it is instead of taking a copy of its
// own. A build binds several texts to every row it writes, nearly all of
// them ASCII: those are copied into the parameter's buffer of the last
// row, which is then seldom allocated again.
void SqliteStatement::bindText(int parameter, const QString& text) {
    if (parameter < 1 || std::size_t(parameter) >= texts_.size())
        check(sqlite3_bind_null(stmt_, parameter)); // SQLite names the fault
    QByteArray& utf8 = texts_[std::size_t(parameter)];
    if (!copyAscii(text, utf8))
        utf8 = text.toUtf8();
    check(sqlite3_bind_text(stmt_, parameter, utf8.constData(), int(utf8.size()), SQLITE_STATIC));
}

bool SqliteStatement::step() {
    db_.writeHeldRows();
    const int before = sqlite3_total_changes(db_.handle());
    const int rc = sqlite3_step(stmt_);
    changed_ = sqlite3_total_changes(db_.handle()) != before ? sqlite3_changes64(db_.handle()) : 0;
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // Reset first so the statement holds no read lock while the error
    // travels; the reset may end the transaction, so the reason is read before.
    const QString reason = db_.lastErrorText();
    const int code = sqlite3_extended_errcode(db_.handle());
    reset(false);
    db_.fail(QString(), reason, code);
}

void SqliteStatement::reset(bool keepBindings) {
    sqlite3_reset(stmt_);
    if (!keepBindings)
        sqlite3_clear_bindings(stmt_);
}

qint64 SqliteStatement::integerAt(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

QString SqliteStatement::textAt(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column));
}

bool SqliteStatement::isNullAt(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

void SqliteStatement::check(int resultCode) const {
    if (resultCode != SQLITE_OK)
        db_.fail(QString());
}

// Whether `text` is ASCII alone, which is then its UTF-8 too, in `out`.
bool SqliteStatement::copyAscii(const QString& text, QByteArray& out) {
    const qsizetype size = text.size();
    out.resize(size);
    char* to = out.data();
    const QChar* from = text.constData();
    for (qsizetype i = 0; i < size; ++i) {
        if (from[i].unicode() >= 0x80)
            return false;
        to[i] = char(from[i].unicode());
    }
    return true;
}

bool SqliteInsert::step() {
    if (inserted_) {
        inserted_ = false;
        return false;
    }
    SqliteStatement::step();
    rowId_ = sqlite3_last_insert_rowid(db_.handle());
    sqlite3_reset(stmt_);
    inserted_ = true;
    return true;
}

void SqliteInsert::reset(bool keepBindings) {
    inserted_ = false;
    SqliteStatement::reset(keepBindings);
}

} // namespace ink
