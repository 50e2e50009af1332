#include "Statement.h"

#include <sqlite3.h>
#include <utility>

#include "Database.h"

namespace ink {

Statement::Statement(Database& db, const QString& sql) : db_(&db) {
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db.handle(), utf8.constData(), int(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK)
        db.fail(QString());
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = other.db_;
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

void Statement::bindNull(int parameter) {
    check(sqlite3_bind_null(stmt_, parameter));
}

void Statement::bindInteger(int parameter, qint64 value) {
    check(sqlite3_bind_int64(stmt_, parameter, value));
}

void Statement::bindText(int parameter, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    check(
        sqlite3_bind_text(stmt_, parameter, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // Reset first so the statement holds no read lock while the error
    // travels; the reset may end the transaction, so the reason is read before.
    const QString reason = db_->lastErrorText();
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    db_->fail(QString(), reason);
}

void Statement::run() {
    while (step()) {
    }
    reset();
}

void Statement::runKeepingBindings() {
    while (step()) {
    }
    sqlite3_reset(stmt_);
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

qint64 Statement::integerAt(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

QString Statement::textAt(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt_, column));
}

bool Statement::isNullAt(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

void Statement::check(int resultCode) const {
    if (resultCode != SQLITE_OK)
        db_->fail(QString());
}

} // namespace ink
