#pragma once
#include <deque>
#include <memory>
#include <QStringList>
#include <vector>

#include "components/SpellDecider.h"
#include "components/vcspell3.h"

// Answers a spelling check from a script (Cancel once the script runs out)
// and remembers every word it was asked about.
class ScriptedSpellDecider : public ink::SpellDecider {
public:
    explicit ScriptedSpellDecider(std::deque<ink::SpellDecision> answers)
        : answers_(std::move(answers)) {}

    ink::SpellDecision decide(const ink::Misspelling& misspelling) override {
        asked.push_back(misspelling);
        if (answers_.empty())
            return {ink::SpellAction::Cancel, {}};
        ink::SpellDecision next = answers_.front();
        answers_.pop_front();
        return next;
    }
    void complete() override { ++completions; }

    QStringList askedWords() const {
        QStringList words;
        for (const ink::Misspelling& m : asked)
            words << m.word;
        return words;
    }

    std::vector<ink::Misspelling> asked;
    int completions = 0;

private:
    std::deque<ink::SpellDecision> answers_;
};

// Gives `spell` a decider that answers from `answers`; the decider stays
// the control's, and the returned pointer lets the test read what it was asked.
inline ScriptedSpellDecider* answerFromScript(ink::TVSSpell& spell,
                                              std::deque<ink::SpellDecision> answers) {
    auto decider = std::make_unique<ScriptedSpellDecider>(std::move(answers));
    ScriptedSpellDecider* raw = decider.get();
    spell.setDecider(std::move(decider));
    return raw;
}
