#include "SqlFile.h"

#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

SqlFile::SqlFile(const QString& path) {
    if (sqlite3_open(QFile::encodeName(path).constData(), &db_) != SQLITE_OK) {
        const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open " + path.toStdString() + ": " + reason);
    }
    sqlite3_busy_timeout(db_, 5000);
}

SqlFile::~SqlFile() {
    sqlite3_close(db_);
}

void SqlFile::run(const QString& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string reason = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        throw std::runtime_error(reason + " in: " + sql.toStdString());
    }
}

QList<QStringList> SqlFile::rows(const QString& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql.toStdString());
    QList<QStringList> result;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        QStringList row;
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            row << (text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column))
                         : QString());
        }
        result << row;
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql.toStdString());
    return result;
}

qint64 SqlFile::insert(const QString& table, const QMap<QString, QVariant>& values) {
    const QStringList columns = values.keys();
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, columns.join(','), marks.join(','));
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql.toStdString());
    int parameter = 1;
    for (const QVariant& value : values) {
        const int type = value.typeId();
        if (type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Bool)
            sqlite3_bind_int64(statement, parameter++, value.toLongLong());
        else
            sqlite3_bind_text(statement, parameter++, value.toString().toUtf8().constData(), -1,
                              SQLITE_TRANSIENT);
    }
    const int result = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (result != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errmsg(db_));
    return sqlite3_last_insert_rowid(db_);
}

QString SqlFile::text(const QString& sql) {
    const QList<QStringList> found = rows(sql);
    return found.isEmpty() || found.first().isEmpty() ? QString() : found.first().first();
}

void runSql(const QString& path, const QString& sql) {
    SqlFile(path).run(sql);
}

QString sqlText(const QString& path, const QString& sql) {
    return SqlFile(path).text(sql);
}
