#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <vector>

namespace ink {

// What conditional compilation is decided with: the symbols defined, the
// numeric constants an {$IF} may compare (CompilerVersion, RTLVersion,
// FPC_FULLVERSION) and the state of the single-letter switches {$IFOPT}
// asks about. Names are kept upper-cased: Pascal ignores their case.
struct CompilerDefines {
    QSet<QByteArray> symbols;
    QHash<QByteArray, double> constants;
    QHash<char, bool> switches; // by upper-case letter; a letter not here is not known

    void define(QByteArrayView name);
    void undefine(QByteArrayView name);
    bool isDefined(QByteArrayView name) const;
};

// A condition's value: what cannot be known (`declared()`, a constant the
// defines do not give) is Unknown rather than a guess.
enum class Truth { False, True, Unknown };

// The value of an {$IF} or {$ELSEIF} expression: `defined()`, `undefined()`,
// `not`, `and`, `or`, `xor`, parentheses, the numeric comparisons and
// arithmetic of constant expressions, `True` and `False`. `and` and `or`
// decide without their unknown side when the other decides alone
// (`defined(FPC) or declared(X)` is true).
Truth EvaluateCondition(QByteArrayView expression, const CompilerDefines& defines);

// How many conditionals a reading decided, and how many of them it could not
// and read as before, every branch with the first one kept.
struct ConditionalCounts {
    int decided = 0;
    int guessed = 0;
    ConditionalCounts& operator+=(const ConditionalCounts& other) {
        decided += other.decided;
        guessed += other.guessed;
        return *this;
    }
};

// Follows a unit's directives in order, as the compiler does, and tells
// which code it compiles. {$DEFINE} and {$UNDEF} count from where they stand
// (include files are read in place, so theirs too). A conditional that cannot
// be decided is left as the scanners read every conditional without
// defines: all its branches are read, and a routine declared in two of them
// keeps the first; a {$DEFINE} counts in its first branch only, as if that
// branch were compiled.
class ConditionalCompilation {
public:
    explicit ConditionalCompilation(CompilerDefines defines) : defines_(std::move(defines)) {}

    // What a directive was to the code around it.
    enum class Effect {
        Other,   // no conditional: a {$DEFINE}, a switch, any other
        Decided, // opened, continued or closed a conditional decided here
        // A conditional left undecided, whose branches are all read as
        // alternatives: where they start, where the next one starts, where
        // they end. A conditional may turn undecided at an {$ELSEIF}.
        OpensAlternatives,
        NextAlternative,
        ClosesAlternatives,
    };
    // Takes the next directive of the text.
    Effect take(QByteArrayView directive);
    // Whether the code from here on is in a branch the compiler skips.
    bool skipping() const { return !open_.empty() && open_.back().skipping; }

    // Forgets the innermost `count` conditionals, whose ends a reader jumped over.
    void dropInnermost(int count);

    const ConditionalCounts& counts() const { return counts_; }
    const CompilerDefines& defines() const { return defines_; }

private:
    struct Frame {
        bool guessed;      // undecided: every branch is read
        bool taken;        // a branch of it was compiled (or, undecided, read first)
        bool skipping;     // the code of the current branch is skipped
        bool definesCount; // a {$DEFINE} here counts
    };
    bool definesCount() const { return open_.empty() || open_.back().definesCount; }
    // Whether the conditional around the innermost one is in a skipped branch.
    bool outerSkipping() const { return open_.size() >= 2 && open_[open_.size() - 2].skipping; }
    void open(Truth truth);
    void nextBranch(Truth truth);
    Truth condition(QByteArrayView name, QByteArrayView argument) const;
    void setSwitches(QByteArrayView body);

    CompilerDefines defines_;
    std::vector<Frame> open_;
    ConditionalCounts counts_;
};

} // namespace ink
