#include "Statement.h"

#include "Backend.h"
#include "Database.h"

namespace ink {

Statement::Statement() = default;

Statement::Statement(Database& db, const QString& sql) : statement_(db.backend().prepare(sql)) {}

Statement::Statement(std::unique_ptr<BackendStatement> statement)
    : statement_(std::move(statement)) {}

Statement::~Statement() = default;
Statement::Statement(Statement&& other) noexcept = default;
Statement& Statement::operator=(Statement&& other) noexcept = default;

void Statement::bindNull(int parameter) {
    statement_->bindNull(parameter);
}

void Statement::bindInteger(int parameter, qint64 value) {
    statement_->bindInteger(parameter, value);
}

void Statement::bindText(int parameter, const QString& text) {
    statement_->bindText(parameter, text);
}

bool Statement::step() {
    return statement_->step();
}

void Statement::run() {
    while (step()) {
    }
    reset();
}

void Statement::runKeepingBindings() {
    while (step()) {
    }
    statement_->reset(true);
}

void Statement::reset() {
    statement_->reset(false);
}

qint64 Statement::integerAt(int column) const {
    return statement_->integerAt(column);
}

QString Statement::textAt(int column) const {
    return statement_->textAt(column);
}

bool Statement::isNullAt(int column) const {
    return statement_->isNullAt(column);
}

qint64 Statement::rowsChanged() const {
    return statement_->rowsChanged();
}

} // namespace ink
