// The coverage on the real window: the status text, the "Coverage" page and
// its way back to a unit, F3 through the undescribed routines, and the rows a
// refresh no longer finds.
#include <QStatusBar>
#include <QTreeWidget>

#include "app/CoveragePage.h"
#include "app/SearchDialog.h"
#include "WindowFixture.h"

namespace {

class CoverageWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = std::make_unique<SampleProject>(temp);
        addDocument(project->projectPath, "sample");
        QApplication::processEvents();
    }
    void describe(const char* unit, const char* routine, const QString& text) {
        ASSERT_TRUE(dm->tblUnits->locate("UnitName", unit));
        ASSERT_TRUE(dm->tblProc->locate("ProcName", routine));
        dm->tblProc->edit();
        dm->tblProcDescription->setValue(text);
        dm->tblProc->post();
        QApplication::processEvents();
    }
    QString status() const { return window->coverageStatus->text(); }
    QString currentRoutine() const {
        return dm->tblUnitsUnitName->asString() + "/" + dm->tblProcProcName->asString();
    }
    std::unique_ptr<SampleProject> project;
};

} // namespace

TEST_F(CoverageWindow, TheStatusBarFollowsTheDescriptionsAsTheyAreStored) {
    // Forms, Main (a class, its two methods and a routine), Helpers (1),
    // Data (1); what a declaration shares with its routine row counts.
    EXPECT_EQ(status(), "Described: 0 of 6 declarations (0.0%)");
    describe("Main.pas", "Init", "Sets up.");
    EXPECT_EQ(status(), "Described: 1 of 6 declarations (16.6%)");
    // The "Updating:" text area is left to the build.
    EXPECT_EQ(window->StatusBar1->currentMessage(), "");
}

TEST_F(CoverageWindow, ThePageDrawsBarsSortsAndLeadsBackToTheUnit) {
    describe("Main.pas", "Init", "Sets up.");
    describe("DATA.PAS", "Connect", "Opens it.");
    window->PageControl1->setCurrentWidget(window->coveragePage);
    QApplication::processEvents();
    QTreeWidget* list = window->coveragePage->list();
    ASSERT_EQ(list->topLevelItemCount(), 4);
    QStringList rows;
    for (int i = 0; i < 4; ++i)
        rows << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1);
    EXPECT_EQ(rows,
              QStringList({"Forms -", "Main.pas 25.0%", "Helpers.pas 0.0%", "DATA.PAS 100.0%"}));
    EXPECT_EQ(list->headerItem()->text(ink::CoveragePage::CountColumn), "Declarations");
    EXPECT_EQ(window->coveragePage->total()->text(),
              "Total: Described: 2 of 6 declarations (33.3%)");
    // The bar is drawn: a picture of the row differs from one of its text alone.
    const QImage drawn = list->viewport()->grab().toImage();
    auto barStart = [&](int row) {
        const QRect item = list->visualItemRect(list->topLevelItem(row));
        return drawn.pixelColor(list->columnViewportPosition(1) + 6, item.center().y());
    };
    EXPECT_NE(barStart(3), barStart(2)); // all described against none

    list->sortByColumn(ink::CoveragePage::BarColumn, Qt::AscendingOrder);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Helpers.pas"); // the undescribed first
    EXPECT_EQ(list->topLevelItem(3)->text(0), "Forms");       // nothing to describe

    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet7);
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "Helpers.pas");
    EXPECT_EQ(window->windowTitle(), "Inkwright - Helpers.pas");
}

TEST_F(CoverageWindow, F3WalksTheUndescribedRoutinesAcrossUnits) {
    describe("Main.pas", "Button1Click", "Clicked.");
    describe("DATA.PAS", "Connect", "Opens it.");
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(window.get(), Qt::Key_F3);
        visited << currentRoutine();
    }
    // From Data's Connect it starts over at the first unit, skipping the
    // described and the placeholders.
    EXPECT_EQ(visited, QStringList({"Main.pas/Init", "Main.pas/GetCount", "Helpers.pas/Twice",
                                    "Main.pas/Init"}));
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);

    describe("Main.pas", "Init", "x");
    describe("Main.pas", "GetCount", "x");
    describe("Helpers.pas", "Twice", "x");
    window->NextUndescribedRoutine1->trigger();
    EXPECT_EQ(dialogs.texts("information"),
              QStringList({"Every routine of this document is described."}));
}

TEST_F(CoverageWindow, ARoutineThatLeftIsStruckThroughUncountedAndRemovable) {
    describe("Main.pas", "GetCount", "Counts.");
    temp.write("work/app/Main.pas",
               "unit Main;\r\ninterface\r\ntype\r\n  TFormMain = class(TForm)\r\n"
               "    procedure Button1Click(Sender: TObject);\r\n  end;\r\n"
               "procedure Init(A: Integer);\r\nimplementation\r\nend.\r\n");
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(countRows("ProcsLib"), 9); // nothing deleted; Main gained a placeholder
    EXPECT_EQ(status(), "Described: 0 of 5 declarations (0.0%)");

    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Main.pas"));
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    QApplication::processEvents();
    ink::DBGridModel* model = window->DBGrid3->gridModel();
    QStringList struck;
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->data(model->index(row, 0), Qt::FontRole).value<QFont>().strikeOut())
            struck << model->data(model->index(row, 0), Qt::DisplayRole).toString();
    EXPECT_EQ(struck, QStringList({"GetCount"}));
    EXPECT_EQ(window->Label10->text(), "4");
    EXPECT_EQ(window->Label10->toolTip(), "1 of them left the source");

    dialogs.confirmations = {true};
    window->RemoveMissingRoutines1->trigger();
    ASSERT_EQ(dialogs.texts("confirm").size(), 1);
    EXPECT_EQ(dialogs.texts("confirm").first(),
              "Remove 0 missing units, 1 missing routine and 1 missing declaration that left the "
              "source of SAMPLE? 1 of the routines have descriptions; 1 description is lost with "
              "them.");
    EXPECT_EQ(countRows("ProcsLib"), 8);
    EXPECT_EQ(window->Label10->text(), "3");

    window->RemoveMissingRoutines1->trigger(); // nothing left to remove: told so, nothing asked
    EXPECT_EQ(dialogs.texts("information").size(), 1);
}

TEST_F(CoverageWindow, CtrlFFindsAcrossDocumentsAndEnterJumpsThere) {
    describe("Helpers.pas", "Twice", "Doubles the value.");
    window->PageControl1->setCurrentWidget(window->TabSheet1);
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(window->searchDialog, nullptr);
    EXPECT_TRUE(window->searchDialog->isVisible());
    QTest::keyClicks(window->searchDialog->text(), "doub");
    QTreeWidget* results = window->searchDialog->results();
    ASSERT_EQ(results->topLevelItemCount(), 1);
    EXPECT_EQ(results->topLevelItem(0)->text(2), "Twice");
    EXPECT_EQ(results->topLevelItem(0)->text(3), "Doubles the value.");

    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Main.pas"));
    QTest::keyClick(window->searchDialog->text(), Qt::Key_Return);
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
    EXPECT_EQ(currentRoutine(), "Helpers.pas/Twice");
    EXPECT_EQ(window->DBMemo2->toPlainText(), "Doubles the value.");
}

// A keyboard user chooses a hit and goes on searching: the focus stays in the
// search window, and Esc there closes only it, never the program.
TEST_F(CoverageWindow, TheSearchWindowKeepsTheFocusAndEscClosesOnlyIt) {
    describe("Helpers.pas", "Twice", "Doubles the value.");
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(window->searchDialog, nullptr);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), window->searchDialog);
    QTest::keyClicks(QApplication::focusWidget(), "doub");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(currentRoutine(), "Helpers.pas/Twice");
    EXPECT_EQ(QApplication::activeWindow(), window->searchDialog);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->window(), window->searchDialog);

    // Return on a result in the list chooses it as well, and keeps the focus there.
    window->searchDialog->results()->setFocus();
    QTest::keyClick(window->searchDialog->results(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), window->searchDialog->results());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(window->searchDialog->isVisible());
    EXPECT_TRUE(window->isVisible());
    // The keys go on in the list that shows the routine found.
    EXPECT_EQ(window->focusWidget(), window->DBGrid3);
    // Esc in the window itself still closes it.
    QApplication::setActiveWindow(window.get());
    window->DBGrid1->setFocus();
    QTest::keyClick(window->DBGrid1, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(CoverageWindow, ImportFromCommentsAsksWithTheCountsFirst) {
    temp.write("work/lib/Helpers.pas", "// Small helpers.\nunit Helpers;\ninterface\n"
                                       "// Doubles X.\nfunction Twice(X: Integer): Integer;\n"
                                       "implementation\nend.\n");
    dialogs.confirmations = {false, true};
    window->ImportDescriptionsfromComments1->trigger();
    EXPECT_EQ(dialogs.texts("confirm"),
              QStringList({"Fill 1 unit and 1 routine descriptions of SAMPLE from the comments in "
                           "the source? Descriptions that hold text stay as they are."}));
    EXPECT_EQ(status(), "Described: 0 of 6 declarations (0.0%)"); // Cancel changed nothing
    window->ImportDescriptionsfromComments1->trigger();
    QApplication::processEvents();
    EXPECT_EQ(status(), "Described: 1 of 6 declarations (16.6%)");
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Helpers.pas"));
    EXPECT_EQ(window->DBMemo1->toPlainText(), "Small helpers.");
}
