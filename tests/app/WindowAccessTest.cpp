// What the window gives beyond its looks: names for screen readers, a
// selection that always shows the row being edited, no control hidden under
// another, and a session that prints no warnings.
#include <QAccessible>
#include <QAccessibleActionInterface>
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

// Objects that tell a screen reader they have the focus while the focus is
// elsewhere; `inside` counts those within the focused widget.
void collectFocused(QAccessibleInterface* face, bool inFocus, QStringList& elsewhere, int& inside) {
    if (!face)
        return;
    // A widget whose focus proxy has the focus is that same control.
    QWidget* widget = qobject_cast<QWidget*>(face->object());
    while (widget && widget->focusProxy())
        widget = widget->focusProxy();
    inFocus = inFocus || (widget && widget == QApplication::focusWidget());
    if (face->state().focused) {
        if (inFocus)
            ++inside;
        else
            elsewhere << QStringLiteral("%1 \"%2\"")
                             .arg(face->object() ? face->object()->objectName()
                                                 : QStringLiteral("a part"),
                                  face->text(QAccessible::Name));
    }
    for (int i = 0; i < face->childCount(); ++i)
        collectFocused(face->child(i), inFocus, elsewhere, inside);
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

// A screen reader hears of one focused object: the one the keys go to.
// Neither the current page's tab nor the current row of a list (on a hidden
// page or not) claims the focus while another control has it.
TEST_F(WindowTest, OnlyTheFocusedControlReportsTheFocus) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    auto check = [this](QWidget* focus, const char* where) {
        focus->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), focus) << where;
        QStringList elsewhere;
        int inside = 0;
        collectFocused(QAccessible::queryAccessibleInterface(window.get()), false, elsewhere,
                       inside);
        EXPECT_EQ(elsewhere, QStringList()) << where;
        EXPECT_GE(inside, 1) << where;
    };
    check(window->Button26, "a button");
    check(window->DBGrid1, "the documents list");
    check(window->DBEdit1, "an editor");
    check(window->PageControl1->tabBar(), "the page tabs");
    window->PageControl1->setCurrentWidget(window->TabSheet7);
    check(window->DBGrid2, "the units list");
    check(window->DBMemo1, "the unit's description");
    // Back in a list, the keys move its row as before.
    window->DBGrid2->setFocus();
    const int row = dm->tblUnits->recNo();
    QTest::keyClick(window->DBGrid2, row == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_NE(dm->tblUnits->recNo(), row);
    EXPECT_EQ(window->DBGrid2->currentIndex().row(), dm->tblUnits->recNo());

    // The tab of the current page is the focused one when the tabs have the focus.
    window->PageControl1->tabBar()->setFocus();
    QAccessibleInterface* tabs =
        QAccessible::queryAccessibleInterface(window->PageControl1->tabBar());
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->childCount(), window->PageControl1->count());
    QAccessibleInterface* units = tabs->child(1);
    EXPECT_EQ(units->text(QAccessible::Name), "Units");
    EXPECT_EQ(units->role(), QAccessible::PageTab);
    EXPECT_TRUE(units->state().focused);
    EXPECT_TRUE(units->state().selected);
    EXPECT_FALSE(tabs->child(0)->state().focused);
    EXPECT_EQ(tabs->indexOfChild(units), 1);
    // A screen reader's "press" on a tab opens its page.
    QAccessibleActionInterface* press = tabs->child(2)->actionInterface();
    ASSERT_NE(press, nullptr);
    press->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
}

// The counts beside the lists' captions are numbers on screen, and say what
// they count to a screen reader.
TEST_F(WindowTest, TheCountsSayWhatTheyCount) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    window->PageControl1->setCurrentWidget(window->TabSheet7);
    QApplication::processEvents();
    const int units = dm->tblUnits->recordCount();
    ASSERT_GT(units, 1);
    EXPECT_EQ(window->Label9->text(), QString::number(units));
    EXPECT_EQ(accessibleName(window->Label9), QStringLiteral("%1 units").arg(units));

    for (dm->tblUnits->first(); dm->tblProc->recordCount() != 1; dm->tblUnits->next())
        ASSERT_FALSE(dm->tblUnits->eof()) << "no unit with one routine";
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    QApplication::processEvents();
    EXPECT_EQ(window->Label10->text(), "1");
    EXPECT_EQ(accessibleName(window->Label10), "1 routine");
}
