#include "BuiltDocument.h"

#include <QDir>

#include "scan/BuildDocument.h"
#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "support/RecordingFeedback.h"

using namespace ink;

namespace {

const char* const Project = "program Books;\r\n\r\nuses\r\n"
                            "  Ledger in 'Ledger.pas' {frmLedger},\r\n"
                            "  Empty in 'Empty.pas',\r\n"
                            "  Many in 'Many.pas';\r\n\r\nbegin\r\nend.\r\n";

const char* const Ledger = "unit Ledger;\r\n\r\ninterface\r\n\r\n"
                           "procedure OpenLedger(const Path: string);\r\n"
                           "function Balance: Currency;\r\n"
                           "procedure PostEntry(const aMsgType: TMessageType;\r\n"
                           "  const Account: string;   Amount: Currency; const Memo: string);\r\n"
                           "\r\nimplementation\r\n\r\nend.\r\n";

const char* const Empty = "unit Empty;\r\n\r\ninterface\r\n\r\nconst Answer = 42;\r\n\r\n"
                          "implementation\r\n\r\nend.\r\n";

QByteArray manyUnit(int routines) {
    QByteArray text = "unit Many;\r\n\r\ninterface\r\n\r\n";
    for (int i = 1; i <= routines; ++i) {
        if (i % 3 == 0)
            text += "function Compute" + QByteArray::number(i) +
                    "(const Source: array of Double; Weight: Double; var Total: Double; "
                    "Count: Integer): Boolean;\r\n";
        else
            text += "procedure Step" + QByteArray::number(i) + "(Value: Integer);\r\n";
    }
    return text + "\r\nimplementation\r\n\r\nend.\r\n";
}

void describe(TTable* table, TField* field, const QString& text) {
    table->edit();
    field->setValue(text);
    table->post();
}

} // namespace

BuiltDocument::BuiltDocument(int manyRoutines) {
    const QString project = temp_.write("Books/Books.dpr", Project);
    temp_.write("Books/Ledger.pas", Ledger);
    temp_.write("Books/Empty.pas", Empty);
    temp_.write("Books/Many.pas", manyUnit(manyRoutines));

    registry_ = std::make_shared<AliasRegistry>(temp_.filePath("config/DatabaseEngine.ini"));
    dataDir_ = dataDirectoryFor(temp_.filePath("app"));
    createDataDirectory(dataDir_);
    EnsureDatabaseAlias(*registry_, TDM1::AliasName, dataDir_, true);
    dm_ = std::make_unique<TDM1>(nullptr, registry_);
    OpenOrCreateTables(*dm_);
    RecordingFeedback feedback;
    BuildDocument(*dm_, project, QStringLiteral("BOOKS"), false, feedback);
    if (!feedback.calls.filter(QStringLiteral("error ")).isEmpty())
        throw std::runtime_error(feedback.calls.join('\n').toStdString());
    docNo_ = dm_->tblDocsDocNo->asInteger();

    dm_->tblDocs->edit();
    dm_->tblDocsDocAuthor->setValue(QStringLiteral("Ann Author"));
    dm_->tblDocsDocCompany->setValue(QStringLiteral("Quill & Co"));
    dm_->tblDocs->post();
    dm_->tblUnits->first();
    describe(dm_->tblUnits, dm_->tblUnitsDescription, QStringLiteral("Keeps the books."));
    dm_->tblProc->first();
    describe(dm_->tblProc, dm_->tblProcDescription,
             QStringLiteral("Opens the ledger file named by Path."));
    dm_->tblProc->next(); // the build stores procedures before functions
    describe(dm_->tblProc, dm_->tblProcDescription,
             QStringLiteral("Posts one entry; the memo is kept verbatim."));
}

BuiltDocument::~BuiltDocument() = default;

QString BuiltDocument::databaseFile() const {
    return QDir(dataDir_).filePath(QString::fromLatin1(TDM1::DatabaseFileName));
}

QString BuiltDocument::longDeclaration() {
    return QStringLiteral("procedure PostEntry(const aMsgType: TMessageType; const Account: "
                          "string; Amount: Currency; const Memo: string);");
}
