#include "PascalLexer.h"

#include <array>

namespace ink {

namespace {
// What each byte can be, looked up rather than computed: the lexer asks this
// for every byte of a unit's interface.
enum CharClass : unsigned char { Blank = 1, Letter = 2, Digit = 4, HexLetter = 8 };

constexpr std::array<unsigned char, 256> MakeCharClasses() {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c <= 32; ++c)
        classes[c] = Blank;
    for (int c = 'a'; c <= 'z'; ++c)
        classes[c] = Letter;
    for (int c = 'A'; c <= 'Z'; ++c)
        classes[c] = Letter;
    for (int c = 'a'; c <= 'f'; ++c)
        classes[c] |= HexLetter;
    for (int c = 'A'; c <= 'F'; ++c)
        classes[c] |= HexLetter;
    classes['_'] = Letter;
    for (int c = 0x80; c < 0x100; ++c)
        classes[c] = Letter;
    for (int c = '0'; c <= '9'; ++c)
        classes[c] = Digit;
    return classes;
}
constexpr std::array<unsigned char, 256> charClasses = MakeCharClasses();

bool is(char c, unsigned char charClass) {
    return charClasses[static_cast<unsigned char>(c)] & charClass;
}
bool isBlank(char c) {
    return is(c, Blank);
}
bool isDigit(char c) {
    return is(c, Digit);
}
bool isHexDigit(char c) {
    return is(c, Digit | HexLetter);
}
bool isIdentifierStart(char c) {
    return is(c, Letter);
}
bool isIdentifierPart(char c) {
    return is(c, Letter | Digit);
}
char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}
// '#' opens a character code only when a decimal or $-hex number follows.
bool opensCharacterCode(char c0, char c1, char c2) {
    return c0 == '#' && (isDigit(c1) || (c1 == '$' && isHexDigit(c2)));
}
} // namespace

Token PascalLexer::next() {
    const qsizetype blankStart = pos_;
    skipWhile(isBlank);
    touching_ = pos_ == blankStart;

    Token token;
    token.begin = pos_;
    const char c = peek();
    if (atEnd()) {
        token.kind = TokenKind::End;
    } else if (c == '{') {
        token.kind = peek(1) == '$' ? TokenKind::Directive : TokenKind::Comment;
        ++pos_;
        skipBlockComment("}");
    } else if (c == '(' && peek(1) == '*') {
        token.kind = peek(2) == '$' ? TokenKind::Directive : TokenKind::Comment;
        pos_ += 2; // "(*)" opens a comment; its star does not close it
        skipBlockComment("*)");
    } else if (c == '/' && peek(1) == '/') {
        token.kind = TokenKind::Comment;
        skipLine();
    } else if (c == '\'' || opensCharacterCode(c, peek(1), peek(2))) {
        token.kind = TokenKind::String;
        skipString();
    } else if (isIdentifierStart(c)) {
        token.kind = TokenKind::Identifier;
        skipIdentifier();
    } else if (isDigit(c) || (c == '$' && isHexDigit(peek(1)))) {
        token.kind = TokenKind::Number;
        skipNumber();
    } else {
        token.kind = TokenKind::Symbol;
        ++pos_;
    }
    token.end = pos_;
    return token;
}

void PascalLexer::skipBlockComment(QByteArrayView closer) {
    const qsizetype found = source_.indexOf(closer, pos_);
    pos_ = found < 0 ? source_.size() : found + closer.size();
}

void PascalLexer::skipLine() {
    skipWhile([](char c) { return !isLineEnd(c); });
}

void PascalLexer::skipIdentifier() {
    skipWhile(isIdentifierPart);
}

void PascalLexer::skipNumber() {
    if (peek() == '$') {
        ++pos_;
        while (isHexDigit(peek()))
            ++pos_;
        return;
    }
    while (isDigit(peek()))
        ++pos_;
    // A fraction needs a digit after the point: "1..9" is a range.
    if (peek() == '.' && isDigit(peek(1))) {
        ++pos_;
        while (isDigit(peek()))
            ++pos_;
    }
    const bool signedExponent = (peek(1) == '+' || peek(1) == '-') && isDigit(peek(2));
    if ((peek() == 'e' || peek() == 'E') && (isDigit(peek(1)) || signedExponent)) {
        pos_ += signedExponent ? 2 : 1;
        while (isDigit(peek()))
            ++pos_;
    }
}

void PascalLexer::skipString() {
    for (;;) {
        if (peek() == '\'' && !atEnd()) {
            ++pos_;
            while (!atEnd() && !isLineEnd(peek())) {
                if (peek() == '\'') {
                    if (peek(1) != '\'') {
                        ++pos_;
                        break;
                    }
                    ++pos_; // a doubled quote stands for one and does not close
                }
                ++pos_;
            }
        } else if (opensCharacterCode(peek(), peek(1), peek(2))) {
            ++pos_;
            if (peek() == '$') {
                ++pos_;
                while (isHexDigit(peek()))
                    ++pos_;
            } else {
                while (isDigit(peek()))
                    ++pos_;
            }
        } else {
            return;
        }
    }
}

QString PascalLexer::stringValue(QByteArrayView literal, SourceEncoding encoding) {
    QString value;
    qsizetype i = 0;
    const qsizetype n = literal.size();
    while (i < n) {
        if (literal[i] == '\'') {
            ++i;
            QByteArray part;
            while (i < n && !isLineEnd(literal[i])) {
                if (literal[i] == '\'') {
                    if (i + 1 >= n || literal[i + 1] != '\'')
                        break;
                    ++i;
                }
                part += literal[i++];
            }
            ++i; // the closing quote
            value += DecodeSourceBytes(part, encoding);
        } else if (literal[i] == '#') {
            ++i;
            const bool hex = i < n && literal[i] == '$';
            i += hex ? 1 : 0;
            char32_t code = 0;
            while (i < n && (hex ? isHexDigit(literal[i]) : isDigit(literal[i]))) {
                const char d = asciiLower(literal[i++]);
                const char32_t digit = isDigit(d) ? char32_t(d - '0') : char32_t(d - 'a' + 10);
                // Saturate instead of overflowing: such a code is invalid anyway.
                code = code > 0x10FFFF ? code : code * (hex ? 16 : 10) + digit;
            }
            if (code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
                value += QString::fromUcs4(&code, 1);
        } else {
            ++i; // white space between the parts cannot occur in a token
        }
    }
    return value;
}

QByteArrayView PascalLexer::commentBody(QByteArrayView comment) {
    if (comment.startsWith("//"))
        return comment.sliced(2);
    if (comment.startsWith("(*")) {
        comment = comment.sliced(2);
        return comment.endsWith("*)") ? comment.chopped(2) : comment;
    }
    if (comment.startsWith("{")) {
        comment = comment.sliced(1);
        return comment.endsWith("}") ? comment.chopped(1) : comment;
    }
    return comment;
}

} // namespace ink
