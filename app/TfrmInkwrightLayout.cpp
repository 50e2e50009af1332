// The main window's widgets: where each control stands, its font and its
// name. The handlers and the wiring are in TfrmInkwright.cpp.
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
#include "docs/DefaultsCommands.h"
#include "docs/DocumentCommands.h"
#include "docs/ReportBridge.h"
#include "docs/UserDefaults.h"
#include "docs/VersionCapture.h"
#include "ErrorGuard.h"
#include "PageControl.h"
#include "scan/PathParts.h"
#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDataSource.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "WindowBuildProgress.h"

namespace ink {

namespace {
constexpr int ClientWidth = 538;
constexpr int ClientHeight = 367;
constexpr int PagesHeight = 313;
constexpr int PanelHeight = 35;
constexpr int StatusBarHeight = 19;

QFont courierNew(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont msSansSerif(int pixels, bool bold = false) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLabel* countLabel(QWidget* parent, const QString& name, const QString& what, int x, int y) {
    QLabel* l = label(parent, name, QStringLiteral("0"), x, y);
    l->setMinimumWidth(60);
    l->setAccessibleName(QStringLiteral("0 %1").arg(what));
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    l->setPalette(palette);
    return l;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, int x, int y) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(x, y, 75, 25);
    return b;
}

QAction* menuItem(QMenu* menu, const QString& name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void styleGridTitles(TDBGrid* grid) {
    grid->horizontalHeader()->setFont(msSansSerif(11, true));
    grid->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { color: navy; }"));
}
} // namespace

void TfrmInkwright::buildWindow() {
    setWindowTitle(QStringLiteral("Inkwright"));
    setWindowIcon(QIcon(QStringLiteral(":/inkwright.png")));
    setFont(courierNew(11));
    setFixedSize(ClientWidth, ClientHeight);

    PageControl1 = new PageControl(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, ClientWidth, PagesHeight);
    buildMainInfoPage();
    buildUnitsPage();
    buildProceduresPage();
    buildAboutPage();
    buildBottomPanel();
    buildStatusBar();
    buildCoverage();
    declarationsPage = new DeclarationsPage;
    PageControl1->addTab(declarationsPage, QStringLiteral("Declarations"));

    // The spelling checker sits on the window itself, over the bottom panel
    // just left of "User Docs": a free spot, where it hides no typed text.
    VSSpell1 = new TVSSpell(this);
    VSSpell1->setObjectName(QStringLiteral("VSSpell1"));
    VSSpell1->setGeometry(Button3->x() - 23 - 5, PagesHeight + (PanelHeight - 23) / 2, 23, 23);
    VSSpell1->raise();
    FormMisc1 = new TFormMisc(this);
    FormMisc1->setObjectName(QStringLiteral("FormMisc1"));

    buildMenus();
    connectHandlers();
}

void TfrmInkwright::buildMainInfoPage() {
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Main Info"));

    GroupBox1 = new QGroupBox(QStringLiteral(" Information "), TabSheet1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(4, 2, 522, 65);
    Label13 = label(GroupBox1, QStringLiteral("Label13"), QStringLiteral("Author Name:"), 10, 21);
    DBEdit1 = new TDBEdit(GroupBox1, QStringLiteral("DBEdit1"));
    DBEdit1->setGeometry(113, 18, 401, 20);
    Label14 = label(GroupBox1, QStringLiteral("Label14"), QStringLiteral("Comp. Name:"), 10, 44);
    DBEdit2 = new TDBEdit(GroupBox1, QStringLiteral("DBEdit2"));
    DBEdit2->setGeometry(113, 41, 401, 20);
    Label13->setBuddy(DBEdit1);
    Label14->setBuddy(DBEdit2);

    DBCheckBox1 = new TDBCheckBox(QStringLiteral("Include Version Info"), TabSheet1,
                                  QStringLiteral("DBCheckBox1"));
    DBCheckBox1->setGeometry(8, 71, 200, 20);
    CheckBox2 = new QCheckBox(QStringLiteral("Set as default"), TabSheet1);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(290, 71, 140, 20);
    Button1 = button(TabSheet1, QStringLiteral("Button1"), QStringLiteral("Default"), 449, 69);

    Label12 = label(TabSheet1, QStringLiteral("Label12"), QStringLiteral("Documents List:"), 8, 97);
    DBGrid1 = new TDBGrid(TabSheet1, QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Documents List"));
    DBGrid1->setGeometry(8, 111, 513, 145);
    styleGridTitles(DBGrid1);
    QFont cellFont = courierNew(12);
    DBGrid1->setColumns({
        {QStringLiteral("DocName"), QStringLiteral("Document Name"), 262, QColor(Qt::green),
         cellFont, QColor(Qt::black)},
        {QStringLiteral("DocSize"), QStringLiteral("Size"), 0, {}, cellFont, {}},
        {QStringLiteral("DocDate"), QStringLiteral("Modified"), 161, {}, cellFont, {}},
    });

    Button26 = button(TabSheet1, QStringLiteral("Button26"), QStringLiteral("Add"), 8, 259);
    Button27 = button(TabSheet1, QStringLiteral("Button27"), QStringLiteral("Rename"), 88, 259);
    Button28 = button(TabSheet1, QStringLiteral("Button28"), QStringLiteral("Delete"), 168, 259);
}

void TfrmInkwright::buildUnitsPage() {
    TabSheet7 = new QWidget;
    TabSheet7->setObjectName(QStringLiteral("TabSheet7"));
    PageControl1->addTab(TabSheet7, QStringLiteral("Units"));

    Label15 =
        label(TabSheet7, QStringLiteral("Label15"), QStringLiteral("Units/Forms List:"), 8, 4);
    Label9 = countLabel(TabSheet7, QStringLiteral("Label9"), QStringLiteral("units"),
                        Label15->x() + Label15->width() + 6, 4);
    DBGrid2 = new TDBGrid(TabSheet7, QStringLiteral("DBGrid2"));
    DBGrid2->setAccessibleName(QStringLiteral("Units/Forms List"));
    DBGrid2->setGeometry(8, 22, 233, 257);
    DBGrid2->setToolTip(QStringLiteral("Right click here to popup a menu !"));
    styleGridTitles(DBGrid2);
    DBGrid2->setColumns({
        {QStringLiteral("UnitName"),
         QStringLiteral("Unit Name"),
         116,
         QColor(Qt::yellow),
         courierNew(11),
         {}},
        {QStringLiteral("FormName"),
         QStringLiteral("Form Name"),
         98,
         {},
         courierNew(11),
         QColor(Qt::darkGreen)},
    });

    Label16 = label(TabSheet7, QStringLiteral("Label16"), QStringLiteral("Description:"), 248, 4);
    DBMemo1 = new TDBMemo(TabSheet7, QStringLiteral("DBMemo1"));
    DBMemo1->setGeometry(248, 22, 273, 257);
    DBMemo1->setToolTip(QStringLiteral("Right click here to checkspell the text !"));
    Label16->setBuddy(DBMemo1); // also its name for screen readers

    Memo1 = new QPlainTextEdit(TabSheet7);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setPlainText(QStringLiteral("Memo1"));
    Memo1->hide();
}

void TfrmInkwright::buildProceduresPage() {
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Procedures"));

    Label2 = label(TabSheet2, QStringLiteral("Label2"), QStringLiteral("Procedure/Function List:"),
                   8, 4);
    Label10 = countLabel(TabSheet2, QStringLiteral("Label10"), QStringLiteral("routines"),
                         Label2->x() + Label2->width() + 6, 4);
    DBGrid3 = new TDBGrid(TabSheet2, QStringLiteral("DBGrid3"));
    DBGrid3->setAccessibleName(QStringLiteral("Procedure/Function List"));
    DBGrid3->setGeometry(8, 22, 513, 145);
    styleGridTitles(DBGrid3);
    DBGrid3->setColumns({
        {QStringLiteral("ProcName"),
         QStringLiteral("Procedure Name"),
         130,
         QColor(Qt::darkYellow),
         courierNew(11),
         {}},
        {QStringLiteral("ProcParams"), QStringLiteral("Parameters"), 194, {}, courierNew(11), {}},
        {QStringLiteral("ProcType"),
         QStringLiteral("Proc/Func"),
         81,
         {},
         courierNew(11, true),
         QColor(Qt::darkGreen),
         Qt::AlignCenter},
        {QStringLiteral("ResultType"), QStringLiteral("Result Type"), 88, {}, courierNew(11), {}},
    });

    Label3 = label(TabSheet2, QStringLiteral("Label3"), QStringLiteral("Description:"), 8, 170);
    DBMemo2 = new TDBMemo(TabSheet2, QStringLiteral("DBMemo2"));
    DBMemo2->setGeometry(8, 184, 513, 97);
    DBMemo2->setToolTip(QStringLiteral("Right click here to checkspell the text !"));
    Label3->setBuddy(DBMemo2);
}

void TfrmInkwright::buildAboutPage() {
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet3, QStringLiteral("About"));

    Image1 = new QLabel(TabSheet3);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 16, 32, 32);
    Image1->setPixmap(QIcon(QStringLiteral(":/inkwright.png")).pixmap(32, 32));

    AboutTitle = new QLabel(QStringLiteral("Inkwright v1.1.0"), TabSheet3);
    AboutTitle->setObjectName(QStringLiteral("AboutTitle"));
    QFont impact(QStringLiteral("Impact"));
    impact.setPixelSize(29);
    AboutTitle->setFont(impact);
    AboutTitle->move(60, 12);
    AboutTitle->adjustSize();

    AboutCredits = new QLabel(TabSheet3);
    AboutCredits->setObjectName(QStringLiteral("AboutCredits"));
    AboutCredits->setText(QStringLiteral("Reference documentation for Object Pascal projects.\n"
                                         "Written by the Inkwright team.\n"
                                         "Copyright (C) 2026 Inkwright Example Works."));
    AboutCredits->move(16, 64);
    AboutCredits->adjustSize();

    Panel2 = new QFrame(TabSheet3);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    Panel2->setGeometry(16, 130, 498, 40);

    // The links stand at fixed places: their hover shift moves them by hand.
    auto link = [this](const QString& name, THotLinkLabel::TLinkType type,
                       const QString& destination, const QString& caption, int x) {
        auto* label = new THotLinkLabel(Panel2);
        label->setObjectName(name);
        label->setLinkType(type);
        label->setLinkDestination(destination);
        label->setText(caption);
        QFont font = msSansSerif(11);
        font.setUnderline(true);
        label->setFont(font);
        label->move(x, 12);
        label->adjustSize();
        return label;
    };
    HotLinkLabel1 = link(QStringLiteral("HotLinkLabel1"), THotLinkLabel::ltHTTP,
                         QStringLiteral("www.inkwright.example"),
                         QStringLiteral("http://www.inkwright.example"), 12);
    Label1 = label(Panel2, QStringLiteral("Label1"), QStringLiteral("or mail to:"),
                   HotLinkLabel1->geometry().right() + 12, 12);
    Label1->setFont(msSansSerif(11));
    Label1->adjustSize();
    HotLinkLabel2 = link(QStringLiteral("HotLinkLabel2"), THotLinkLabel::ltMAILTO,
                         QStringLiteral("docs@inkwright.example"),
                         QStringLiteral("docs@inkwright.example"), Label1->geometry().right() + 12);
}

void TfrmInkwright::buildBottomPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, PagesHeight, ClientWidth, PanelHeight);

    Button30 = button(Panel1, QStringLiteral("Button30"), QStringLiteral("Close"), 8, 5);
    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(90, 11, 150, 13);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    Button3 = button(Panel1, QStringLiteral("Button3"), QStringLiteral("User Docs"), 290, 5);
    Button3->setEnabled(false);
    Button2 = button(Panel1, QStringLiteral("Button2"), QStringLiteral("Refresh"), 372, 5);
    Button29 = button(Panel1, QStringLiteral("Button29"), QStringLiteral("Preview"), 454, 5);
}

void TfrmInkwright::buildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, ClientHeight - StatusBarHeight, ClientWidth, StatusBarHeight);
}

// The fifth page and the coverage text at the status bar's right end, apart
// from the text area that shows "Updating:".
void TfrmInkwright::buildCoverage() {
    coveragePage = new CoveragePage;
    PageControl1->addTab(coveragePage, QStringLiteral("Coverage"));
    // Which store is open, always in sight: "Local" or user@server/database.
    storeStatus = new QLabel(StatusBar1);
    storeStatus->setObjectName(QStringLiteral("storeStatus"));
    storeStatus->setContentsMargins(0, 0, 12, 0); // apart from the coverage text
    StatusBar1->addPermanentWidget(storeStatus);
    coverageStatus = new QLabel(StatusBar1);
    coverageStatus->setObjectName(QStringLiteral("coverageStatus"));
    StatusBar1->addPermanentWidget(coverageStatus);
}

// An action of the whole window: its shortcut works whatever has the focus.
QAction* TfrmInkwright::windowAction(const QString& name, const QString& caption,
                                     const QKeySequence& shortcut) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

void TfrmInkwright::buildMenus() {
    Action1 = windowAction(QStringLiteral("Action1"), QStringLiteral("Select All"),
                           QKeySequence(Qt::CTRL | Qt::Key_A));
    Search1 = windowAction(QStringLiteral("Search1"), QStringLiteral("Search..."),
                           QKeySequence(Qt::CTRL | Qt::Key_F));
    // "Refresh Row" works anywhere in the window on the row being edited;
    // the lists' items run it on their own table.
    Action2 = windowAction(QStringLiteral("Action2"), QStringLiteral("Refresh Row"),
                           QKeySequence(Qt::Key_F5));
    buildUnitsMenu();
    buildDescriptionMenus();
    buildRoutinesMenu();
    buildDocumentsMenu();

    const std::pair<QWidget*, QMenu*> menuOwners[] = {{DBGrid2, PopupMenu1},
                                                      {DBMemo1, PopupMenu2},
                                                      {DBMemo2, PopupMenu3},
                                                      {DBGrid3, PopupMenu4},
                                                      {DBGrid1, PopupMenu5}};
    for (const auto& [widget, popup] : menuOwners) {
        QWidget* owner = widget;
        QMenu* menu = popup;
        owner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(owner, &QWidget::customContextMenuRequested, this,
                [this, owner, menu](const QPoint& position) { showMenu(menu, owner, position); });
    }
}

void TfrmInkwright::buildUnitsMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    OpenwithNotepad1 = menuItem(PopupMenu1, QStringLiteral("OpenwithNotepad1"),
                                QStringLiteral("&Open with Notepad"));
    CopycodetoClipboard1 = menuItem(PopupMenu1, QStringLiteral("CopycodetoClipboard1"),
                                    QStringLiteral("&Copy code to Clipboard"));
    PopupMenu1->addSeparator();
    RemovefromProject1 = menuItem(PopupMenu1, QStringLiteral("RemovefromProject1"),
                                  QStringLiteral("Remove from Project"));
    PopupMenu1->addSeparator();
    RefreshRow1 =
        menuItem(PopupMenu1, QStringLiteral("RefreshRow1"), QStringLiteral("Refresh Row\tF5"));
}

void TfrmInkwright::buildDescriptionMenus() {
    auto descriptionMenu = [this](const QString& menuName, const QString& spellName,
                                  const QString& separatorName, const QString& selectAllName,
                                  QAction*& spell, QAction*& separator, QAction*& selectAll) {
        auto* menu = new QMenu(this);
        menu->setObjectName(menuName);
        spell = menuItem(menu, spellName, QStringLiteral("&Spell It!"));
        menu->addSeparator();
        separator = menuItem(menu, separatorName, QStringLiteral("Insert a separator line"));
        // The item shows the action's caption and shortcut and runs the action.
        selectAll = menuItem(menu, selectAllName, QStringLiteral("Select All\tCtrl+A"));
        connect(selectAll, &QAction::triggered, Action1, &QAction::trigger);
        return menu;
    };
    PopupMenu2 =
        descriptionMenu(QStringLiteral("PopupMenu2"), QStringLiteral("SpellIt1"),
                        QStringLiteral("Insertaseparatorline1"), QStringLiteral("SelectAll1"),
                        SpellIt1, Insertaseparatorline1, SelectAll1);
    PopupMenu3 =
        descriptionMenu(QStringLiteral("PopupMenu3"), QStringLiteral("MenuItem1"),
                        QStringLiteral("Insertaseparatorline2"), QStringLiteral("Action11"),
                        MenuItem1, Insertaseparatorline2, Action11);
}

void TfrmInkwright::buildRoutinesMenu() {
    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    Removefromdocumentation1 = menuItem(PopupMenu4, QStringLiteral("Removefromdocumentation1"),
                                        QStringLiteral("Remove from documentation"));
    PopupMenu4->addSeparator();
    NextUndescribedRoutine1 = menuItem(PopupMenu4, QStringLiteral("NextUndescribedRoutine1"),
                                       QStringLiteral("Next Undescribed Routine"));
    NextUndescribedRoutine1->setShortcut(QKeySequence(Qt::Key_F3));
    NextUndescribedRoutine1->setShortcutContext(Qt::WindowShortcut);
    addAction(NextUndescribedRoutine1);
    RefreshRow2 =
        menuItem(PopupMenu4, QStringLiteral("RefreshRow2"), QStringLiteral("Refresh Row\tF5"));
}

void TfrmInkwright::buildDocumentsMenu() {
    PopupMenu5 = new QMenu(this);
    PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    RemoveMissingRoutines1 = menuItem(PopupMenu5, QStringLiteral("RemoveMissingRoutines1"),
                                      QStringLiteral("Remove Missing Routines..."));
    ImportDescriptionsfromComments1 =
        menuItem(PopupMenu5, QStringLiteral("ImportDescriptionsfromComments1"),
                 QStringLiteral("Import Descriptions from Comments..."));
    DocumentOptions1 = menuItem(PopupMenu5, QStringLiteral("DocumentOptions1"),
                                QStringLiteral("Document Options..."));
    PopupMenu5->addSeparator();
    ConnecttoSharedDatabase1 = menuItem(PopupMenu5, QStringLiteral("ConnecttoSharedDatabase1"),
                                        QStringLiteral("Connect to Shared Database..."));
    UseLocalDatabase1 = menuItem(PopupMenu5, QStringLiteral("UseLocalDatabase1"),
                                 QStringLiteral("Use Local Database"));
}

} // namespace ink
