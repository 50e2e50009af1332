#pragma once
#include <optional>
#include <QString>
#include <QStringView>

namespace ink {

// Finding the words of a description that are worth a spelling check.
//
// A word is a run of letters, with apostrophes allowed inside it ("don't").
// Descriptions of source code are full of identifiers; a token that carries
// a digit, an underscore or a capital after its first letter (Button1Click,
// read_file, getValue, HTML) is code rather than prose and is passed over.
namespace SpellWords {

struct Span {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype end() const { return start + length; }
};

// The first prose word that starts at or after from, if any. from must not
// lie inside a word.
std::optional<Span> nextProseWord(const QString& text, qsizetype from);

// True for identifiers and other tokens that are not ordinary words.
bool isCodeWord(QStringView token);

// The sentence a word stands in, for showing the word in context.
struct Context {
    QString sentence;
    qsizetype wordInSentence = 0; // where the word starts within sentence
};
Context sentenceAround(const QString& text, Span word);

} // namespace SpellWords

} // namespace ink
