#include "ReportStore.h"

#include <QDir>

#include "store/testing/SqlFile.h"

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
    : dataDir_(dataDir), filePath_(QDir(dataDir).filePath(QStringLiteral("Inkwright.sqlite"))),
      db_(std::make_unique<SqlFile>(filePath_)) {
    db_->run(QString::fromLatin1(Schema));
}

ReportStore::~ReportStore() = default;

qint32 ReportStore::addDocument(const QString& name, const QMap<QString, QVariant>& fields) {
    QMap<QString, QVariant> values = fields;
    values.insert(QStringLiteral("DocName"), name);
    return qint32(db_->insert(QStringLiteral("DocsLib"), values));
}

qint64 ReportStore::addUnit(qint32 docNo, const QString& name, const QString& form,
                            const QString& description) {
    return db_->insert(
        QStringLiteral("UnitsLib"),
        {{"DocNo", docNo}, {"UnitName", name}, {"FormName", form}, {"Description", description}});
}

void ReportStore::addRoutine(qint32 docNo, qint64 unitNo, const QString& kind, const QString& name,
                             const QString& parameters, const QString& resultType,
                             const QString& description) {
    db_->insert(QStringLiteral("ProcsLib"), {{"DocNo", docNo},
                                             {"UnitNo", unitNo},
                                             {"ProcType", kind},
                                             {"ProcName", name},
                                             {"ProcParams", parameters},
                                             {"ResultType", resultType},
                                             {"Description", description}});
}
