// The "Declarations" page on the real window: the tree of the current unit,
// the declaration and its description, shared descriptions, the note that a
// signature changed, F3, the editing aids and the keyboard.
#include <QAccessible>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTreeWidget>

#include "app/CoveragePage.h"
#include "app/DeclarationsPage.h"
#include "app/FixedPitchFont.h"
#include "app/SearchDialog.h"
#include "components/SpellDecider.h"
#include "components/vcspell3.h"
#include "WindowFixture.h"

namespace {

constexpr const char* ShapesUnit = "unit Shapes;\r\n"
                                   "interface\r\n"
                                   "type\r\n"
                                   "  TShape = class\r\n"
                                   "  private\r\n"
                                   "    FName: string;\r\n"
                                   "  public\r\n"
                                   "    constructor Create; overload;\r\n"
                                   "    constructor Create(const AName: string); overload;\r\n"
                                   "    function Area: Double; virtual;\r\n"
                                   "    property Name: string read FName;\r\n"
                                   "  end;\r\n"
                                   "const\r\n"
                                   "  Pi2 = 6.28;\r\n"
                                   "var\r\n"
                                   "  Count: Integer;\r\n"
                                   "procedure Draw(S: TShape);\r\n"
                                   "implementation\r\n"
                                   "end.\r\n";

class DeclarationsWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const QString project = temp.write("work/Geo.dpr", "program Geo;\r\nuses\r\n"
                                                           "  Shapes in 'Shapes.pas',\r\n"
                                                           "  Lines in 'Lines.pas';\r\n"
                                                           "begin\r\nend.\r\n");
        temp.write("work/Shapes.pas", ShapesUnit);
        temp.write("work/Lines.pas", "unit Lines;\r\ninterface\r\n"
                                     "procedure Plot(X: Integer);\r\n"
                                     "implementation\r\nend.\r\n");
        addDocument(project, "geo");
        QApplication::processEvents();
        ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Shapes.pas"));
        page = window->declarationsPage;
        window->PageControl1->setCurrentWidget(page);
        QApplication::processEvents();
    }

    QTreeWidgetItem* item(const QString& name) const {
        const auto found = page->tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    void choose(const QString& name) {
        QTreeWidgetItem* chosen = item(name);
        ASSERT_NE(chosen, nullptr) << name.toStdString();
        page->tree()->setCurrentItem(chosen);
        QApplication::processEvents();
    }
    QString chosen() const {
        QTreeWidgetItem* current = page->tree()->currentItem();
        return current ? current->text(0) : QString();
    }
    // The tree as the user reads it: each item indented under its owner.
    QStringList shownTree() const {
        QStringList lines;
        std::function<void(QTreeWidgetItem*, const QString&)> add = [&](QTreeWidgetItem* at,
                                                                        const QString& indent) {
            lines << indent + at->text(0) + " " + at->text(1) + " " + at->text(2);
            for (int i = 0; i < at->childCount(); ++i)
                add(at->child(i), indent + "  ");
        };
        for (int i = 0; i < page->tree()->topLevelItemCount(); ++i)
            add(page->tree()->topLevelItem(i), QString());
        return lines;
    }
    QString declsColumn(const char* name, const char* field) {
        return sqlText(dm->database().name(),
                       QStringLiteral("SELECT %1 FROM DeclsLib WHERE DeclName = '%2'")
                           .arg(QLatin1String(field), QLatin1String(name)));
    }

    ink::DeclarationsPage* page = nullptr;
};

TEST_F(DeclarationsWindow, TheTreeShowsTypesWithTheirMembersThenRoutinesConstantsVariables) {
    EXPECT_EQ(window->PageControl1->indexOf(page),
              window->PageControl1->indexOf(window->coveragePage) + 1);
    EXPECT_EQ(window->PageControl1->tabText(window->PageControl1->indexOf(page)), "Declarations");
    EXPECT_EQ(page->unitLabel()->text(), "Declarations of Shapes.pas:");
    EXPECT_EQ(shownTree(), QStringList({
                               "TShape class ",
                               "  FName field private",
                               "  Create() constructor public",
                               "  Create(const string) constructor public",
                               "  Area function public",
                               "  Name property public",
                               "Draw procedure ",
                               "Pi2 const ",
                               "Count var ",
                           }));
    // The window keeps its fixed size.
    EXPECT_EQ(window->size(), QSize(538, 367));

    choose("Create(const string)");
    EXPECT_EQ(dm->tblDeclsDeclName->asString(), "Create");
    EXPECT_EQ(dm->tblDeclsOverloadKey->asString(), "const string");
    EXPECT_EQ(page->declarationText()->toPlainText(),
              "constructor Create(const AName: string); overload;");
    EXPECT_TRUE(page->declarationText()->isReadOnly());
    EXPECT_EQ(page->declarationText()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    // Fixed pitch as the system says and as the face measures, also where the
    // desktop's monospace face is not marked so (Noto Sans Mono).
    EXPECT_TRUE(QFontInfo(page->declarationText()->font()).fixedPitch())
        << QFontInfo(page->declarationText()->font()).family().toStdString();
    EXPECT_TRUE(ink::advancesEvenly(page->declarationText()->font()));
    // The name in full, as a narrow column may cut it, and where it stands.
    EXPECT_EQ(item("Create(const string)")->toolTip(0), "Create(const string)\nShapes.pas:9");
    // The name's column takes the room the others leave: no sideways scrolling.
    EXPECT_FALSE(page->tree()->horizontalScrollBar()->isVisible());
    EXPECT_GE(page->tree()->columnWidth(0), 140);

    // Another unit, chosen on the Units page, shows its own declarations.
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Lines.pas"));
    QApplication::processEvents();
    EXPECT_EQ(shownTree(), QStringList({"Plot procedure "}));
    EXPECT_EQ(page->unitLabel()->text(), "Declarations of Lines.pas:");
}

TEST_F(DeclarationsWindow, TypingDescribesTheDeclarationAndASharedDescriptionStandsGreyed) {
    // The Procedures page's description of Draw shows here, marked as shared.
    ASSERT_TRUE(dm->tblProc->locate("ProcName", "Draw"));
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Draws a shape.");
    dm->tblProc->post();
    choose("Draw");
    EXPECT_TRUE(page->sharedNote()->isVisible());
    EXPECT_EQ(page->sharedNote()->text(), "Shared with the routine Draw of the Procedures page; "
                                          "typing here gives this declaration its own.");
    EXPECT_EQ(page->description()->toPlainText(), "");
    EXPECT_EQ(page->description()->placeholderText(), "Draws a shape.");

    // A constant shares nothing.
    choose("Pi2");
    EXPECT_FALSE(page->sharedNote()->isVisible());
    EXPECT_EQ(page->description()->placeholderText(), "");

    // Typed words are the declaration's own, stored when the editor is left;
    // the routine row keeps its own.
    choose("Draw");
    page->description()->setFocus();
    QTest::keyClicks(page->description(), "Paints S.");
    page->tree()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(declsColumn("Draw", "Description"), "Paints S.");
    EXPECT_EQ(
        sqlText(dm->database().name(), "SELECT Description FROM ProcsLib WHERE ProcName = 'Draw'"),
        "Draws a shape.");
    EXPECT_FALSE(page->sharedNote()->isVisible());

    // Each overload has a description of its own.
    choose("Create()");
    page->description()->setFocus();
    QTest::keyClicks(page->description(), "An unnamed shape.");
    choose("Create(const string)");
    EXPECT_EQ(page->description()->toPlainText(), "");
    choose("Create()");
    EXPECT_EQ(page->description()->toPlainText(), "An unnamed shape.");
}

TEST_F(DeclarationsWindow, AChangedSignatureIsShownUntilMarkedReviewed) {
    choose("Area");
    EXPECT_FALSE(page->changedNote()->isVisible());
    EXPECT_FALSE(page->markReviewedButton()->isVisible());
    // As a refresh leaves a described declaration whose parameters changed.
    dm->tblDecls->edit();
    dm->tblDeclsDescription->setValue("The area.");
    dm->tblDeclsChangedFrom->setValue("function Area: Single;");
    dm->tblDecls->post();
    QApplication::processEvents();
    EXPECT_TRUE(page->changedNote()->isVisible());
    EXPECT_EQ(page->changedNote()->text(), "Signature changed: was function Area: Single;");
    ASSERT_TRUE(page->markReviewedButton()->isVisible());

    page->markReviewedButton()->setFocus();
    QTest::keyClick(page->markReviewedButton(), Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_EQ(declsColumn("Area", "ChangedFrom"), "");
    EXPECT_EQ(declsColumn("Area", "Description"), "The area.");
    EXPECT_FALSE(page->changedNote()->isVisible());
    EXPECT_FALSE(page->markReviewedButton()->isVisible());
    // The description is there to be read again, and the focus went to it.
    EXPECT_EQ(QApplication::focusWidget(), page->description());
}

TEST_F(DeclarationsWindow, ADeclarationThatLeftTheSourceIsStruckThrough) {
    temp.write("work/Shapes.pas", QByteArray(ShapesUnit).replace("const\r\n  Pi2 = 6.28;\r\n", ""));
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Shapes.pas"));
    QApplication::processEvents();
    ASSERT_NE(item("Pi2"), nullptr); // kept, as every row a refresh no longer finds
    EXPECT_TRUE(item("Pi2")->font(0).strikeOut());
    EXPECT_FALSE(item("Count")->font(0).strikeOut());

    // Once more, nothing changed: the rows found again, not written again,
    // are still not struck through, in either unit; the one gone still is.
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Shapes.pas"));
    QApplication::processEvents();
    EXPECT_TRUE(item("Pi2")->font(0).strikeOut());
    EXPECT_FALSE(item("Count")->font(0).strikeOut());
    EXPECT_FALSE(item("TShape")->font(0).strikeOut());
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Lines.pas"));
    QApplication::processEvents();
    ASSERT_NE(item("Plot"), nullptr);
    EXPECT_FALSE(item("Plot")->font(0).strikeOut());
}

TEST_F(DeclarationsWindow, F3GoesToTheNextUndescribedDeclarationAcrossUnits) {
    auto describe = [this](const char* name) {
        ASSERT_TRUE(dm->tblDecls->locate("DeclName", name));
        dm->tblDecls->edit();
        dm->tblDeclsDescription->setValue("x");
        dm->tblDecls->post();
    };
    for (const char* name : {"TShape", "FName", "Create", "Area", "Name", "Pi2", "Count"})
        describe(name);
    // Draw is described by its routine row's shared description.
    ASSERT_TRUE(dm->tblProc->locate("ProcName", "Draw"));
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Draws.");
    dm->tblProc->post();
    choose("TShape");

    QTest::keyClick(page->tree(), Qt::Key_F3);
    EXPECT_EQ(chosen(), "Create(const string)"); // the second Create has none
    QTest::keyClick(page->tree(), Qt::Key_F3);
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "Lines.pas");
    EXPECT_EQ(chosen(), "Plot");
    EXPECT_EQ(window->PageControl1->currentWidget(), page);
    QTest::keyClick(page->tree(), Qt::Key_F3); // round to the first unit again
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "Shapes.pas");
    EXPECT_EQ(chosen(), "Create(const string)");

    // What is being typed counts before the next is looked for.
    page->description()->setFocus();
    QTest::keyClicks(page->description(), "Named.");
    QTest::keyClick(page->description(), Qt::Key_F3);
    EXPECT_EQ(chosen(), "Plot");
    page->description()->setFocus();
    QTest::keyClicks(page->description(), "Plots.");
    QTest::keyClick(page->description(), Qt::Key_F3);
    EXPECT_EQ(dialogs.texts("information"),
              QStringList({"Every declaration of this document is described."}));
}

TEST_F(DeclarationsWindow, TheEditingAidsActOnTheDeclarationsDescription) {
    choose("Area");
    page->description()->setFocus();
    QTest::keyClicks(page->description(), "The aera.");
    QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(page->description()->textCursor().selectedText(), "The aera.");

    page->insertSeparator()->trigger();
    EXPECT_TRUE(page->description()->toPlainText().startsWith("The aera.\n*****"));

    class TakeFirst : public ink::SpellDecider {
    public:
        ink::SpellDecision decide(const ink::Misspelling& m) override {
            return {ink::SpellAction::Replace, m.suggestions.value(0, m.word)};
        }
        void complete() override {}
    };
    window->VSSpell1->setDecider(std::make_unique<TakeFirst>());
    window->VSSpell1->setDictionaryTags({"en_US"});
    page->description()->selectAll();
    QTest::keyClicks(page->description(), "The aera.");
    page->spellIt()->trigger();
    EXPECT_EQ(declsColumn("Area", "Description"), "The area.");
    EXPECT_EQ(page->descriptionMenu()->actions().size(), 4); // three items and a line
}

TEST_F(DeclarationsWindow, EveryControlIsReachedByKeyAndNamedForAScreenReader) {
    choose("Area");
    auto name = [](QWidget* widget) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        return face ? face->text(QAccessible::Name) : QString();
    };
    EXPECT_EQ(name(page->tree()), "Declarations of Shapes.pas");
    EXPECT_EQ(name(page->declarationText()), "Declaration:");
    EXPECT_EQ(name(page->description()), "Description:");
    dm->tblDecls->edit();
    dm->tblDeclsChangedFrom->setValue("function Area: Single;");
    dm->tblDecls->post();
    QApplication::processEvents();
    EXPECT_EQ(name(page->markReviewedButton()), "Mark Reviewed");
    EXPECT_EQ(page->markReviewedButton()->accessibleDescription(),
              "Signature changed: was function Area: Single;");

    // Tab goes from the tree through the declaration and the button to the
    // editor; the tree's keys move the current declaration.
    page->tree()->setFocus();
    QStringList reached;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(reached, QStringList({"DeclarationText", "MarkReviewed", "DeclarationDescription"}));
    page->tree()->setFocus();
    QTest::keyClick(page->tree(), Qt::Key_Down);
    EXPECT_EQ(chosen(), "Name");
    EXPECT_EQ(dm->tblDeclsDeclName->asString(), "Name");
}

} // namespace

namespace {

TEST_F(DeclarationsWindow, ASearchHitOnADeclarationOpensHere) {
    choose("Area");
    page->description()->setFocus();
    QTest::keyClicks(page->description(), "Square units covered.");
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Lines.pas"));
    window->PageControl1->setCurrentWidget(window->TabSheet1);
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(window->searchDialog, nullptr);
    QTest::keyClicks(window->searchDialog->text(), "square");
    QTreeWidget* results = window->searchDialog->results();
    ASSERT_EQ(results->topLevelItemCount(), 1);
    EXPECT_EQ(results->topLevelItem(0)->text(2), "TShape.Area");
    QTest::keyClick(window->searchDialog->text(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(window->PageControl1->currentWidget(), page);
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "Shapes.pas");
    EXPECT_EQ(chosen(), "Area");
    EXPECT_EQ(page->description()->toPlainText(), "Square units covered.");
}

} // namespace

namespace {

// Another program changed the declaration's words: F5 on the page reads them.
TEST_F(DeclarationsWindow, F5ReadsTheChosenDeclarationAgain) {
    choose("Area");
    SqlFile(dm->database().name())
        .run("UPDATE DeclsLib SET Description = 'From elsewhere.' WHERE DeclName = 'Area'");
    page->tree()->setFocus();
    QTest::keyClick(page->tree(), Qt::Key_F5);
    QApplication::processEvents();
    EXPECT_EQ(page->description()->toPlainText(), "From elsewhere.");
    EXPECT_EQ(chosen(), "Area");
}

} // namespace

namespace {

TEST_F(DeclarationsWindow, AStoreMadeBeforeDeclarationsSaysARefreshReadsThem) {
    SqlFile(dm->database().name()).run("DELETE FROM DeclsLib");
    dm->tblDecls->refresh();
    window->PageControl1->setCurrentWidget(window->TabSheet1);
    window->PageControl1->setCurrentWidget(page);
    QApplication::processEvents();
    EXPECT_EQ(page->tree()->topLevelItemCount(), 0);
    EXPECT_EQ(page->unitLabel()->text(),
              "Declarations of Shapes.pas: not read yet; Refresh reads them.");

    window->Button2->click();
    QApplication::processEvents();
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Shapes.pas"));
    QApplication::processEvents();
    EXPECT_EQ(page->unitLabel()->text(), "Declarations of Shapes.pas:");
    EXPECT_NE(item("Area"), nullptr);
}

} // namespace
