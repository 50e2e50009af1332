// The main window's handlers and their wiring. Each handler runs inside
// the error guard and calls a command; the widgets are laid out in
// TfrmInkwrightLayout.cpp, the counts and coverage are shown by
// TfrmInkwrightCoverage.cpp, and the store's handlers are in
// TfrmInkwrightStore.cpp.
#include "TfrmInkwright.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>

#include <QTimer>

#include "aids/EditingAids.h"
#include "aids/SourceAccess.h"
#include "aids/SpellCommand.h"
#include "components/Dialogs.h"
#include "components/FormMisc.h"
#include "components/HotLinkLabel.h"
#include "components/vcspell3.h"
#include "CoveragePage.h"
#include "DBCheckBox.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "DeclarationsPage.h"
#include "docs/CommentImport.h"
#include "docs/CoverageCommands.h"
#include "docs/DefaultsCommands.h"
#include "docs/DocumentCommands.h"
#include "docs/DocumentOptions.h"
#include "docs/ReportBridge.h"
#include "docs/StoreCommands.h"
#include "docs/UserDefaults.h"
#include "docs/VersionCapture.h"
#include "ErrorGuard.h"
#include "scan/PathParts.h"
#include "SearchDialog.h"
#include "store/AliasRegistry.h"
#include "store/MissingRows.h"
#include "store/MissingSource.h"
#include "store/Search.h"
#include "store/Startup.h"
#include "store/TDataSource.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "store/WholeStoreCheck.h"
#include "WindowBuildProgress.h"

namespace ink {

StartupEnvironment StartupEnvironment::forRunningProgram() {
    return {QCoreApplication::applicationDirPath(), std::make_shared<AliasRegistry>()};
}

TfrmInkwright::TfrmInkwright(StartupEnvironment environment, Dialogs* dialogs)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      environment_(std::move(environment)), dialogs_(dialogs),
      systemLauncher_(std::make_unique<SystemLauncher>()),
      systemClipboard_(std::make_unique<SystemClipboard>()), launcher_(systemLauncher_.get()),
      clipboard_(systemClipboard_.get()) {
    setObjectName(QStringLiteral("frmInkwright"));
    setErrorDialogs(dialogs_);
    // Checked once the error's handler has ended, so that nothing it was
    // still using is closed under it.
    setAfterError([this] {
        if (damageCheckPending_)
            return;
        damageCheckPending_ = true;
        QTimer::singleShot(0, this, [this] {
            damageCheckPending_ = false;
            StoreFoundDamaged();
        });
    });
    buildWindow();
    progress_ = std::make_unique<WindowBuildProgress>(StatusBar1, ProgressBar1, *dialogs_);
    guarded([this] { FormCreate(); });
}

TfrmInkwright::~TfrmInkwright() {
    wholeStoreCheck_.reset(); // stopped before the store it reads can go
    // The controls go after this object has stopped being a window: a focus
    // change while they are torn down must not reach the handlers.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    setErrorDialogs(nullptr);
    setAfterError({});
}

// ---------------------------------------------------------------- wiring

void TfrmInkwright::showMenu(QMenu* menu, QWidget* owner, const QPoint& position) {
    if (menu == PopupMenu2)
        guarded([this] { PopupMenu2Popup(); });
    else if (menu == PopupMenu3)
        guarded([this] { PopupMenu3Popup(); });
    QWidget* viewport = owner;
    if (auto* view = qobject_cast<QAbstractScrollArea*>(owner))
        viewport = view->viewport();
    menu->popup(viewport->mapToGlobal(position));
}

// ---------------------------------------------------------------- wiring

// Every handler runs inside the error guard.
void TfrmInkwright::connectHandlers() {
    connect(Button30, &QPushButton::clicked, this, [this] { Button30Click(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, Button30, &QPushButton::click);
    using Handler = void (TfrmInkwright::*)();
    const std::pair<QPushButton*, Handler> buttons[] = {
        {Button2, &TfrmInkwright::Button2Click},   {Button26, &TfrmInkwright::Button26Click},
        {Button27, &TfrmInkwright::Button27Click}, {Button28, &TfrmInkwright::Button28Click},
        {Button29, &TfrmInkwright::Button29Click}, {Button3, &TfrmInkwright::Button3Click},
        {Button1, &TfrmInkwright::Button1Click},
    };
    // Named copies rather than structured bindings: not every compiler we
    // build with lets a lambda capture a binding.
    for (const auto& entry : buttons) {
        const Handler handler = entry.second;
        connect(entry.first, &QPushButton::clicked, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    }
    connect(CheckBox2, &QCheckBox::toggled, this,
            [this] { guarded([this] { CheckBox2Click(); }); });
    connectListsAndEditors();
    connectActions();
}

void TfrmInkwright::connectListsAndEditors() {
    auto run = [this](void (TfrmInkwright::*handler)()) {
        return [this, handler] {
            guarded([this, handler] { (this->*handler)(); });
        };
    };
    connect(PageControl1, &QTabWidget::currentChanged, this,
            run(&TfrmInkwright::PageControl1Change));
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (PageControl1->currentWidget() == coveragePage)
            scheduleCoverageUpdate();
    });
    connect(DBGrid1, &TDBGrid::cellClicked, this, run(&TfrmInkwright::DBGrid1CellClick));
    connect(DBGrid1, &TDBGrid::keyReleased, this, run(&TfrmInkwright::DBGrid1KeyUp));
    connect(DBGrid2, &TDBGrid::cellClicked, this, run(&TfrmInkwright::DBGrid2CellClick));
    connect(DBGrid2, &TDBGrid::keyReleased, this, run(&TfrmInkwright::DBGrid2KeyUp));
    connect(DBGrid2, &TDBGrid::contentsShown, this, run(&TfrmInkwright::DBGrid2DrawColumnCell));
    connect(DBGrid3, &TDBGrid::contentsShown, this, run(&TfrmInkwright::DBGrid3DrawColumnCell));
    for (TDBGrid* grid : {DBGrid1, DBGrid2, DBGrid3})
        connect(grid, &TDBGrid::deleteRequested, this,
                [this, grid] { guarded([&] { deleteCurrentRowOf(grid); }); });
    connect(DBEdit1, &TDBEdit::exited, this, run(&TfrmInkwright::DBEdit1Exit));
    connect(DBEdit2, &TDBEdit::exited, this, run(&TfrmInkwright::DBEdit2Exit));
    connect(DBMemo1, &TDBMemo::exited, this, run(&TfrmInkwright::DBMemo1Exit));
    connect(DBMemo2, &TDBMemo::exited, this, run(&TfrmInkwright::DBMemo2Exit));
    connect(coveragePage, &CoveragePage::unitChosen, this,
            [this](int unitNo) { guarded([&] { CoverageUnitChosen(unitNo); }); });
    connect(declarationsPage, &DeclarationsPage::descriptionExited, this, [this] {
        guarded([this] {
            if (declarationsPage->description()->dataSource() && !choosingVersion_)
                DocumentCommands::postOnExit(*dm_->tblDecls);
        });
    });
}

void TfrmInkwright::connectActions() {
    using Handler = void (TfrmInkwright::*)();
    const std::pair<QAction*, Handler> actions[] = {
        {RemovefromProject1, &TfrmInkwright::RemovefromProject1Click},
        {Removefromdocumentation1, &TfrmInkwright::Removefromdocumentation1Click},
        {SpellIt1, &TfrmInkwright::SpellIt1Click},
        {MenuItem1, &TfrmInkwright::MenuItem1Click},
        {OpenwithNotepad1, &TfrmInkwright::OpenwithNotepad1Click},
        {CopycodetoClipboard1, &TfrmInkwright::CopycodetoClipboard1Click},
        {Insertaseparatorline1, &TfrmInkwright::Insertaseparatorline1Click},
        {Insertaseparatorline2, &TfrmInkwright::Insertaseparatorline2Click},
        {Action1, &TfrmInkwright::Action1Execute},
        {NextUndescribedRoutine1, &TfrmInkwright::NextUndescribedRoutine1Click},
        {RemoveMissingRoutines1, &TfrmInkwright::RemoveMissingRoutines1Click},
        {ImportDescriptionsfromComments1, &TfrmInkwright::ImportDescriptionsfromComments1Click},
        {DocumentOptions1, &TfrmInkwright::DocumentOptions1Click},
        {Search1, &TfrmInkwright::Search1Click},
        {declarationsPage->spellIt(), &TfrmInkwright::DeclarationSpellItClick},
        {declarationsPage->insertSeparator(), &TfrmInkwright::DeclarationInsertSeparatorClick},
        {ConnecttoSharedDatabase1, &TfrmInkwright::ConnecttoSharedDatabase1Click},
        {UseLocalDatabase1, &TfrmInkwright::UseLocalDatabase1Click},
        {Action2, &TfrmInkwright::Action2Execute},
        {RefreshRow1, &TfrmInkwright::RefreshRow1Click},
        {RefreshRow2, &TfrmInkwright::RefreshRow2Click},
    };
    // Named copies rather than structured bindings: not every compiler we
    // build with lets a lambda capture a binding.
    for (const auto& entry : actions) {
        const Handler handler = entry.second;
        connect(entry.first, &QAction::triggered, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    }
}

void TfrmInkwright::bindDataModule(TDM1* dm) {
    dm_ = dm;
    dm_->requireDataDirectory(dataDirectoryFor(environment_.executableFolder));
    commands_ = std::make_unique<DocumentCommands>(*dm_, *dialogs_, *progress_);
    storeCommands_ = std::make_unique<StoreCommands>(
        *dm_, *dialogs_, dataDirectoryFor(environment_.executableFolder));
    connect(dm_, &TDM1::othersChanged, this, [this] { guarded([this] { OthersChanged(); }); });
    DBGrid1->setDataSource(dm_->dsDocs);
    DBEdit1->setDataSource(dm_->dsDocs);
    DBEdit1->setDataField(QStringLiteral("DocAuthor"));
    DBEdit2->setDataSource(dm_->dsDocs);
    DBEdit2->setDataField(QStringLiteral("DocCompany"));
    DBCheckBox1->setDataSource(dm_->dsDocs);
    DBCheckBox1->setDataField(QStringLiteral("isVerInfo"));
    DBMemo1->setDataField(QStringLiteral("Description"));
    DBMemo2->setDataField(QStringLiteral("Description"));
    declarationsPage->bindDataModule(dm_);
    attachUnitAndRoutineViews(true);
    // The coverage follows the current document and every write to it;
    // many writes in a row (a build) give one update.
    for (TDataSource* source : {dm_->dsDocs, dm_->dsUnits, dm_->dsProcs})
        connect(source, &TDataSource::dataChanged, this, [this] { scheduleCoverageUpdate(); });
    connect(dm_->dsDocs, &TDataSource::currentChanged, this, [this] { scheduleCoverageUpdate(); });
    DBGrid2->gridModel()->setRowDimmed(
        [this](int row) { return RowLeftTheSource(*dm_, *dm_->tblUnits, row); });
    DBGrid3->gridModel()->setRowDimmed(
        [this](int row) { return RowLeftTheSource(*dm_, *dm_->tblProc, row); });
    // A unit whose source was not found says so, rather than seeming empty.
    DBGrid2->gridModel()->setRowHint([this](int row) {
        return MissingSourceText(
            dm_->tblUnits->rowValue(row, dm_->tblUnitsMissingSource->index()).toString());
    });
}

void TfrmInkwright::attachUnitAndRoutineViews(bool attached) {
    DBGrid2->setDataSource(attached ? dm_->dsUnits : nullptr);
    DBMemo1->setDataSource(attached ? dm_->dsUnits : nullptr);
    DBGrid3->setDataSource(attached ? dm_->dsProcs : nullptr);
    DBMemo2->setDataSource(attached ? dm_->dsProcs : nullptr);
    declarationsPage->setAttached(attached);
}

// ---------------------------------------------------------------- start-up

void TfrmInkwright::FormCreate() {
    ShowMainInfoPage();
    const QString dataDirectory = dataDirectoryFor(environment_.executableFolder);
    // A data directory that cannot be made is reported at once, and the
    // alias is re-pointed at it all the same: left alone, it may name another
    // copy's store, which this copy must never open.
    dataDirectoryMade_ = guarded([&] { createDataDirectory(dataDirectory); });
    EnsureDatabaseAlias(*environment_.registry, QString::fromLatin1(TDM1::AliasName), dataDirectory,
                        true);
    // As after any failed step, the rest is skipped.
    if (!dataDirectoryMade_)
        return;
    // The bar runs in the status bar, just right of "Updating:". Its place is
    // measured in the bar's own font, so the word is never covered.
    ProgressBar1->setParent(StatusBar1);
    const int textEnd =
        8 + StatusBar1->fontMetrics().horizontalAdvance(QStringLiteral("Updating:"));
    ProgressBar1->setGeometry(qMax(50, textEnd + 6), 4, 150, 13);
    ProgressBar1->hide();
}

void TfrmInkwright::FormShow() {
    // Without its data directory the tables stay closed; why was said at create.
    if (dm_ && dataDirectoryMade_)
        storeCommands_->openStore();
}

void TfrmInkwright::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    guarded([this] { FormShow(); });
    ShowStoreName();
    CheckWholeStoreInBackground();
}

void TfrmInkwright::ShowMainInfoPage() {
    PageControl1->setCurrentWidget(TabSheet1);
}

// ---------------------------------------------------------------- caption

void TfrmInkwright::ShowPlainCaption() {
    setWindowTitle(QStringLiteral("Inkwright"));
}

void TfrmInkwright::ShowUnitCaption() {
    QString unitName;
    if (dm_ && dm_->tblUnits->isOpen())
        unitName = dm_->tblUnitsUnitName->asString();
    setWindowTitle(QStringLiteral("Inkwright - ") + FileNamePart(unitName));
}

void TfrmInkwright::PageControl1Change() {
    switch (PageControl1->currentIndex()) {
    case 0:
        ShowPlainCaption();
        break;
    case 1:
        ShowUnitCaption();
        break;
    default:
        break;
    }
}

void TfrmInkwright::DBGrid1CellClick() {
    ShowPlainCaption();
}

void TfrmInkwright::DBGrid1KeyUp() {
    ShowPlainCaption();
}

void TfrmInkwright::DBGrid2CellClick() {
    ShowUnitCaption();
}

void TfrmInkwright::DBGrid2KeyUp() {
    ShowUnitCaption();
}

// ---------------------------------------------------------------- search and options

void TfrmInkwright::Search1Click() {
    if (!dm_ || !dm_->tblDocs->isOpen())
        return;
    if (!searchDialog) {
        searchDialog = new SearchDialog(
            this, [this](const QString& text) { return SearchDocuments(dm_->database(), text); });
        connect(searchDialog, &SearchDialog::chosen, this,
                [this](const SearchHit& hit) { guarded([&] { SearchHitChosen(hit); }); });
    }
    // What is being typed is stored first, so the search sees it.
    dm_->postPendingEdits();
    searchDialog->show();
    searchDialog->raise();
    searchDialog->activateWindow();
    searchDialog->text()->setFocus();
    searchDialog->text()->selectAll();
    searchDialog->showResultsFor(searchDialog->text()->text());
}

void TfrmInkwright::SearchHitChosen(const SearchHit& hit) {
    // A declaration opens on its own page, where its words are edited.
    if (hit.declNo) {
        if (!declarationsPage->goToDeclaration(hit.docNo, hit.unitNo, hit.declNo)) {
            dialogs_->information(QStringLiteral("Search"),
                                  QStringLiteral("That declaration is no longer in the store."));
            return;
        }
        PageControl1->setCurrentWidget(declarationsPage);
    } else if (!GoToPlace(*dm_, hit.docNo, hit.unitNo, hit.procNo)) {
        dialogs_->information(QStringLiteral("Search"),
                              QStringLiteral("That unit or routine is no longer in the store."));
        return;
    } else {
        PageControl1->setCurrentWidget(hit.procNo ? TabSheet2 : TabSheet7);
    }
    // The window shows the place; the focus stays in the search window, so
    // the user can go on to the next hit, and Esc closes the search there
    // instead of reaching the window's own Esc, which ends the program.
    if (searchDialog && searchDialog->isVisible())
        searchDialog->activateWindow();
}

void TfrmInkwright::ImportDescriptionsfromComments1Click() {
    ImportDescriptionsFromComments(*dm_, *dialogs_);
}

void TfrmInkwright::RemoveMissingRoutines1Click() {
    RemoveMissingRoutines(*dm_, *dialogs_);
}

void TfrmInkwright::DocumentOptions1Click() {
    // What the reports show is read by each report as it opens: only a
    // new configuration needs the document read again.
    if (!dm_ || !EditDocumentOptions(*dm_, *dialogs_).configuration)
        return;
    // Every unit is read again with the new defines, as a refresh reads them;
    // then the user learns how much of the conditional code was guessed.
    {
        attachUnitAndRoutineViews(false);
        const auto reattach = qScopeGuard([this] { attachUnitAndRoutineViews(true); });
        progress_->takeConditionalsNote();
        commands_->refresh(true);
    }
    if (const QString note = progress_->takeConditionalsNote(); !note.isEmpty())
        dialogs_->information(QStringLiteral("Document Options"), note);
}

// ---------------------------------------------------------------- commands

void TfrmInkwright::Button30Click() {
    close();
}

void TfrmInkwright::Button2Click() {
    if (!dm_ || dm_->tblDocs->recordCount() == 0)
        return;
    // The lists and editors of the units and routines stay detached while
    // the document is rebuilt, and are attached again however it ends.
    // Shift held reads every unit, not only those whose files changed: for
    // when file times cannot be trusted (a restored backup, a network drive).
    const bool readEveryUnit = QGuiApplication::keyboardModifiers() & Qt::ShiftModifier;
    attachUnitAndRoutineViews(false);
    const auto reattach = qScopeGuard([this] { attachUnitAndRoutineViews(true); });
    commands_->refresh(readEveryUnit);
}

void TfrmInkwright::Button26Click() {
    commands_->add();
}

void TfrmInkwright::Button27Click() {
    commands_->rename();
}

void TfrmInkwright::Button28Click() {
    commands_->deleteDocument();
}

void TfrmInkwright::RemovefromProject1Click() {
    commands_->removeFromProject();
}

void TfrmInkwright::Removefromdocumentation1Click() {
    commands_->removeFromDocumentation();
}

void TfrmInkwright::DBEdit1Exit() {
    if (!choosingVersion_)
        DocumentCommands::postOnExit(*dm_->tblDocs);
}

void TfrmInkwright::DBEdit2Exit() {
    if (!choosingVersion_)
        DocumentCommands::postOnExit(*dm_->tblDocs);
}

void TfrmInkwright::DBMemo1Exit() {
    if (DBMemo1->dataSource() && !choosingVersion_)
        DocumentCommands::postOnExit(*dm_->tblUnits);
}

void TfrmInkwright::DBMemo2Exit() {
    if (DBMemo2->dataSource() && !choosingVersion_)
        DocumentCommands::postOnExit(*dm_->tblProc);
}

void TfrmInkwright::Button29Click() {
    const bool wantsVersionInfo = dm_->tblDocs->isOpen() && dm_->tblDocs->recordCount() > 0 &&
                                  dm_->tblDocsisVerInfo->asBoolean();
    if (wantsVersionInfo)
        DBCheckBox1Click();
    RunReport();
}

void TfrmInkwright::RunReport() {
    // The library reads the store, not the window: a change still pending
    // (the version box just toggled, a description being typed) is stored first.
    dm_->postPendingEdits();
    const int docNo = dm_->tblDocs->isOpen() ? dm_->tblDocsDocNo->asInteger() : 0;
    storeCommands_->pointAliasHere();
    ink::RunReport(environment_.executableFolder, docNo, *dialogs_);
}

void TfrmInkwright::DBCheckBox1Click() {
    CaptureVersionInfo(*dm_, *FormMisc1);
}

void TfrmInkwright::CheckBox2Click() {
    SaveDefaults(settingsFilePath(environment_.executableFolder), CheckBox2->isChecked(),
                 DBEdit1->text(), DBEdit2->text());
}

void TfrmInkwright::Button1Click() {
    ApplyDefaults(*dm_, settingsFilePath(environment_.executableFolder));
}

void TfrmInkwright::Button3Click() {}

void TfrmInkwright::SpellIt1Click() {
    SpellCheckDescription(*DBMemo1, *dm_->tblUnits, *VSSpell1);
}

void TfrmInkwright::MenuItem1Click() {
    SpellCheckDescription(*DBMemo2, *dm_->tblProc, *VSSpell1);
}

void TfrmInkwright::OpenwithNotepad1Click() {
    OpenUnitSourceInViewer(*dm_, *launcher_);
}

void TfrmInkwright::CopycodetoClipboard1Click() {
    CopyUnitSourceToClipboard(*dm_, *clipboard_);
}

// A description editor takes the focus before its menu opens, so the menu's
// commands act on it and the control it took the focus from posts its text.
void TfrmInkwright::PopupMenu2Popup() {
    DBMemo1->setFocus(Qt::OtherFocusReason);
}

void TfrmInkwright::PopupMenu3Popup() {
    DBMemo2->setFocus(Qt::OtherFocusReason);
}

void TfrmInkwright::Insertaseparatorline1Click() {
    InsertSeparatorLine(*DBMemo1);
}

void TfrmInkwright::Insertaseparatorline2Click() {
    InsertSeparatorLine(*DBMemo2);
}

void TfrmInkwright::Action1Execute() {
    SelectAllInDescription(QApplication::focusWidget(), DBMemo1, DBMemo2);
    if (QApplication::focusWidget() == declarationsPage->description())
        declarationsPage->description()->selectAll();
}

void TfrmInkwright::DeclarationSpellItClick() {
    SpellCheckDescription(*declarationsPage->description(), *dm_->tblDecls, *VSSpell1);
}

void TfrmInkwright::DeclarationInsertSeparatorClick() {
    InsertSeparatorLine(*declarationsPage->description());
}

void TfrmInkwright::deleteCurrentRowOf(TDBGrid* grid) {
    TTable* table = grid->dataSource() ? grid->dataSource()->dataSet() : nullptr;
    if (!table || table->recordCount() == 0)
        return;
    if (dialogs_->confirm(QStringLiteral("Delete record?")))
        table->deleteWithDetails();
}

} // namespace ink
