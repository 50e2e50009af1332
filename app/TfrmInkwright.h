#pragma once
#include <memory>
#include <QWidget>

class QAction;
class QKeySequence;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QCheckBox;
class QFrame;

namespace ink {

class AliasRegistry;
class CoveragePage;
class DeclarationsPage;
class SearchDialog;
struct SearchHit;
class StoreCommands;
class Dialogs;
class DocumentCommands;
class ProgramLauncher;
class TextClipboard;
class THotLinkLabel;
class TVSSpell;
class TFormMisc;
class TDBCheckBox;
class TDBEdit;
class TDBGrid;
class TDBMemo;
class TDM1;
class TTable;
class WholeStoreCheck;
class WindowBuildProgress;

// Where start-up finds the program's folder and the engine's configuration.
// The real program uses its own executable's folder and the user's
// configuration; tests point both at a temporary folder.
struct StartupEnvironment {
    QString executableFolder;
    std::shared_ptr<AliasRegistry> registry;
    static StartupEnvironment forRunningProgram();
};

// The main window: four pages over the documentation store, a panel of
// buttons and a status bar. Its handlers are thin: each runs a command
// inside the error guard. A handler may touch the window's own widgets and
// the data module's tables and fields (move, post, read the current row);
// what the store holds beyond that (counts, searches, missing rows, which
// store is open, where the alias points) it asks of a command in docs/,
// aids/ or store/: no SQL here, no field named but to bind a control to it.
class TfrmInkwright : public QWidget {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate. The data module is bound after.
    TfrmInkwright(StartupEnvironment environment, Dialogs* dialogs);
    ~TfrmInkwright() override;

    // Resolves the data-bound controls' data sources once DM1 exists.
    void bindDataModule(TDM1* dm);
    Dialogs& dialogs() const { return *dialogs_; }
    const StartupEnvironment& environment() const { return environment_; }

    // Start-up.
    void FormCreate();
    void FormShow();
    void ShowMainInfoPage();

    // Caption and counts.
    void ShowPlainCaption();
    void ShowUnitCaption();

    // Handlers.
    void Button30Click();
    void PageControl1Change();
    void DBGrid1CellClick();
    void DBGrid1KeyUp();
    void DBGrid2CellClick();
    void DBGrid2KeyUp();
    void DBGrid2DrawColumnCell();
    void DBGrid3DrawColumnCell();
    void Button2Click();
    void Button26Click();
    void Button27Click();
    void Button28Click();
    void RemovefromProject1Click();
    void Removefromdocumentation1Click();
    void DBEdit1Exit();
    void DBEdit2Exit();
    void DBMemo1Exit();
    void DBMemo2Exit();
    void Button29Click();
    void Button3Click();
    void SpellIt1Click();
    void MenuItem1Click();
    void OpenwithNotepad1Click();
    void CopycodetoClipboard1Click();
    void PopupMenu2Popup();
    void PopupMenu3Popup();
    void Insertaseparatorline1Click();
    void Insertaseparatorline2Click();
    void Action1Execute();
    void CheckBox2Click();
    void Button1Click();
    void DBCheckBox1Click();
    void RunReport();
    void NextUndescribedRoutine1Click();
    void DeclarationSpellItClick();
    void DeclarationInsertSeparatorClick();
    void RemoveMissingRoutines1Click();
    void ImportDescriptionsfromComments1Click();
    void DocumentOptions1Click();
    // The coverage of the current document on the status bar and its page.
    void ShowCoverage();
    void CoverageUnitChosen(int unitNo);
    void Search1Click();
    void SearchHitChosen(const SearchHit& hit);
    // The store: a team's shared database on a server, or the local one.
    void ConnecttoSharedDatabase1Click();
    void UseLocalDatabase1Click();
    void ShowStoreName();
    // A store found damaged, at start-up or by any read since, is closed
    // rather than shown in part, and the commands that work on it stay off
    // until another store is opened.
    void StoreFoundDamaged();
    // A large local store is opened after a check of samples of it; the
    // whole of it is then read on a thread of its own, and damage found
    // there closes it as damage met by a read does.
    void CheckWholeStoreInBackground();
    void WholeStoreFoundDamaged(const QString& file, const QString& detail);
    // "Refresh Row": on the units list, the routines list, and (F5) on the
    // table being edited.
    void RefreshRow1Click();
    void RefreshRow2Click();
    void Action2Execute();
    // Another user changed the store; the lists were reloaded.
    void OthersChanged();

    // Where the source commands send their work; tests put recorders here.
    void setLauncher(ProgramLauncher* launcher) { launcher_ = launcher; }
    void setClipboard(TextClipboard* clipboard) { clipboard_ = clipboard; }

    // Controls, named as their objectName.
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet7;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    QGroupBox* GroupBox1;
    QLabel* Label13;
    TDBEdit* DBEdit1;
    QLabel* Label14;
    TDBEdit* DBEdit2;
    TDBCheckBox* DBCheckBox1;
    QCheckBox* CheckBox2;
    QPushButton* Button1;
    QLabel* Label12;
    TDBGrid* DBGrid1;
    QPushButton* Button26;
    QPushButton* Button27;
    QPushButton* Button28;
    QLabel* Label15;
    QLabel* Label9;
    TDBGrid* DBGrid2;
    QLabel* Label16;
    TDBMemo* DBMemo1;
    QPlainTextEdit* Memo1;
    QLabel* Label2;
    QLabel* Label10;
    TDBGrid* DBGrid3;
    QLabel* Label3;
    TDBMemo* DBMemo2;
    QLabel* Image1;
    QLabel* AboutTitle;
    QLabel* AboutCredits;
    QFrame* Panel2;
    THotLinkLabel* HotLinkLabel1;
    QLabel* Label1;
    THotLinkLabel* HotLinkLabel2;
    TVSSpell* VSSpell1;
    TFormMisc* FormMisc1;
    QWidget* Panel1;
    QPushButton* Button30;
    QProgressBar* ProgressBar1;
    QPushButton* Button3;
    QPushButton* Button2;
    QPushButton* Button29;
    QStatusBar* StatusBar1;
    QMenu* PopupMenu1;
    QMenu* PopupMenu2;
    QMenu* PopupMenu3;
    QMenu* PopupMenu4;
    QAction* OpenwithNotepad1;
    QAction* CopycodetoClipboard1;
    QAction* RemovefromProject1;
    QAction* SpellIt1;
    QAction* Insertaseparatorline1;
    QAction* SelectAll1;
    QAction* MenuItem1;
    QAction* Insertaseparatorline2;
    QAction* Action11;
    QAction* Removefromdocumentation1;
    QAction* Action1;
    // Beyond the four pages: the coverage page, its status bar text, the
    // documents list's menu and the routines list's search for the undescribed.
    CoveragePage* coveragePage;
    // After "Coverage": the current unit's declarations and their descriptions.
    DeclarationsPage* declarationsPage;
    QLabel* coverageStatus;
    QMenu* PopupMenu5;
    QAction* RemoveMissingRoutines1;
    QAction* ImportDescriptionsfromComments1;
    QAction* DocumentOptions1;
    QAction* NextUndescribedRoutine1;
    QAction* Search1; // Ctrl+F, anywhere in the window
    QAction* ConnecttoSharedDatabase1;
    QAction* UseLocalDatabase1;
    QAction* Action2; // "Refresh Row", F5 anywhere in the window
    QAction* RefreshRow1;
    QAction* RefreshRow2;
    QLabel* storeStatus;                  // which store is open, at the status bar's right
    SearchDialog* searchDialog = nullptr; // made at the first Ctrl+F

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildWindow();
    void buildMainInfoPage();
    void buildUnitsPage();
    void buildProceduresPage();
    void buildAboutPage();
    void buildBottomPanel();
    void buildStatusBar();
    void buildMenus();
    QAction* windowAction(const QString& name, const QString& caption,
                          const QKeySequence& shortcut);
    void buildUnitsMenu();
    void buildDescriptionMenus();
    void buildRoutinesMenu();
    void buildDocumentsMenu();
    void buildCoverage();
    void scheduleCoverageUpdate();
    static void showCount(QLabel* label, int count, const QString& what);
    void showUnitCount();
    void showRoutineCount();
    void connectHandlers();
    void connectListsAndEditors();
    void connectActions();
    void attachUnitAndRoutineViews(bool attached);
    void deleteCurrentRowOf(TDBGrid* grid);
    void showMenu(QMenu* menu, QWidget* owner, const QPoint& position);
    TTable* tableBeingEdited() const;
    void refreshRowOf(TTable& table);
    void enableStoreCommands(bool enabled);

    StartupEnvironment environment_;
    Dialogs* dialogs_;
    TDM1* dm_ = nullptr;
    std::unique_ptr<WindowBuildProgress> progress_;
    std::unique_ptr<DocumentCommands> commands_;
    std::unique_ptr<StoreCommands> storeCommands_;
    std::unique_ptr<ProgramLauncher> systemLauncher_;
    std::unique_ptr<TextClipboard> systemClipboard_;
    std::unique_ptr<WholeStoreCheck> wholeStoreCheck_;
    QString checkedWholeFile_; // the store wholeStoreCheck_ reads
    ProgramLauncher* launcher_ = nullptr;
    TextClipboard* clipboard_ = nullptr;
    bool shownOnce_ = false;
    bool dataDirectoryMade_ = false;
    bool coverageUpdatePending_ = false;
    bool damageCheckPending_ = false;
    // While the user chooses between two versions of a row, the editor that
    // lost the focus to that box must not store its text over theirs.
    bool choosingVersion_ = false;
};

} // namespace ink
