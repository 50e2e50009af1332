#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

#include "app/DBGrid.h"
#include "app/DBMemo.h"
#include "WindowFixture.h"

TEST_F(WindowTest, OpensOnMainInfoWithEmptyListsAndTheStoreInPlace) {
    EXPECT_EQ(window->windowTitle(), "Inkwright");
    EXPECT_EQ(window->size(), QSize(538, 367));
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
    QStringList pages;
    for (int i = 0; i < window->PageControl1->count(); ++i)
        pages << window->PageControl1->tabText(i);
    EXPECT_EQ(pages, QStringList({"Main Info", "Units", "Procedures", "About", "Coverage",
                                  "Declarations"}));
    EXPECT_EQ(window->Label9->text(), "0");
    EXPECT_EQ(window->Label10->text(), "0");
    EXPECT_FALSE(window->Button3->isEnabled());
    EXPECT_EQ(window->ProgressBar1->parentWidget(), window->StatusBar1);
    EXPECT_TRUE(window->ProgressBar1->isHidden());
    EXPECT_TRUE(QDir(temp.filePath("program/Data")).exists());
    EXPECT_EQ(QDir::cleanPath(registry->aliasPath("Quillmark")),
              QDir::cleanPath(temp.filePath("program/Data")));
    EXPECT_TRUE(dm->tblDocs->isOpen() && dm->tblUnits->isOpen() && dm->tblProc->isOpen());
    EXPECT_EQ(dialogs.messages(), QStringList());
}

TEST_F(WindowTest, MenusHoldTheirItemsInOrder) {
    auto captions = [](QMenu* menu) {
        QStringList items;
        for (QAction* action : menu->actions())
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return items;
    };
    EXPECT_EQ(captions(window->PopupMenu1),
              QStringList({"&Open with Notepad", "&Copy code to Clipboard", "-",
                           "Remove from Project", "-", "Refresh Row\tF5"}));
    EXPECT_EQ(captions(window->PopupMenu2),
              QStringList({"&Spell It!", "-", "Insert a separator line", "Select All\tCtrl+A"}));
    EXPECT_EQ(captions(window->PopupMenu4),
              QStringList({"Remove from documentation", "-", "Next Undescribed Routine",
                           "Refresh Row\tF5"}));
    EXPECT_EQ(captions(window->PopupMenu5),
              QStringList({"Remove Missing Routines...", "Import Descriptions from Comments...",
                           "Document Options...", "-", "Connect to Shared Database...",
                           "Use Local Database"}));
    EXPECT_EQ(window->NextUndescribedRoutine1->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(window->Action1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
}

TEST_F(WindowTest, CaptionFollowsTheUnitsPageAndTheArrowKeys) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    // The build leaves the document's last unit current.
    window->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(window->windowTitle(), "Inkwright - DATA.PAS");

    window->DBGrid2->setFocus();
    QTest::keyClick(window->DBGrid2, Qt::Key_Up);
    EXPECT_EQ(window->windowTitle(), "Inkwright - Helpers.pas");
    QTest::keyClick(window->DBGrid2, Qt::Key_Up);
    EXPECT_EQ(window->windowTitle(), "Inkwright - Main.pas");
    QTest::keyClick(window->DBGrid2, Qt::Key_Down);
    EXPECT_EQ(window->windowTitle(), "Inkwright - Helpers.pas");

    // The routines list and the procedures page leave the caption alone.
    window->PageControl1->setCurrentIndex(2);
    QTest::keyClick(window->DBGrid3, Qt::Key_Down);
    EXPECT_EQ(window->windowTitle(), "Inkwright - Helpers.pas");

    window->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(window->windowTitle(), "Inkwright");
}

TEST_F(WindowTest, UnitCaptionWithoutUnitsEndsAfterTheDash) {
    window->PageControl1->setCurrentIndex(1);
    EXPECT_EQ(window->windowTitle(), "Inkwright - ");
}

TEST_F(WindowTest, CountsFollowTheCurrentDocumentAndUnit) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    EXPECT_EQ(window->Label9->text(), "4");
    dm->tblUnits->first();
    dm->tblUnits->next(); // Main.pas: two procedures and a function
    EXPECT_EQ(window->Label10->text(), "3");

    window->DBGrid2->setFocus();
    dialogs.confirmations.push_back(true);
    QTest::keyClick(window->DBGrid2, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(window->Label9->text(), "3");
}

TEST_F(WindowTest, CtrlDeleteAsksFirstAndRemovesTheRowsBelow) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    const int routines = countRows("ProcsLib");

    window->DBGrid1->setFocus();
    dialogs.confirmations.push_back(false);
    QTest::keyClick(window->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.texts("confirm"), QStringList({"Delete record?"}));
    EXPECT_EQ(countRows("DocsLib"), 1);
    EXPECT_EQ(countRows("ProcsLib"), routines);

    dialogs.confirmations.push_back(true);
    QTest::keyClick(window->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(countRows("DocsLib"), 0);
    EXPECT_EQ(countRows("UnitsLib"), 0);
    EXPECT_EQ(countRows("ProcsLib"), 0);

    // An empty list ignores the key: no question is asked.
    QTest::keyClick(window->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.texts("confirm").size(), 2);
}

TEST_F(WindowTest, EscapeClosesTheWindow) {
    window->DBGrid1->setFocus();
    QTest::keyClick(window->DBGrid1, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, TypedDescriptionIsStoredBeforeAButtonCommandRuns) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    window->PageControl1->setCurrentIndex(2);
    window->DBMemo2->setFocus();
    QTest::keyClicks(window->DBMemo2, "Shows the count.");
    // Refresh rebuilds from disk; the description typed a moment ago must
    // already be in the row when it starts.
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_EQ(dm->tblProc->state(), ink::TTable::State::Browsing);
    EXPECT_TRUE(column(dm->tblProc, "Description").contains("Shows the count."));
    EXPECT_EQ(dialogs.messages(), QStringList());
}

TEST_F(WindowTest, VersionInfoCheckBoxShowsEmptyAsGreyAndTicksOnClick) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    EXPECT_EQ(window->DBCheckBox1->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(window->DBCheckBox1, Qt::LeftButton);
    EXPECT_EQ(window->DBCheckBox1->checkState(), Qt::Checked);
    EXPECT_EQ(dm->tblDocs->state(), ink::TTable::State::Editing);
    dm->tblDocs->post();
    EXPECT_TRUE(dm->tblDocsisVerInfo->asBoolean());
    QTest::mouseClick(window->DBCheckBox1, Qt::LeftButton);
    EXPECT_EQ(window->DBCheckBox1->checkState(), Qt::Unchecked);
}

TEST_F(WindowTest, SecondStartFindsTheDocumentsAgain) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    stopWindow();
    startWindow();
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"SAMPLE"}));
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
}

TEST_F(WindowTest, AProgramFolderWhereDataCannotBeMadeIsReportedAtOnce) {
    stopWindow();
    dialogs.shown.clear();
    temp.write("blocked", "a file where the program folder should be");
    window = std::make_unique<ink::TfrmInkwright>(
        ink::StartupEnvironment{temp.filePath("blocked"), registry}, &dialogs);
    dm = std::make_unique<ink::TDM1>(nullptr, registry);
    window->bindDataModule(dm.get());
    window->show();
    ASSERT_FALSE(dialogs.texts("generalError").isEmpty());
    EXPECT_TRUE(dialogs.texts("generalError").first().contains(temp.filePath("blocked")));
    EXPECT_TRUE(window->isVisible());
    // The rest of the create step was skipped: the bar stays in the panel.
    EXPECT_EQ(window->ProgressBar1->parentWidget(), window->Panel1);
}

TEST_F(WindowTest, ADamagedDatabaseIsReportedAndLeftUntouched) {
    stopWindow();
    dialogs.shown.clear();
    const QByteArray junk(4096, '\x5a');
    const QString file = temp.write("program/Data/Inkwright.sqlite", junk);
    startWindow();
    ASSERT_EQ(dialogs.texts("generalError").size(), 1);
    EXPECT_TRUE(dialogs.texts("generalError").first().contains(file));
    EXPECT_FALSE(dm->tblDocs->isOpen());
    EXPECT_FALSE(dm->tblProc->isOpen());
    QFile stored(file);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), junk);
    // Commands on the closed tables report instead of failing silently.
    QTest::mouseClick(window->Button27, Qt::LeftButton);
    EXPECT_EQ(dialogs.texts("generalError").size(), 1); // rename with no rows does nothing
}
