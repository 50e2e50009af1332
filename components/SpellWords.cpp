#include "SpellWords.h"

namespace ink {

namespace SpellWords {
namespace {

bool isApostrophe(QChar c) {
    return c == u'\'' || c == u'\u2019';
}

// Characters a token is made of; letters alone make a word.
bool isTokenChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}

// An apostrophe belongs to a token only between two token characters.
bool isInnerApostrophe(const QString& text, qsizetype at) {
    return isApostrophe(text[at]) && at > 0 && at + 1 < text.size() && isTokenChar(text[at - 1]) &&
           isTokenChar(text[at + 1]);
}

qsizetype tokenEnd(const QString& text, qsizetype start) {
    qsizetype at = start;
    while (at < text.size() && (isTokenChar(text[at]) || isInnerApostrophe(text, at)))
        ++at;
    return at;
}

bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r';
}

// A full stop, question or exclamation mark ends a sentence only when a
// blank or the end of the text follows, so "Form1.Show" and "e.g" hold together.
bool endsSentence(const QString& text, qsizetype at) {
    const QChar c = text[at];
    if (c != u'.' && c != u'!' && c != u'?')
        return false;
    return at + 1 == text.size() || text[at + 1].isSpace();
}

// Line breaks also end a sentence: descriptions are often lists of lines.
qsizetype sentenceStart(const QString& text, qsizetype wordStart) {
    for (qsizetype at = wordStart - 1; at >= 0; --at) {
        if (isLineBreak(text[at]) || endsSentence(text, at))
            return at + 1;
    }
    return 0;
}

qsizetype sentenceEnd(const QString& text, qsizetype wordEnd) {
    for (qsizetype at = wordEnd; at < text.size(); ++at) {
        if (isLineBreak(text[at]))
            return at;
        if (endsSentence(text, at))
            return at + 1;
    }
    return text.size();
}

} // namespace

bool isCodeWord(QStringView token) {
    for (qsizetype at = 0; at < token.size(); ++at) {
        const QChar c = token[at];
        if (c.isDigit() || c == u'_')
            return true;
        // O'Brien is a name, not an identifier.
        if (at > 0 && c.isUpper() && !isApostrophe(token[at - 1]))
            return true;
    }
    return false;
}

std::optional<Span> nextProseWord(const QString& text, qsizetype from) {
    qsizetype at = from;
    while (at < text.size()) {
        if (!isTokenChar(text[at])) {
            ++at;
            continue;
        }
        const qsizetype end = tokenEnd(text, at);
        const Span token{at, end - at};
        if (!isCodeWord(QStringView(text).mid(token.start, token.length)))
            return token;
        at = end;
    }
    return std::nullopt;
}

Context sentenceAround(const QString& text, Span word) {
    qsizetype start = sentenceStart(text, word.start);
    const qsizetype end = sentenceEnd(text, word.end());
    while (start < word.start && text[start].isSpace())
        ++start;
    const QString sentence = text.mid(start, end - start).trimmed();
    return {sentence, word.start - start};
}

} // namespace SpellWords

} // namespace ink
