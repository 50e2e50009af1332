#pragma once
#include <QByteArrayView>
#include <vector>

#include "Conditionals.h"
#include "PascalLexer.h"

namespace ink {

// Follows the nesting of conditional directives ({$IFDEF}, {$IF}, {$IFNDEF},
// {$IFOPT} with their {$ELSE}, {$ELSEIF}, {$ENDIF}, {$IFEND}). Conditionals are
// numbered in the order they open. A closing directive with nothing open is
// ignored, as is every other directive.
class ConditionalNesting {
public:
    enum class Kind { Opens, NextBranch, Closes, Other };
    static Kind kindOf(QByteArrayView directive);

    void take(QByteArrayView directive);
    void take(Kind kind);
    // Forgets the innermost `count` conditionals, whose ends a reader jumped over.
    void dropInnermost(int count);
    int opened() const { return opened_; }
    int open() const { return int(open_.size()); }
    // The number of the innermost open conditional that is past its first
    // branch, or -1. Asked for every token, so kept at hand in each frame.
    int innermostLaterBranch() const {
        if (open_.empty())
            return -1;
        const Frame& top = open_.back();
        return top.pastFirstBranch ? top.number : top.laterBranchBelow;
    }

private:
    struct Frame {
        int number;
        bool pastFirstBranch;
        int laterBranchBelow; // innermostLaterBranch() of the frames below
    };
    std::vector<Frame> open_;
    int opened_ = 0;
};

// The tokens of a unit's text up to the `implementation` keyword that ends
// its interface, comments and directives included.
//
// Which `implementation` ends it: the first one, unless it stands inside a
// conditional of which a later branch starts another interface section, as in
//
//     {$IFDEF NODEBUG} interface implementation end. {$ELSE} interface ...
//
// Such a unit carries two interfaces and only one of them is compiled. The
// scanners do not evaluate conditions (they read every branch of the
// interface), so they read this one in the same way: the rest of the branch
// that closed its interface (its implementation, its `end.`) is skipped, and
// reading goes on with the later branch. An `interface` counts there as a
// section when it does not follow `=`, which would make it a type.
//
// Given the defines of a build (ConditionalCompilation), it leaves out the
// code of the branches the compiler skips, so that a scanner reads what is
// compiled; the directives of conditionals decided so are passed on but not
// followed by conditionals(), which then holds only those left undecided,
// whose branches are all read as above.
//
// Finding that later branch reads ahead, and nested conditionals that each
// hold an `implementation` would have it read the same text again for each
// of them. A real unit reads ahead once or twice, over its text at most; so
// all the reading ahead together is held to twice the text's length, and
// an `implementation` met beyond that ends the interface.
class InterfaceTokens {
public:
    explicit InterfaceTokens(QByteArrayView source, ConditionalCompilation* compilation = nullptr)
        : lexer_(source), compilation_(compilation), lookAheadBudget_(2 * source.size() + 4096) {}

    // The next token, or a token of kind End where the interface ends: at the
    // `implementation` that ends it (`begin` is the keyword's) or at the end
    // of the text.
    Token next();

    // Whether the interface ended at an `implementation` keyword.
    bool reachedImplementation() const { return reachedImplementation_; }
    const PascalLexer& lexer() const { return lexer_; }
    const ConditionalNesting& conditionals() const { return conditionals_; }

private:
    Token nextCompiled();

    PascalLexer lexer_;
    ConditionalNesting conditionals_;
    ConditionalCompilation* compilation_;
    bool finished_ = false;
    Token end_; // what next() returns once the interface ended
    bool reachedImplementation_ = false;
    qsizetype lookAheadBudget_; // bytes the search for a later branch may still read
};

} // namespace ink
