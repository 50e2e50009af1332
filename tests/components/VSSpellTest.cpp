#include "components/SpellCheckError.h"
#include "components/vcspell3.h"
#include "support/TempDir.h"

#include "support/PrintQt.h"
#include <deque>

#include "support/ScriptedSpellDecider.h"
#include <gtest/gtest.h>
#include <QFile>

using namespace ink;

namespace {

using ScriptedDecider = ScriptedSpellDecider;

QStringList askedWords(const ScriptedDecider& decider) {
    return decider.askedWords();
}

// Checks with the real American English dictionary. The personal word list
// lives in a scratch folder so the user's own is never written.
class VSSpellTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("ENCHANT_CONFIG_DIR", config.path().toUtf8());
        spell.setDictionaryTags({"en_US"});
    }
    void TearDown() override { qunsetenv("ENCHANT_CONFIG_DIR"); }

    ScriptedDecider* answer(std::deque<SpellDecision> answers) {
        return answerFromScript(spell, std::move(answers));
    }

    TempDir config;
    TVSSpell spell;
};

constexpr auto Replace = SpellAction::Replace;
constexpr auto ReplaceAll = SpellAction::ReplaceAll;
constexpr auto Ignore = SpellAction::Ignore;
constexpr auto IgnoreAll = SpellAction::IgnoreAll;
constexpr auto AddToDictionary = SpellAction::AddToDictionary;

} // namespace

TEST_F(VSSpellTest, ReplaceShowsTheWordInItsSentenceAndKeepsLineBreaks) {
    ScriptedDecider* decider = answer({{Replace, "sentence"}});
    spell.setCheckText("Opens the table.\r\nThis sentnce is checked.\r\n");

    EXPECT_EQ(spell.text(), "Opens the table.\r\nThis sentence is checked.\r\n");
    ASSERT_EQ(decider->asked.size(), 1u);
    const Misspelling& asked = decider->asked[0];
    EXPECT_EQ(asked.word, "sentnce");
    EXPECT_EQ(asked.sentence, "This sentnce is checked.");
    EXPECT_EQ(asked.wordInSentence, 5);
    EXPECT_TRUE(asked.suggestions.contains("sentence"));
    EXPECT_EQ(decider->completions, 1);
    EXPECT_EQ(spell.property("_Text").toString(), spell.text());
}

// A replacement of another length must not throw later words off their places.
TEST_F(VSSpellTest, ReplaceAllChangesLaterOccurrencesWithoutAsking) {
    ScriptedDecider* decider = answer({{ReplaceAll, "the very"}, {Replace, "dog"}});
    spell.setCheckText("teh cat and teh dgo met teh end");
    EXPECT_EQ(spell.text(), "the very cat and the very dog met the very end");
    EXPECT_EQ(askedWords(*decider), QStringList({"teh", "dgo"}));
    EXPECT_EQ(decider->asked[1].sentence, "the very cat and the very dgo met teh end");
}

TEST_F(VSSpellTest, IgnoreAsksAgainButIgnoreAllDoesNot) {
    ScriptedDecider* once = answer({{Ignore, {}}, {Ignore, {}}});
    spell.setCheckText("wrnog and wrnog");
    EXPECT_EQ(askedWords(*once), QStringList({"wrnog", "wrnog"}));
    EXPECT_EQ(spell.text(), "wrnog and wrnog");

    ScriptedDecider* all = answer({{IgnoreAll, {}}});
    spell.setCheckText("wrnog and wrnog");
    EXPECT_EQ(askedWords(*all), QStringList({"wrnog"}));
    EXPECT_EQ(spell.text(), "wrnog and wrnog");
}

TEST_F(VSSpellTest, AddToDictionaryWritesThePersonalListAndLastsBeyondTheCheck) {
    ScriptedDecider* first = answer({{AddToDictionary, {}}});
    spell.setCheckText("Quillmark stores Quillmark rows.");
    EXPECT_EQ(askedWords(*first), QStringList({"Quillmark"}));

    QFile personal(config.filePath("en_US.dic"));
    ASSERT_TRUE(personal.open(QIODevice::ReadOnly));
    EXPECT_TRUE(personal.readAll().contains("Quillmark"));

    TVSSpell another;
    another.setDictionaryTags({"en_US"});
    auto decider = std::make_unique<ScriptedDecider>(std::deque<SpellDecision>{});
    ScriptedDecider* second = decider.get();
    another.setDecider(std::move(decider));
    another.setCheckText("Quillmark again.");
    EXPECT_TRUE(second->asked.empty());
}

TEST_F(VSSpellTest, CancelPartWayKeepsEarlierReplacements) {
    ScriptedDecider* decider = answer({{Replace, "first"}, {SpellAction::Cancel, {}}});
    spell.setCheckText("frist and secnd and thrid");
    EXPECT_EQ(spell.text(), "first and secnd and thrid");
    EXPECT_EQ(askedWords(*decider), QStringList({"frist", "secnd"}));
    EXPECT_EQ(decider->completions, 0);
}

TEST_F(VSSpellTest, TextWithoutWordsComesBackUnchanged) {
    ScriptedDecider* decider = answer({});
    spell.setCheckText(" ");
    EXPECT_EQ(spell.text(), " ");
    EXPECT_TRUE(decider->asked.empty());
    EXPECT_EQ(decider->completions, 1);

    spell.setCheckText("");
    EXPECT_EQ(spell.text(), "");
    EXPECT_EQ(decider->completions, 1); // an empty text is no check at all
}

TEST_F(VSSpellTest, CodeWordsAreNotFlagged) {
    ScriptedDecider* decider = answer({});
    spell.setCheckText("Button1Click calls getValue, read_file and TFormMisc via HTML.");
    EXPECT_TRUE(decider->asked.empty());
    EXPECT_EQ(decider->completions, 1);
}

TEST_F(VSSpellTest, MissingDictionaryIsReportedAndChangesNothing) {
    ScriptedDecider* decider = answer({});
    spell.setCheckText("kept");
    spell.setDictionaryTags({"zz_ZZ"});
    EXPECT_FALSE(spell.dictionaryAvailable());
    try {
        spell.setCheckText("Some text");
        FAIL() << "no error";
    } catch (const SpellUnavailableError& error) {
        EXPECT_STREQ(error.what(), "Spell checking is not available: no dictionary is installed.");
    }
    EXPECT_EQ(spell.text(), "kept");
    EXPECT_TRUE(decider->asked.empty());
}

TEST_F(VSSpellTest, UserLanguageFallsBackToAmericanEnglish) {
    const QStringList tags = TVSSpell::defaultDictionaryTags();
    ASSERT_FALSE(tags.isEmpty());
    EXPECT_EQ(tags.last(), "en_US");
    spell.setDictionaryTags({"zz_ZZ", "en_US"});
    EXPECT_TRUE(spell.dictionaryAvailable());
}
