#pragma once
#include "SourceText.h"

#include <QByteArrayView>
#include <QString>

namespace ink {

// Splits Object Pascal source bytes into tokens. It knows just enough of the
// language to tell code from what is not code: comments ({ }, (* *), //),
// compiler directives ({$ }, (*$ *)), string literals ('it''s', #13#10, and
// runs of both such as 'a'#9'b'), identifiers, numbers and single-character
// symbols. White space is skipped.
//
// The lexer works on the raw bytes: every byte of 0x80 and above counts as an
// identifier letter, so UTF-8 and Windows-1252 names stay whole. It never
// fails: whatever the bytes, each call to next() consumes at least one byte
// until the end, and a comment or string that is never closed simply runs to
// the end of the file (a string to the end of its line, as Pascal strings
// cannot span lines).

enum class TokenKind : unsigned char {
    End,        // no more input
    Identifier, // also keywords: the lexer does not tell them apart
    Number,
    String, // one or more adjacent quoted parts and #nn character codes
    Symbol, // one character, never white space
    Comment,
    Directive,
};

struct Token {
    TokenKind kind = TokenKind::End;
    qsizetype begin = 0; // byte offsets into the source, end exclusive
    qsizetype end = 0;
};

class PascalLexer {
public:
    explicit PascalLexer(QByteArrayView source) : source_(source) {}

    // The next token after the current position, comments and directives included.
    Token next();

    // Goes on lexing from `offset`, which must be where a token begins.
    void seek(qsizetype offset) { pos_ = qBound(qsizetype(0), offset, source_.size()); }

    // Whether the white space skipped before the last token returned was empty.
    bool lastTokenTouchesPrevious() const { return touching_; }

    QByteArrayView source() const { return source_; }
    QByteArrayView text(const Token& token) const {
        return source_.sliced(token.begin, token.end - token.begin);
    }

    // Whether the token is the identifier `word` (given in lower case),
    // ignoring ASCII letter case, as Pascal does. The readers ask it for
    // every token against one keyword after another, nearly always in vain:
    // inline, so that a token of another kind or length costs two compares.
    bool isWord(const Token& token, QByteArrayView word) const {
        if (token.kind != TokenKind::Identifier || token.end - token.begin != word.size())
            return false;
        const char* const text = source_.data() + token.begin;
        for (qsizetype i = 0; i < word.size(); ++i) {
            const char c = text[i];
            if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != word[i])
                return false;
        }
        return true;
    }
    // Whether the token is the symbol `symbol`.
    bool isSymbol(const Token& token, char symbol) const {
        return token.kind == TokenKind::Symbol && source_[token.begin] == symbol;
    }

    // What a string token stands for: the quoted parts without their quotes
    // (a doubled quote giving one) and each #nn as the character it codes,
    // read as a Unicode code point.
    static QString stringValue(QByteArrayView literal, SourceEncoding encoding);
    // The text inside a comment's or directive's delimiters.
    static QByteArrayView commentBody(QByteArrayView comment);

private:
    char peek(qsizetype offset = 0) const {
        return pos_ + offset < source_.size() ? source_[pos_ + offset] : '\0';
    }
    bool atEnd() const { return pos_ >= source_.size(); }
    // Moves past the bytes that satisfy `test`.
    template <typename Test> void skipWhile(Test test) {
        const char* const data = source_.data();
        qsizetype at = pos_;
        while (at < source_.size() && test(data[at]))
            ++at;
        pos_ = at;
    }
    void skipBlockComment(QByteArrayView closer);
    void skipLine();
    void skipIdentifier();
    void skipNumber();
    void skipString();

    QByteArrayView source_;
    qsizetype pos_ = 0;
    bool touching_ = false;
};

} // namespace ink
