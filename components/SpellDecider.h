#pragma once
#include <QString>
#include <QStringList>

namespace ink {

// A word the dictionary does not know, as the user is asked about it.
struct Misspelling {
    QString word;
    QString sentence;         // the sentence the word stands in, on one line
    qsizetype wordInSentence; // where the word starts within sentence
    QStringList suggestions;  // the dictionary's guesses, best first
};

enum class SpellAction { Replace, ReplaceAll, Ignore, IgnoreAll, AddToDictionary, Cancel };

// The user's answer. replacement matters for Replace and ReplaceAll only.
struct SpellDecision {
    SpellAction action = SpellAction::Cancel;
    QString replacement;
};

// Takes the user's decisions during a spelling check. The program asks
// through the check dialog; tests answer from a script.
class SpellDecider {
public:
    virtual ~SpellDecider() = default;
    virtual SpellDecision decide(const Misspelling& misspelling) = 0;
    // The check went through the whole text (it is not called after Cancel).
    virtual void complete() = 0;
};

} // namespace ink
