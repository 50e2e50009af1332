#include "ReportStore.h"

#include <QDir>
#include <sqlite3.h>
#include <stdexcept>

namespace {
const char* const Schema = R"(
PRAGMA journal_mode=WAL;
CREATE TABLE DocsLib (DocNo INTEGER PRIMARY KEY AUTOINCREMENT, DocName TEXT, DocSize INTEGER,
  DocDate DATETIME, DocAuthor TEXT, DocCompany TEXT, DocBuildNo TEXT, AppEXEName TEXT,
  CompanyName TEXT, FileDescr TEXT, FileName TEXT, VersionNo TEXT, InternalName TEXT,
  LegalCopyright TEXT, LegalTrademark TEXT, OriginalFileName TEXT, ProductName TEXT,
  ProductVer TEXT, DPRFileName TEXT, IsVerInfo BOOLEAN);
CREATE TABLE UnitsLib (DocNo INTEGER NOT NULL, UnitNo INTEGER PRIMARY KEY AUTOINCREMENT,
  UnitName TEXT, FormName TEXT, Description MEMO, UnitPath TEXT);
CREATE TABLE ProcsLib (DocNo INTEGER NOT NULL, UnitNo INTEGER NOT NULL,
  ProcNo INTEGER PRIMARY KEY AUTOINCREMENT, ProcName TEXT NOT NULL, ProcType TEXT,
  ProcParams TEXT, ResultType TEXT, Description MEMO);
)";
}

ReportStore::ReportStore(const QString& dataDir)
    : filePath_(QDir(dataDir).filePath(QStringLiteral("Inkwright.sqlite"))) {
    if (sqlite3_open(filePath_.toUtf8().constData(), &db_) != SQLITE_OK)
        throw std::runtime_error("cannot create " + filePath_.toStdString());
    exec(QString::fromLatin1(Schema));
}

ReportStore::~ReportStore() {
    sqlite3_close(db_);
}

void ReportStore::exec(const QString& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string reason = message ? message : "unknown error";
        sqlite3_free(message);
        throw std::runtime_error(reason);
    }
}

qint64 ReportStore::insert(const QString& table, const QMap<QString, QVariant>& values) {
    const QStringList columns = values.keys();
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, columns.join(','), marks.join(','));
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db_));
    int parameter = 1;
    for (const QVariant& value : values) {
        if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong ||
            value.typeId() == QMetaType::Bool)
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

qint32 ReportStore::addDocument(const QString& name, const QMap<QString, QVariant>& fields) {
    QMap<QString, QVariant> values = fields;
    values.insert(QStringLiteral("DocName"), name);
    return qint32(insert(QStringLiteral("DocsLib"), values));
}

qint64 ReportStore::addUnit(qint32 docNo, const QString& name, const QString& form,
                            const QString& description) {
    return insert(
        QStringLiteral("UnitsLib"),
        {{"DocNo", docNo}, {"UnitName", name}, {"FormName", form}, {"Description", description}});
}

void ReportStore::addRoutine(qint32 docNo, qint64 unitNo, const QString& kind, const QString& name,
                             const QString& parameters, const QString& resultType,
                             const QString& description) {
    insert(QStringLiteral("ProcsLib"), {{"DocNo", docNo},
                                        {"UnitNo", unitNo},
                                        {"ProcType", kind},
                                        {"ProcName", name},
                                        {"ProcParams", parameters},
                                        {"ResultType", resultType},
                                        {"Description", description}});
}
