#include "InterfaceTokens.h"

#include <string_view>

namespace ink {

namespace {

QByteArrayView directiveName(QByteArrayView directive) {
    const qsizetype start = directive.startsWith('{') ? 2 : 3; // past "{$" or "(*$"
    qsizetype end = start;
    while (end < directive.size() && ((directive[end] >= 'a' && directive[end] <= 'z') ||
                                      (directive[end] >= 'A' && directive[end] <= 'Z')))
        ++end;
    return directive.sliced(qMin(start, end), end - qMin(start, end));
}

// Past an `implementation` keyword met with `open` conditionals open: the
// offset of the {$ELSE} or {$ELSEIF} that starts a later branch of one of
// them holding another interface section, or -1 when none does. Reads on
// only until the last of those conditionals closes, and no more than
// `budget` bytes, which it takes from.
qsizetype laterInterfaceBranch(PascalLexer ahead, int open, qsizetype& budget, int& closed) {
    using Kind = ConditionalNesting::Kind;
    int nested = 0;        // conditionals opened after the keyword, still open
    qsizetype branch = -1; // the later branch being read
    bool afterEquals = false;
    Token token = ahead.next();
    const qsizetype start = token.begin;
    const auto spend = [&](qsizetype until) {
        budget = qMax(qsizetype(0), budget - (until - start));
    };
    for (; token.kind != TokenKind::End; token = ahead.next()) {
        if (token.end - start > budget) {
            budget = 0;
            return -1;
        }
        if (token.kind == TokenKind::Comment)
            continue;
        if (token.kind == TokenKind::Directive) {
            switch (ConditionalNesting::kindOf(ahead.text(token))) {
            case Kind::Opens:
                ++nested;
                break;
            case Kind::NextBranch:
                if (nested == 0) {
                    branch = token.begin;
                    afterEquals = false;
                }
                break;
            case Kind::Closes:
                if (nested > 0) {
                    --nested;
                } else {
                    if (--open == 0) {
                        spend(token.end);
                        return -1;
                    }
                    ++closed;
                    branch = -1; // back in a branch of the conditional around it
                }
                break;
            case Kind::Other:
                break;
            }
            continue;
        }
        if (branch >= 0 && !afterEquals && ahead.isWord(token, "interface")) {
            spend(token.end);
            return branch;
        }
        afterEquals = ahead.isSymbol(token, '=');
    }
    spend(token.end);
    return -1;
}

} // namespace

ConditionalNesting::Kind ConditionalNesting::kindOf(QByteArrayView directive) {
    // Every directive of every unit is asked this, by each reader: the name
    // (letters only) is folded once into a small buffer rather than compared
    // without regard to case against each word in turn.
    const QByteArrayView name = directiveName(directive);
    constexpr qsizetype longest = 6; // "ifndef", "elseif"
    if (name.size() < 2 || name.size() > longest)
        return Kind::Other;
    char folded[longest];
    for (qsizetype i = 0; i < name.size(); ++i)
        folded[i] = char(name[i] | 0x20); // letters only, as directiveName gives
    const std::string_view word(folded, std::size_t(name.size()));
    if (word == "if" || word == "ifdef" || word == "ifndef" || word == "ifopt")
        return Kind::Opens;
    if (word == "else" || word == "elseif")
        return Kind::NextBranch;
    if (word == "endif" || word == "ifend")
        return Kind::Closes;
    return Kind::Other;
}

void ConditionalNesting::take(QByteArrayView directive) {
    take(kindOf(directive));
}

void ConditionalNesting::dropInnermost(int count) {
    while (count-- > 0 && !open_.empty())
        open_.pop_back();
}

void ConditionalNesting::take(Kind kind) {
    switch (kind) {
    case Kind::Opens:
        open_.push_back({opened_++, false, innermostLaterBranch()});
        break;
    case Kind::NextBranch:
        if (!open_.empty())
            open_.back().pastFirstBranch = true;
        break;
    case Kind::Closes:
        if (!open_.empty())
            open_.pop_back();
        break;
    case Kind::Other:
        break;
    }
}

// The next token of the code compiled: with the defines of a build, the
// code of skipped branches is left out, and only the conditionals left
// undecided are followed as alternatives.
Token InterfaceTokens::nextCompiled() {
    using Effect = ConditionalCompilation::Effect;
    using Kind = ConditionalNesting::Kind;
    for (;;) {
        const Token token = lexer_.next();
        if (!compilation_) {
            if (token.kind == TokenKind::Directive)
                conditionals_.take(lexer_.text(token));
            return token;
        }
        if (token.kind == TokenKind::Directive) {
            switch (compilation_->take(lexer_.text(token))) {
            case Effect::OpensAlternatives:
                conditionals_.take(Kind::Opens);
                break;
            case Effect::NextAlternative:
                conditionals_.take(Kind::NextBranch);
                break;
            case Effect::ClosesAlternatives:
                conditionals_.take(Kind::Closes);
                break;
            case Effect::Decided:
                return token;
            case Effect::Other:
                break;
            }
        }
        if (token.kind == TokenKind::End || !compilation_->skipping())
            return token;
    }
}

Token InterfaceTokens::next() {
    if (finished_)
        return end_;
    const Token token = nextCompiled();
    if (lexer_.isWord(token, "implementation")) {
        int closed = 0;
        const qsizetype branch =
            conditionals_.open() > 0
                ? laterInterfaceBranch(lexer_, conditionals_.open(), lookAheadBudget_, closed)
                : -1;
        if (branch >= 0) {
            // The conditionals that closed on the way are closed here too.
            conditionals_.dropInnermost(closed);
            if (compilation_)
                compilation_->dropInnermost(closed);
            // The directive that opens the branch is read next, as any other.
            lexer_.seek(branch);
            return next();
        }
        finished_ = reachedImplementation_ = true;
        end_ = {TokenKind::End, token.begin, token.begin};
        return end_;
    }
    if (token.kind == TokenKind::End) {
        finished_ = true;
        end_ = token;
    }
    return token;
}

} // namespace ink
