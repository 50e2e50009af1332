#include "components/SpellWords.h"

#include "support/PrintQt.h"
#include <gtest/gtest.h>
#include <QStringList>

using namespace ink;

namespace {

QStringList proseWords(const QString& text) {
    QStringList words;
    qsizetype from = 0;
    while (const auto word = SpellWords::nextProseWord(text, from)) {
        words << text.mid(word->start, word->length);
        from = word->end();
    }
    return words;
}

} // namespace

TEST(SpellWords, IdentifiersAreNotProse) {
    for (const char* code : {"Button1Click", "getValue", "read_file", "TFormMisc", "HTML", "x64"})
        EXPECT_TRUE(SpellWords::isCodeWord(QString(code))) << code;
    for (const char* prose : {"description", "Unit", "don't", "O'Brien", "café"})
        EXPECT_FALSE(SpellWords::isCodeWord(QString::fromUtf8(prose))) << prose;
}

TEST(SpellWords, WordsAreLetterRunsWithInnerApostrophes) {
    EXPECT_EQ(proseWords("Calls Button1Click, then 'quoted' words don't break; well-known."),
              QStringList({"Calls", "then", "quoted", "words", "don't", "break", "well", "known"}));
    EXPECT_EQ(proseWords(QString::fromUtf8("it\u2019s the users\u2019 list")),
              QStringList({QString::fromUtf8("it\u2019s"), "the", "users", "list"}));
    EXPECT_TRUE(proseWords(" \r\n\t 42 _ ").isEmpty());
}

TEST(SpellWords, SentenceEndsAtStopsAndLineBreaksButNotInsideIdentifiers) {
    const QString text = "First one. Then Form1.Show opens it!  Next\r\nLast line";
    const qsizetype opens = text.indexOf("opens");
    const auto context = SpellWords::sentenceAround(text, {opens, 5});
    EXPECT_EQ(context.sentence, "Then Form1.Show opens it!");
    EXPECT_EQ(context.sentence.mid(context.wordInSentence, 5), "opens");

    const qsizetype last = text.indexOf("Last");
    EXPECT_EQ(SpellWords::sentenceAround(text, {last, 4}).sentence, "Last line");
    const qsizetype next = text.indexOf("Next");
    EXPECT_EQ(SpellWords::sentenceAround(text, {next, 4}).sentence, "Next");
}
