#include "aids/SpellCommand.h"
#include "components/SpellCheckError.h"
#include "components/vcspell3.h"

#include "AidsStore.h"
#include <deque>

#include "support/ScriptedSpellDecider.h"
#include <QPlainTextEdit>

using namespace ink;

namespace {

using ScriptedDecider = ScriptedSpellDecider;

// A unit and a routine with descriptions, their editors showing them as the
// window's editors do (plain lines), and the real American English dictionary.
// The personal word list lives in a scratch folder.
class SpellCommandTest : public AidsStore {
protected:
    void SetUp() override {
        qputenv("ENCHANT_CONFIG_DIR", enchantConfig.path().toUtf8());
        AidsStore::SetUp();
        addDocument(temp.filePath("project/App.dpr"));
        addUnit("Main.pas", "Opens the main windw.\r\nSecond line.");
        addRoutine("Start", "Starts teh program.");
        unitEditor.setPlainText("Opens the main windw.\nSecond line.");
        routineEditor.setPlainText("Starts teh program.");
        spell.setDictionaryTags({"en_US"});
    }
    void TearDown() override { qunsetenv("ENCHANT_CONFIG_DIR"); }

    ScriptedDecider* answer(std::deque<SpellDecision> answers) {
        return answerFromScript(spell, std::move(answers));
    }

    TempDir enchantConfig;
    QPlainTextEdit unitEditor;
    QPlainTextEdit routineEditor;
    TVSSpell spell;
};

constexpr auto Replace = SpellAction::Replace;
constexpr auto Ignore = SpellAction::Ignore;
constexpr auto Cancel = SpellAction::Cancel;

} // namespace

TEST_F(SpellCommandTest, ReplacementReachesEditorAndStoredRowWithCrLfLineBreaks) {
    ScriptedDecider* decider = answer({{Replace, "window"}});
    SpellCheckDescription(unitEditor, *dm->tblUnits, spell);

    EXPECT_EQ(spell.checkText(), "Opens the main windw.\r\nSecond line.");
    EXPECT_EQ(decider->askedWords(), QStringList({"windw"}));
    EXPECT_EQ(unitEditor.toPlainText(), "Opens the main window.\nSecond line.");
    EXPECT_EQ(dm->tblUnits->state(), TTable::State::Browsing);
    EXPECT_EQ(storedValue(dm->tblUnits, "Description"), "Opens the main window.\r\nSecond line.");
}

// The routine editor works on the routines table; an unchanged text is
// still written back and the table left browsing.
TEST_F(SpellCommandTest, IgnoredWordLeavesTheRoutineTextAsItWas) {
    ScriptedDecider* decider = answer({{Ignore, {}}});
    SpellCheckDescription(routineEditor, *dm->tblProc, spell);

    EXPECT_EQ(decider->askedWords(), QStringList({"teh"}));
    EXPECT_EQ(routineEditor.toPlainText(), "Starts teh program.");
    EXPECT_EQ(dm->tblProc->state(), TTable::State::Browsing);
    EXPECT_EQ(storedValue(dm->tblProc, "Description"), "Starts teh program.");
    EXPECT_EQ(storedValue(dm->tblUnits, "Description"), "Opens the main windw.\r\nSecond line.");
}

TEST_F(SpellCommandTest, CancelPartWayStoresTheReplacementsMadeSoFar) {
    routineEditor.setPlainText("Frist step, secnd step, thrid step.");
    ScriptedDecider* decider = answer({{Replace, "First"}, {Cancel, {}}});
    SpellCheckDescription(routineEditor, *dm->tblProc, spell);

    EXPECT_EQ(decider->askedWords(), QStringList({"Frist", "secnd"}));
    EXPECT_EQ(decider->completions, 0);
    EXPECT_EQ(routineEditor.toPlainText(), "First step, secnd step, thrid step.");
    EXPECT_EQ(storedValue(dm->tblProc, "Description"), "First step, secnd step, thrid step.");
}

TEST_F(SpellCommandTest, OneBlankIsCheckedAndStored) {
    ScriptedDecider* decider = answer({});
    unitEditor.setPlainText(" ");
    SpellCheckDescription(unitEditor, *dm->tblUnits, spell);

    EXPECT_EQ(spell.checkText(), " ");
    EXPECT_EQ(decider->completions, 1);
    EXPECT_EQ(unitEditor.toPlainText(), " ");
    EXPECT_EQ(storedValue(dm->tblUnits, "Description"), " ");
}

TEST_F(SpellCommandTest, EmptyEditorDoesNothing) {
    ScriptedDecider* decider = answer({});
    unitEditor.clear();
    SpellCheckDescription(unitEditor, *dm->tblUnits, spell);

    EXPECT_EQ(decider->completions, 0);
    EXPECT_EQ(dm->tblUnits->state(), TTable::State::Browsing);
    EXPECT_EQ(storedValue(dm->tblUnits, "Description"), "Opens the main windw.\r\nSecond line.");
}

// Text typed without leaving the editor is what is checked; the table, already
// editing, is posted once, on the same row.
TEST_F(SpellCommandTest, TableAlreadyEditingIsPostedWithTheCheckedTypedText) {
    dm->tblUnits->edit();
    dm->tblUnitsDescription->setValue("Typed just nwo.");
    unitEditor.setPlainText("Typed just nwo.");
    answer({{Replace, "now"}});
    SpellCheckDescription(unitEditor, *dm->tblUnits, spell);

    EXPECT_EQ(dm->tblUnits->state(), TTable::State::Browsing);
    EXPECT_EQ(dm->tblUnits->recordCount(), 1);
    EXPECT_EQ(storedValue(dm->tblUnits, "Description"), "Typed just now.");
}

TEST_F(SpellCommandTest, MissingDictionaryIsReportedBeforeAnythingChanges) {
    ScriptedDecider* decider = answer({});
    spell.setDictionaryTags({"zz_ZZ"});
    try {
        SpellCheckDescription(unitEditor, *dm->tblUnits, spell);
        FAIL() << "no error";
    } catch (const SpellUnavailableError& error) {
        EXPECT_STREQ(error.what(), "Spell checking is not available: no dictionary is installed.");
    }
    EXPECT_TRUE(decider->askedWords().isEmpty());
    EXPECT_EQ(unitEditor.toPlainText(), "Opens the main windw.\nSecond line.");
    EXPECT_EQ(dm->tblUnits->state(), TTable::State::Browsing);
    EXPECT_EQ(storedValue(dm->tblUnits, "Description"), "Opens the main windw.\r\nSecond line.");
}
