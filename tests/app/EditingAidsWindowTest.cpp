#include <QMenu>

#include "aids/SourceAccess.h"
#include "components/FmxUtils.h"
#include "components/HotLinkLabel.h"
#include "components/SpellDecider.h"
#include "components/vcspell3.h"
#include "WindowFixture.h"
#include <QFileInfo>

namespace {
// Replaces every unknown word with the first suggestion.
class TakeFirstSuggestion : public ink::SpellDecider {
public:
    ink::SpellDecision decide(const ink::Misspelling& m) override {
        asked << m.word;
        return {ink::SpellAction::Replace, m.suggestions.value(0, m.word)};
    }
    void complete() override { completed = true; }
    QStringList asked;
    bool completed = false;
};

class RecordingClipboard : public ink::TextClipboard {
public:
    void setText(const QString& text) override { texts << text; }
    QStringList texts;
};

class RecordingLauncher : public ink::ProgramLauncher {
public:
    void launch(const QString& program, const QString& argument) override {
        launches << program + " | " + argument;
    }
    QStringList launches;
};
} // namespace

TEST_F(WindowTest, SpellItChecksTheRoutineDescriptionAndStoresIt) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    window->PageControl1->setCurrentIndex(2);
    auto decider = std::make_unique<TakeFirstSuggestion>();
    TakeFirstSuggestion* answers = decider.get();
    window->VSSpell1->setDecider(std::move(decider));
    window->VSSpell1->setDictionaryTags({"en_US"});

    window->DBMemo2->setFocus();
    QTest::keyClicks(window->DBMemo2, "Returns the nmber of Button1Click items.");
    window->MenuItem1->trigger();
    EXPECT_EQ(answers->asked, QStringList({"nmber"})); // code words are left alone
    EXPECT_EQ(dm->tblProc->state(), ink::TTable::State::Browsing);
    EXPECT_EQ(dm->tblProcDescription->asString(), "Returns the number of Button1Click items.");
    EXPECT_EQ(window->DBMemo2->toPlainText(), "Returns the number of Button1Click items.");
    EXPECT_EQ(dialogs.messages(), QStringList());
}

TEST_F(WindowTest, SpellCheckerSitsOnTheWindowOverTheBottomPanel) {
    EXPECT_EQ(window->VSSpell1->parentWidget(), window.get());
    // Just left of "User Docs" (at 290, 318 in the window).
    EXPECT_EQ(window->VSSpell1->geometry(), QRect(262, 319, 23, 23));
}

TEST_F(WindowTest, SelectAllActsOnlyInTheDescriptionEditors) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    window->PageControl1->setCurrentIndex(2);
    window->DBMemo2->setFocus();
    QTest::keyClicks(window->DBMemo2, "first line");
    window->DBGrid3->setFocus();
    QTest::keyClick(window->DBGrid3, Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(window->DBMemo2->textCursor().hasSelection());

    window->DBMemo2->setFocus();
    QTest::keyClick(window->DBMemo2, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window->DBMemo2->textCursor().selectedText(), "first line");

    // In a one-line editor Ctrl+A selects nothing.
    window->PageControl1->setCurrentIndex(0);
    window->DBEdit1->setFocus();
    QTest::keyClicks(window->DBEdit1, "Ada");
    QTest::keyClick(window->DBEdit1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(window->DBEdit1->hasSelectedText());
}

TEST_F(WindowTest, OpeningTheEditorMenuMovesTheFocusIntoTheEditorFirst) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    window->PageControl1->setCurrentIndex(2);
    window->DBGrid3->setFocus();
    emit window->DBMemo2->customContextMenuRequested(QPoint(5, 5));
    EXPECT_EQ(QApplication::focusWidget(), window->DBMemo2);
    window->PopupMenu3->close();

    window->Insertaseparatorline2->trigger();
    EXPECT_EQ(window->DBMemo2->toPlainText(), "\n" + QString(72, QChar('*')) + "\n");
    window->DBGrid3->setFocus(); // leaving the editor stores the separator
    EXPECT_EQ(dm->tblProcDescription->asString(), "\r\n" + QString(72, QChar('*')) + "\r\n");
}

TEST_F(WindowTest, SourceCommandsFindTheUnitInItsOwnFolder) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    RecordingClipboard clipboard;
    RecordingLauncher launcher;
    window->setClipboard(&clipboard);
    window->setLauncher(&launcher);
    dm->tblUnits->locate("UnitName", "Helpers.pas");

    window->CopycodetoClipboard1->trigger();
    ASSERT_EQ(clipboard.texts.size(), 1);
    EXPECT_TRUE(clipboard.texts[0].startsWith("unit Helpers;\ninterface\n"));
    window->OpenwithNotepad1->trigger();
    EXPECT_EQ(launcher.launches, QStringList({ink::TextViewerProgram() + " | " +
                                              QFileInfo(project.helpersPath).absoluteFilePath()}));

    dm->tblUnits->first(); // Forms: no file of that name anywhere
    window->CopycodetoClipboard1->trigger();
    EXPECT_EQ(dialogs.texts("generalError"),
              QStringList({"Cannot open file " + QFileInfo(project.projectPath).absolutePath() +
                           "/Forms."}));
    EXPECT_EQ(clipboard.texts.size(), 1);
}

TEST_F(WindowTest, AboutPageLinksOpenTheirAddresses) {
    EXPECT_EQ(window->HotLinkLabel1->linkType(), ink::THotLinkLabel::ltHTTP);
    EXPECT_EQ(window->HotLinkLabel1->linkProtocol() + window->HotLinkLabel1->linkDestination(),
              "http://www.inkwright.example");
    EXPECT_EQ(window->HotLinkLabel2->linkType(), ink::THotLinkLabel::ltMAILTO);
    EXPECT_EQ(window->HotLinkLabel2->linkProtocol() + window->HotLinkLabel2->linkDestination(),
              "mailto:docs@inkwright.example");
}
