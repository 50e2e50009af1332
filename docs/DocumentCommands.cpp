#include "DocumentCommands.h"

#include "components/Dialogs.h"
#include "scan/BuildDocument.h"
#include <array>
#include <QScopeGuard>

#include "store/Database.h"
#include "store/FieldText.h"
#include "store/TDataSource.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "store/UserError.h"

namespace ink {

namespace {
const QString DocumentNameCaption = QStringLiteral("Document Name");
const QString DocumentNamePrompt = QStringLiteral("Enter description");
const QString DocumentExists =
    QStringLiteral("This document already exists. Please try again then specify different name.");

// The progress bar is shown for the life of a build, and the lists, which
// stay attached during "Add", would reload at every row the build writes:
// their data sources hold their news until the build ends and then tell the
// lists once. Both are put back on every path, also when an error ends it.
template <typename Build> void runShowingProgress(TDM1& dm, BuildFeedback& feedback, Build build) {
    const std::array<TDataSource*, 3> sources{dm.dsDocs, dm.dsUnits, dm.dsProcs};
    feedback.setProgressVisible(true);
    for (TDataSource* source : sources)
        source->setEnabled(false);
    const auto putBack = qScopeGuard([&] {
        for (TDataSource* source : sources)
            source->setEnabled(true);
        feedback.setProgressVisible(false);
    });
    build();
}
} // namespace

DocumentCommands::DocumentCommands(TDM1& dm, Dialogs& dialogs, BuildFeedback& feedback)
    : dm_(dm), dialogs_(dialogs), feedback_(feedback) {}

QString DocumentCommands::upperCaseName(const QString& name) {
    return UpperCaseDocumentName(name);
}

QString DocumentCommands::storedName(const QString& typed) {
    return StoredDocumentName(typed);
}

void DocumentCommands::add() {
    const auto file = dialogs_.openFile(
        {QStringLiteral("Open File"),
         {QStringLiteral("Delphi Projects (*.dpr)"), QStringLiteral("Delphi Units (*.pas)"),
          QStringLiteral("Lazarus Projects (*.lpr)"),
          // A package, or the option file that holds what a project compiles.
          QStringLiteral("Delphi Packages (*.dpk)"),
          QStringLiteral("Delphi Project Options (*.dproj)"),
          QStringLiteral("Lazarus Packages (*.lpk)"),
          QStringLiteral("Lazarus Project Options (*.lpi)")},
         lastChosenFile_});
    if (!file)
        return;
    lastChosenFile_ = *file;
    const auto typed = dialogs_.inputBox(DocumentNameCaption, DocumentNamePrompt, QString());
    if (!typed)
        return;
    // Compared as it would be stored, so a long name cannot be added twice.
    const QString name = storedName(*typed);
    if (dm_.tblDocs->locate(QStringLiteral("DocName"), name)) {
        dialogs_.warning(DocumentExists);
        return;
    }
    bool built = false;
    // A project whose options name the configuration it is built with is
    // documented as that configuration compiles it; Document Options can
    // still switch to reading every branch.
    runShowingProgress(dm_, feedback_, [&] {
        built = buildNewDocument(dm_, *file, name, feedback_, ProjectDefaultConfiguration(*file));
    });
    // Another program added the name since the list was read.
    if (!built)
        dialogs_.warning(DocumentExists);
}

bool DocumentCommands::buildNewDocument(TDM1& dm, const QString& projectPath, const QString& name,
                                        BuildFeedback& feedback, const QString& configuration) {
    return BuildNewDocument(dm, projectPath, name, feedback, configuration);
}

void DocumentCommands::rename() {
    if (dm_.tblDocs->recordCount() == 0)
        return;
    const auto typed =
        dialogs_.inputBox(DocumentNameCaption, DocumentNamePrompt, dm_.tblDocsDocName->asString());
    if (!typed)
        return;
    dm_.tblDocs->edit();
    dm_.tblDocsDocName->setValue(upperCaseName(*typed));
    dm_.tblDocs->post();
}

void DocumentCommands::deleteDocument() {
    if (dm_.tblDocs->recordCount() == 0)
        return;
    dm_.tblDocs->deleteWithDetails();
}

void DocumentCommands::refresh(bool readEveryUnit) {
    if (dm_.tblDocs->recordCount() == 0)
        return;
    const QString projectPath = dm_.tblDocsDPRFileName->asString();
    const QString name = dm_.tblDocsDocName->asString();
    runShowingProgress(dm_, feedback_, [&] {
        BuildDocument(dm_, projectPath, name, true, feedback_,
                      readEveryUnit ? RefreshReading::AllUnits : RefreshReading::ChangedUnits);
    });
}

void DocumentCommands::removeFromProject() {
    dm_.tblUnits->deleteWithDetails();
}

void DocumentCommands::removeFromDocumentation() {
    dm_.tblProc->deleteWithDetails();
}

void DocumentCommands::postOnExit(TTable& table) {
    if (!table.isOpen() || table.recordCount() == 0)
        return;
    table.edit();
    table.post();
}

} // namespace ink
