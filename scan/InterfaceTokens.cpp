#include "InterfaceTokens.h"

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
qsizetype laterInterfaceBranch(PascalLexer ahead, int open, qsizetype& budget) {
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
    const QByteArrayView name = directiveName(directive);
    const auto is = [&](QByteArrayView word) {
        return name.compare(word, Qt::CaseInsensitive) == 0;
    };
    if (is("if") || is("ifdef") || is("ifndef") || is("ifopt"))
        return Kind::Opens;
    if (is("else") || is("elseif"))
        return Kind::NextBranch;
    if (is("endif") || is("ifend"))
        return Kind::Closes;
    return Kind::Other;
}

void ConditionalNesting::take(QByteArrayView directive) {
    switch (kindOf(directive)) {
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

Token InterfaceTokens::next() {
    if (finished_)
        return end_;
    Token token = lexer_.next();
    if (token.kind == TokenKind::Directive) {
        conditionals_.take(lexer_.text(token));
    } else if (lexer_.isWord(token, "implementation")) {
        const qsizetype branch =
            conditionals_.open() > 0
                ? laterInterfaceBranch(lexer_, conditionals_.open(), lookAheadBudget_)
                : -1;
        if (branch >= 0) {
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
