#pragma once
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;

// A plain SQLite connection to any file, opened as another program would
// open it: for tests that make foreign or hand-made databases, look at a
// store from outside, or change it behind the program's back. Errors throw
// std::runtime_error with SQLite's message.
class SqlFile {
public:
    explicit SqlFile(const QString& path);
    ~SqlFile();
    SqlFile(const SqlFile&) = delete;
    SqlFile& operator=(const SqlFile&) = delete;

    // Runs one or more statements that return nothing.
    void run(const QString& sql);
    // The rows of a query, each column as text (NULL as an empty string).
    QList<QStringList> rows(const QString& sql);
    // The first column of the first row; empty when there is none.
    QString text(const QString& sql);
    // Writes one row, every value bound (numbers as integers, the rest as
    // text); returns its row id.
    qint64 insert(const QString& table, const QMap<QString, QVariant>& values);

private:
    sqlite3* db_ = nullptr;
};

// The same, for one statement on a file, opened and closed around it.
void runSql(const QString& path, const QString& sql);
QString sqlText(const QString& path, const QString& sql);
