#include "UnitScanner.h"

#include "PascalLexer.h"
#include "SourceText.h"
#include "TextBetween.h"

#include <algorithm>
#include <initializer_list>
#include <QFileInfo>
#include <QSet>
#include <vector>

namespace ink {

namespace {
const QString noneMarker = QStringLiteral("<None>");
const QString nothingFound = QStringLiteral("N/A");

// A token of code, with whether white space or a comment stood before it.
struct CodeToken {
    Token token;
    bool spaceBefore = false;
};

// Lexes the code tokens up to the `implementation` keyword, leaving out
// comments and directives. Returns the offset where the keyword starts, or
// the end of the source when there is none.
qsizetype LexInterface(PascalLexer& lexer, std::vector<CodeToken>* tokens) {
    bool commentBefore = false;
    for (;;) {
        const Token token = lexer.next();
        if (token.kind == TokenKind::End || lexer.isWord(token, "implementation"))
            return token.begin;
        if (token.kind == TokenKind::Comment || token.kind == TokenKind::Directive) {
            commentBefore = true;
            continue;
        }
        if (tokens)
            tokens->push_back({token, commentBefore || !lexer.lastTokenTouchesPrevious()});
        commentBefore = false;
    }
}

// One list of names with its paired texts, keeping the first of each name.
struct RoutineList {
    QStringList* names;
    QStringList* params;
    QStringList* results; // null for procedures
    QSet<QString> seen;   // names case-folded

    void add(const QString& name, const QString& paramText, const QString& resultText) {
        if (name.isEmpty() || !isFirstSighting(name))
            return;
        names->append(name);
        params->append(paramText.isEmpty() ? noneMarker : paramText);
        if (results)
            results->append(resultText.isEmpty() ? noneMarker : resultText);
    }
    // Records the name as seen; false when it was seen before.
    bool isFirstSighting(const QString& name) {
        const QString key = name.toCaseFolded();
        if (seen.contains(key))
            return false;
        seen.insert(key);
        return true;
    }
    void fillWhenEmpty() {
        if (!names->isEmpty())
            return;
        names->append(nothingFound);
        params->append(nothingFound);
        if (results)
            results->append(nothingFound);
    }
};

class RoutineScanner {
public:
    explicit RoutineScanner(QByteArrayView raw)
        : source_(ClassifySourceBytes(raw)), lexer_(source_.bytes) {
        LexInterface(lexer_, &tokens_);
        result_.fileSize = raw.size();
    }

    UnitRoutines scan() {
        std::size_t i = 0;
        while (i < tokens_.size()) {
            if (isWord(i, "procedure") || isWord(i, "function"))
                i = readHeader(i);
            else
                ++i;
        }
        procedures_.fillWhenEmpty();
        functions_.fillWhenEmpty();
        return std::move(result_);
    }

private:
    static constexpr std::size_t npos = std::size_t(-1);

    bool isWord(std::size_t i, QByteArrayView word) const {
        return i < tokens_.size() && lexer_.isWord(tokens_[i].token, word);
    }
    bool isAnyWord(std::size_t i, std::initializer_list<QByteArrayView> words) const {
        for (const QByteArrayView word : words) {
            if (isWord(i, word))
                return true;
        }
        return false;
    }
    bool isSymbol(std::size_t i, char symbol) const {
        return i < tokens_.size() && lexer_.isSymbol(tokens_[i].token, symbol);
    }
    bool isIdentifier(std::size_t i) const {
        return i < tokens_.size() && tokens_[i].token.kind == TokenKind::Identifier;
    }
    // Words that cannot belong to a parameter list or a result type: meeting
    // one means the header was cut short, and the scan resumes there.
    bool endsHeader(std::size_t i) const {
        return isAnyWord(i, {"procedure", "function", "constructor", "destructor", "property",
                             "operator", "begin", "end"});
    }

    // Reads the header whose keyword stands at `keyword`; returns where to go on.
    std::size_t readHeader(std::size_t keyword) {
        const bool isFunction = isWord(keyword, "function");
        const std::size_t before = keyword - 1; // wraps to npos at the start
        // `&procedure` and `Obj.procedure` are identifiers, not the keyword.
        if (keyword > 0 && (isSymbol(before, '&') || isSymbol(before, '.')))
            return keyword + 1;
        const bool isType = keyword > 0 && (isSymbol(before, '=') || isSymbol(before, ':') ||
                                            isWord(before, "to") || isWord(before, "of"));
        std::size_t at = keyword + 1;
        QString name = procedureTypeMarker;
        if (!isType) {
            if (isSymbol(at, '&') && isIdentifier(at + 1))
                ++at; // an escaped name such as &Begin
            if (!isIdentifier(at))
                return keyword + 1;
            const std::size_t nameEnd = skipName(at);
            name = spacedText(at, nameEnd);
            at = nameEnd;
            // `procedure IFoo.Bar = DoBar;` maps an interface method; it declares nothing.
            if (isSymbol(at, '='))
                return at;
        }
        QString params;
        if (isSymbol(at, '(')) {
            const std::size_t close = closingParenthesis(at);
            params = spacedText(at + 1, close);
            at = isSymbol(close, ')') ? close + 1 : close;
        }
        QString resultType;
        if (isFunction && isSymbol(at, ':')) {
            const std::size_t end = resultEnd(at + 1, isType);
            resultType = spacedText(at + 1, end);
            at = end;
        }
        (isFunction ? functions_ : procedures_).add(name, params, resultType);
        return at;
    }

    // The end of a name: identifiers joined by dots, each with optional generic parameters.
    std::size_t skipName(std::size_t at) const {
        ++at;
        for (;;) {
            if (isSymbol(at, '<')) {
                const std::size_t close = closingAngle(at);
                if (close == npos)
                    return at;
                at = close + 1;
            }
            if (!isSymbol(at, '.') || !isIdentifier(at + 1))
                return at;
            at += 2;
        }
    }

    // The '>' that closes the generic parameters opened at `open`, or npos.
    std::size_t closingAngle(std::size_t open) const {
        int depth = 0;
        for (std::size_t i = open; i < tokens_.size(); ++i) {
            if (isSymbol(i, '<')) {
                ++depth;
            } else if (isSymbol(i, '>')) {
                if (--depth == 0)
                    return i;
            } else if (isSymbol(i, ';') || isSymbol(i, '(') || isSymbol(i, ')') ||
                       isSymbol(i, '=') || endsHeader(i)) {
                return npos;
            }
        }
        return npos;
    }

    // The ')' that closes the parenthesis at `open`, or where a header cut
    // short (or the text) ends.
    std::size_t closingParenthesis(std::size_t open) const {
        int depth = 0;
        std::size_t i = open;
        for (; i < tokens_.size() && !endsHeader(i); ++i) {
            if (isSymbol(i, '(')) {
                ++depth;
            } else if (isSymbol(i, ')')) {
                if (--depth == 0)
                    return i;
            }
        }
        return i;
    }

    // Where the result type starting at `start` ends: at the semicolon of the
    // header, and for a procedural type also at what may follow its result
    // without a semicolon (`of object`, a calling convention, the closing
    // parenthesis of a parameter list, a default value).
    std::size_t resultEnd(std::size_t start, bool isType) const {
        int depth = 0;
        std::size_t i = start;
        for (; i < tokens_.size() && !endsHeader(i); ++i) {
            if (isSymbol(i, '(') || isSymbol(i, '[') || isSymbol(i, '<')) {
                ++depth;
            } else if (depth > 0 && (isSymbol(i, ')') || isSymbol(i, ']') || isSymbol(i, '>'))) {
                --depth;
            } else if (depth == 0 && isSymbol(i, ';')) {
                break;
            } else if (depth == 0 && isType &&
                       (isSymbol(i, ')') || isSymbol(i, '=') ||
                        isAnyWord(i,
                                  {"of", "is", "stdcall", "cdecl", "pascal", "register", "safecall",
                                   "winapi", "cppdecl", "far", "near", "export", "varargs"}))) {
                break;
            }
        }
        return i;
    }

    // The tokens [first, last) as text, each gap of white space or comments one blank.
    QString spacedText(std::size_t first, std::size_t last) const {
        QByteArray text;
        for (std::size_t i = first; i < last && i < tokens_.size(); ++i) {
            if (i > first && tokens_[i].spaceBefore)
                text += ' ';
            const Token& token = tokens_[i].token;
            text += source_.bytes.sliced(token.begin, token.end - token.begin);
        }
        return DecodeSourceBytes(text, source_.encoding);
    }

    SourceBytes source_;
    PascalLexer lexer_; // done with lexing; kept for its word and symbol tests
    std::vector<CodeToken> tokens_;
    UnitRoutines result_;
    RoutineList procedures_{&result_.procedureNames, &result_.procedureParams, nullptr, {}};
    RoutineList functions_{
        &result_.functionNames, &result_.functionParams, &result_.functionResults, {}};
};

QStringList SplitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n' && text[i] != u'\r')
            continue;
        lines.append(text.mid(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}
} // namespace

UnitRoutines ParseUnitRoutines(QByteArrayView bytes) {
    return RoutineScanner(bytes).scan();
}

UnitRoutines ScanUnitRoutines(const QString& path) {
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit);
    if (!bytes)
        return ParseUnitRoutines({}); // the placeholders, size 0
    UnitRoutines routines = ParseUnitRoutines(*bytes);
    routines.fileSize = QFileInfo(path).size();
    return routines;
}

QStringList ReadUnitInterface(const QString& path) {
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit);
    if (!bytes)
        return {};
    const SourceBytes source = ClassifySourceBytes(*bytes);
    PascalLexer lexer(source.bytes);
    qsizetype end = LexInterface(lexer, nullptr);
    if (end < source.bytes.size()) {
        // Through the end of the keyword's line, which the keyword belongs to.
        while (end < source.bytes.size() && source.bytes[end] != '\n' && source.bytes[end] != '\r')
            ++end;
    }
    return SplitLines(DecodeSourceBytes(source.bytes.first(end), source.encoding));
}

QList<RoutineRow> RoutineRows(const UnitRoutines& routines) {
    QList<RoutineRow> rows;
    const qsizetype procedures =
        qMin(routines.procedureNames.size(), routines.procedureParams.size());
    for (qsizetype i = 0; i < procedures; ++i) {
        rows.append({QStringLiteral("PROCEDURE"), routines.procedureNames[i],
                     routines.procedureParams[i], noneMarker});
    }
    const qsizetype functions =
        std::min({routines.functionNames.size(), routines.functionParams.size(),
                  routines.functionResults.size()});
    for (qsizetype i = 0; i < functions; ++i) {
        rows.append({QStringLiteral("FUNCTION"), routines.functionNames[i],
                     routines.functionParams[i], routines.functionResults[i]});
    }
    return rows;
}

} // namespace ink
