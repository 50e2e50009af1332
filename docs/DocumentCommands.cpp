#include "DocumentCommands.h"

#include "components/Dialogs.h"
#include "scan/BuildDocument.h"
#include "store/TDataSource.h"
#include "store/TDM1.h"

#include "store/TField.h"
#include "store/TTable.h"
#include <array>

namespace ink {

namespace {
const QString DocumentNameCaption = QStringLiteral("Document Name");
const QString DocumentNamePrompt = QStringLiteral("Enter description");

// Shows the progress bar for the life of a build and hides it on every path,
// also when an error ends the build.
class ProgressBarShown {
public:
    explicit ProgressBarShown(BuildFeedback& feedback) : feedback_(feedback) {
        feedback_.setProgressVisible(true);
    }
    ~ProgressBarShown() { feedback_.setProgressVisible(false); }
    ProgressBarShown(const ProgressBarShown&) = delete;
    ProgressBarShown& operator=(const ProgressBarShown&) = delete;

private:
    BuildFeedback& feedback_;
};
// The lists stay attached during "Add", but they would reload at every row
// the build writes; their data sources hold their news until the build ends
// and then tell the lists once.
class QuietDataSources {
public:
    explicit QuietDataSources(TDM1& dm) : sources_{dm.dsDocs, dm.dsUnits, dm.dsProcs} {
        for (TDataSource* source : sources_)
            source->setEnabled(false);
    }
    ~QuietDataSources() {
        for (TDataSource* source : sources_)
            source->setEnabled(true);
    }
    QuietDataSources(const QuietDataSources&) = delete;
    QuietDataSources& operator=(const QuietDataSources&) = delete;

private:
    std::array<TDataSource*, 3> sources_;
};
} // namespace

DocumentCommands::DocumentCommands(TDM1& dm, Dialogs& dialogs, BuildFeedback& feedback)
    : dm_(dm), dialogs_(dialogs), feedback_(feedback) {}

QString DocumentCommands::upperCaseName(const QString& name) {
    QString upper = name;
    for (QChar& c : upper)
        if (c >= QChar('a') && c <= QChar('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return upper;
}

void DocumentCommands::add() {
    const auto file = dialogs_.openFile(
        {QStringLiteral("Open File"),
         {QStringLiteral("Delphi Projects (*.dpr)"), QStringLiteral("Delphi Units (*.pas)"),
          QStringLiteral("Lazarus Projects (*.lpr)")},
         lastChosenFile_});
    if (!file)
        return;
    lastChosenFile_ = *file;
    const auto typed = dialogs_.inputBox(DocumentNameCaption, DocumentNamePrompt, QString());
    if (!typed)
        return;
    // Compared as it would be stored, so a long name cannot be added twice.
    const QString name = upperCaseName(*typed).left(NameWidth);
    if (dm_.tblDocs->locate(QStringLiteral("DocName"), name)) {
        dialogs_.warning(QStringLiteral(
            "This document already exists. Please try again then specify different name."));
        return;
    }
    ProgressBarShown shown(feedback_);
    QuietDataSources quiet(dm_);
    BuildDocument(dm_, *file, name, false, feedback_);
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

void DocumentCommands::refresh() {
    if (dm_.tblDocs->recordCount() == 0)
        return;
    const QString projectPath = dm_.tblDocsDPRFileName->asString();
    const QString name = dm_.tblDocsDocName->asString();
    ProgressBarShown shown(feedback_);
    QuietDataSources quiet(dm_);
    BuildDocument(dm_, projectPath, name, true, feedback_);
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
