// What the window gives beyond its looks: names for screen readers, a
// selection that always shows the row being edited, no control hidden under
// another, and a session that prints no warnings.
#include <QAccessible>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>

#include "components/vcspell3.h"
#include "WindowFixture.h"

namespace {

QStringList captured;

void capture(QtMsgType, const QMessageLogContext&, const QString& message) {
    captured.append(message);
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

QList<int> selectedRows(ink::TDBGrid* grid) {
    QList<int> rows;
    for (const QModelIndex& index : grid->selectionModel()->selectedRows())
        rows << index.row();
    return rows;
}

} // namespace

TEST_F(WindowTest, AnOrdinarySessionPrintsNoWarnings) {
    captured.clear();
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    for (int page : {1, 2, 3, 0, 1}) {
        window->PageControl1->setCurrentIndex(page);
        window->grab();
    }
    window->DBGrid2->setFocus();
    QTest::keyClick(window->DBGrid2, Qt::Key_Up);
    window->DBMemo1->setFocus();
    QTest::keyClicks(window->DBMemo1, "Reads the settings.");
    window->PageControl1->setCurrentIndex(2);
    window->DBGrid3->setFocus();
    QTest::keyClick(window->DBGrid3, Qt::Key_Down);
    window->grab();
    qInstallMessageHandler(previous);
    EXPECT_EQ(captured, QStringList());
}

TEST_F(WindowTest, EditorsAndListsHaveTheNamesOfTheirCaptions) {
    EXPECT_EQ(window->Label16->buddy(), window->DBMemo1);
    EXPECT_EQ(window->Label3->buddy(), window->DBMemo2);
    EXPECT_EQ(accessibleName(window->DBMemo1), "Description:");
    EXPECT_EQ(accessibleName(window->DBMemo2), "Description:");
    EXPECT_EQ(accessibleName(window->DBGrid1), "Documents List");
    EXPECT_EQ(accessibleName(window->DBGrid2), "Units/Forms List");
    EXPECT_EQ(accessibleName(window->DBGrid3), "Procedure/Function List");
}

TEST_F(WindowTest, TheSelectionAlwaysShowsTheCurrentRow) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    window->PageControl1->setCurrentIndex(1);
    ink::TDBGrid* grid = window->DBGrid2;
    grid->setFocus();
    auto rowCenter = [grid](int row) {
        return grid->visualRect(grid->model()->index(row, 0)).center();
    };
    auto expectSelectionOnCurrentRow = [&](const char* after) {
        EXPECT_EQ(selectedRows(grid), QList<int>({dm->tblUnits->recNo()})) << after;
        EXPECT_EQ(grid->currentIndex().row(), dm->tblUnits->recNo()) << after;
    };

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowCenter(1));
    expectSelectionOnCurrentRow("a click");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(1));
    expectSelectionOnCurrentRow("a Ctrl+click on the selected row");
    QTest::keyClick(grid, Qt::Key_Down, Qt::ControlModifier);
    expectSelectionOnCurrentRow("Ctrl+Down");
    QTest::keyClick(grid, Qt::Key_Space, Qt::ControlModifier);
    expectSelectionOnCurrentRow("Ctrl+Space");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(0));
    expectSelectionOnCurrentRow("a Ctrl+click on another row");
    // Typing goes to the unit the list shows as selected.
    window->DBMemo1->setFocus();
    QTest::keyClicks(window->DBMemo1, "Selected.");
    grid->setFocus();
    const int selected = selectedRows(grid).value(0, -1);
    ASSERT_GE(selected, 0);
    EXPECT_EQ(dm->tblUnits->rowValue(selected, dm->tblUnitsDescription->index()).toString(),
              "Selected.");
}

TEST_F(WindowTest, TheSpellingControlCoversNoOtherControl) {
    ink::TVSSpell* spell = window->VSSpell1;
    EXPECT_EQ(spell->size(), QSize(23, 23));
    EXPECT_EQ(spell->parentWidget(), window.get());
    const QRect area = spell->geometry();
    EXPECT_TRUE(window->Panel1->geometry().contains(area));
    auto inWindow = [this](QWidget* w) {
        return QRect(w->mapTo(window.get(), QPoint(0, 0)), w->size());
    };
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control == spell || control->isAncestorOf(spell) || control->isWindow() ||
            spell->isAncestorOf(control) || !control->findChildren<QWidget*>().isEmpty() ||
            control->isHidden())
            continue;
        EXPECT_FALSE(inWindow(control).intersects(area)) << control->objectName().toStdString();
    }
    for (QWidget* editor :
         {static_cast<QWidget*>(window->DBMemo1), static_cast<QWidget*>(window->DBMemo2)})
        EXPECT_FALSE(inWindow(editor).intersects(area)) << editor->objectName().toStdString();
    // Its place among the window's own children is kept: after the status bar.
    const QObjectList children = window->children();
    EXPECT_GT(children.indexOf(spell), children.indexOf(window->StatusBar1));
}
