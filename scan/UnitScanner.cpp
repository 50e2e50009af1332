#include "UnitScanner.h"

#include "IncludeFiles.h"
#include "InterfaceTokens.h"
#include "PascalLexer.h"
#include "SourceText.h"
#include "TextBetween.h"

#include "model/Placeholders.h"
#include <algorithm>
#include <array>
#include <optional>
#include <QFileInfo>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace ink {

namespace {
const QString noneMarker = QString::fromLatin1(NoneMarkerText);
const QString nothingFound = QString::fromLatin1(PlaceholderText);
const QString procedureKind = QStringLiteral("PROCEDURE");
const QString functionKind = QStringLiteral("FUNCTION");

// A token of code, with what stood between it and the code token before it,
// and where it stands among conditional directives ({$IFDEF} and the like).
struct CodeToken {
    Token token;
    bool blankBefore = false;   // white space
    bool commentBefore = false; // a comment or a directive
    int conditionalsBefore = 0; // how many conditionals were opened before it
    int laterBranchOf = -1;     // the innermost conditional it stands in a later
                                // branch ({$ELSE}, {$ELSEIF}) of, or -1
};

// The language's reserved words, in order: none can name a routine. After
// the keyword of an anonymous method (`procedure begin`, `procedure var X`)
// one of them stands where a name would.
// clang-format off
constexpr std::array<std::string_view, 64> reservedWords{
    "and", "array", "as", "asm", "begin", "case", "class", "const", "constructor", "destructor",
    "dispinterface", "div", "do", "downto", "else", "end", "except", "exports", "file",
    "finalization", "finally", "for", "function", "goto", "if", "implementation", "in",
    "inherited", "initialization", "inline", "interface", "is", "label", "library", "mod", "nil",
    "not", "object", "of", "or", "packed", "procedure", "program", "property", "raise", "record",
    "repeat", "resourcestring", "set", "shl", "shr", "string", "then", "threadvar", "to", "try",
    "type", "unit", "until", "uses", "var", "while", "with", "xor"};
// clang-format on

bool IsReservedWord(QByteArrayView text) {
    constexpr qsizetype longest = 14; // "implementation", "initialization", "resourcestring"
    if (text.size() > longest)
        return false;
    char lower[longest];
    for (qsizetype i = 0; i < text.size(); ++i)
        lower[i] = (text[i] >= 'A' && text[i] <= 'Z') ? char(text[i] - 'A' + 'a') : text[i];
    return std::binary_search(reservedWords.begin(), reservedWords.end(),
                              std::string_view(lower, std::size_t(text.size())));
}

// Where the `implementation` keyword that ends the interface starts, or the
// end of the source.
qsizetype InterfaceEnd(QByteArrayView source) {
    InterfaceTokens tokens(source);
    Token token = tokens.next();
    while (token.kind != TokenKind::End)
        token = tokens.next();
    return token.begin;
}

// Hands out the code tokens of a unit's interface by position, comments and
// directives left out, lexing as far as asked. It keeps only the tokens from
// the oldest one still wanted, so that memory stays the size of one header
// whatever the size of the file.
class TokenWindow {
public:
    TokenWindow(QByteArrayView source, ConditionalCompilation* compilation)
        : interface_(source, compilation) {}

    const PascalLexer& lexer() const { return interface_.lexer(); }

    // The token at position i, or null past the end of the interface. The
    // pointer holds only until the next call.
    const CodeToken* at(std::size_t i) { return i < tokens_.size() ? &tokens_[i] : lexUpTo(i); }

    // Forgets the tokens before position i, which becomes position 0.
    void forgetBefore(std::size_t i) {
        tokens_.erase(tokens_.begin(), tokens_.begin() + std::min(i, tokens_.size()));
    }

private:
    // Kept apart from at(), which is asked for every token several times and
    // stays small enough to inline.
    const CodeToken* lexUpTo(std::size_t i) {
        while (i >= tokens_.size() && !finished_)
            lexOne();
        return i < tokens_.size() ? &tokens_[i] : nullptr;
    }

    void lexOne() {
        for (;;) {
            const Token token = interface_.next();
            if (token.kind == TokenKind::End) {
                finished_ = true;
                return;
            }
            blankBefore_ = blankBefore_ || !lexer().lastTokenTouchesPrevious();
            if (token.kind == TokenKind::Comment || token.kind == TokenKind::Directive) {
                commentBefore_ = true;
                continue;
            }
            const ConditionalNesting& conditionals = interface_.conditionals();
            tokens_.push_back({token, blankBefore_, commentBefore_, conditionals.opened(),
                               conditionals.innermostLaterBranch()});
            blankBefore_ = commentBefore_ = false;
            return;
        }
    }

    InterfaceTokens interface_;
    std::vector<CodeToken> tokens_;
    bool blankBefore_ = false;
    bool commentBefore_ = false;
    bool finished_ = false;
};

// The routines of one kind, keeping the first of each name.
struct RoutineList {
    bool functions;
    QList<RoutineRow> rows;
    // Names case-folded, as UTF-8. A unit can declare thousands of routines,
    // and this set is asked for each; the standard hash is the quicker one.
    std::unordered_set<std::string> seen;

    void append(QString name, const QString& paramText, const QString& resultText,
                QString declaration) {
        rows.append({functions ? functionKind : procedureKind, std::move(name),
                     paramText.isEmpty() ? noneMarker : paramText,
                     !functions || resultText.isEmpty() ? noneMarker : resultText,
                     std::move(declaration)});
    }
    // Records the name (bytes of the source) as seen; false when it was seen before.
    bool isFirstSighting(QByteArrayView name, SourceEncoding encoding) {
        std::string key;
        const bool ascii = std::all_of(name.cbegin(), name.cend(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (ascii) {
            key.reserve(name.size());
            for (const char c : name)
                key += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        } else {
            key = DecodeSourceBytes(name, encoding).toCaseFolded().toStdString();
        }
        return seen.insert(std::move(key)).second;
    }
    void fillWhenEmpty() {
        if (rows.isEmpty())
            rows.append({functions ? functionKind : procedureKind, nothingFound, nothingFound,
                         functions ? nothingFound : noneMarker, QString()});
    }
};

class RoutineScanner {
public:
    RoutineScanner(QByteArrayView raw, const CompilerDefines* defines)
        : source_(ClassifySourceBytes(raw)), lexer_(source_.bytes),
          compilation_(defines ? std::optional<ConditionalCompilation>(std::in_place, *defines)
                               : std::nullopt),
          window_(source_.bytes, compilation_ ? &*compilation_ : nullptr) {
        fileSize_ = raw.size();
    }

    UnitRoutines scan() {
        std::size_t i = 0;
        for (;;) {
            limit_ = npos;
            if (!exists(i))
                break;
            if (isWord(i, "procedure") || isWord(i, "function"))
                i = readHeader(i);
            else
                ++i;
            // Forget what was read, now and then rather than token by token,
            // keeping the two tokens before the next: a keyword looks back at
            // them.
            if (i > 256) {
                window_.forgetBefore(i - 2);
                i = 2;
            }
        }
        procedures_.fillWhenEmpty();
        functions_.fillWhenEmpty();
        UnitRoutines result;
        result.fileSize = fileSize_;
        result.rows = std::move(procedures_.rows);
        result.rows += std::move(functions_.rows);
        if (compilation_)
            result.conditionals = compilation_->counts();
        return result;
    }

private:
    static constexpr std::size_t npos = std::size_t(-1);
    // No real header comes near this many tokens; a longer one (in a file
    // that is not Pascal) ends here.
    static constexpr std::size_t maxHeaderTokens = 1 << 16;
    // Words that may follow the keyword or the result of a procedural type.
    static constexpr QByteArrayView typeModifiers[] = {
        "of",     "is",      "stdcall", "cdecl", "pascal", "register", "safecall",
        "winapi", "cppdecl", "far",     "near",  "export", "varargs"};
    // Words that cannot belong to a parameter list or a result type.
    static constexpr QByteArrayView headerEnders[] = {"procedure",  "function", "constructor",
                                                      "destructor", "property", "operator",
                                                      "begin",      "end"};

    // Whether there is a token i, within the header being read.
    bool exists(std::size_t i) { return i < limit_ && window_.at(i); }
    // Token i, which must exist.
    const CodeToken& token(std::size_t i) { return *window_.at(i); }

    bool isWord(std::size_t i, QByteArrayView word) {
        return exists(i) && lexer_.isWord(token(i).token, word);
    }
    bool isAnyWord(std::size_t i, std::span<const QByteArrayView> words) {
        for (const QByteArrayView word : words) {
            if (isWord(i, word))
                return true;
        }
        return false;
    }
    bool isSymbol(std::size_t i, char symbol) {
        return exists(i) && lexer_.isSymbol(token(i).token, symbol);
    }
    bool isIdentifier(std::size_t i) {
        return exists(i) && token(i).token.kind == TokenKind::Identifier;
    }
    // Meeting one of these words means the header was cut short; the scan
    // resumes there.
    bool endsHeader(std::size_t i) { return isAnyWord(i, headerEnders); }

    // The next token of the header being read. A header may hold alternatives,
    // as in `X: {$IFDEF CPU64}Int64{$ELSE}Integer{$ENDIF}`; it is read as its
    // first alternative, so that its texts are those of one real declaration.
    // A word that ends a header ends it in a later alternative too: the
    // skipping then never passes the next routine, whose own header would
    // skip the same text again (conditionals nested one per routine would
    // cost the square of their number).
    std::size_t step(std::size_t i) {
        ++i;
        while (exists(i) && token(i).laterBranchOf >= headerConditionals_ && !endsHeader(i))
            ++i;
        return i;
    }

    // Reads the header whose keyword stands at `keyword`; returns where to go on.
    std::size_t readHeader(std::size_t keyword) {
        const bool isFunction = isWord(keyword, "function");
        const std::size_t before = keyword - 1; // wraps to npos at the start
        // `&procedure` and `Obj.procedure` are identifiers, not the keyword;
        // but not across a comment or directive: in
        // `{$IFDEF VER80} #ERROR Needs Delphi 3. {$ENDIF} procedure Register;`
        // the full stop ends a text that is no code.
        if (keyword > 0 && !token(keyword).commentBefore &&
            (isSymbol(before, '&') || isSymbol(before, '.')))
            return keyword + 1;
        // `X := procedure(A: Integer) begin ... end` is an anonymous method,
        // a value rather than a declaration.
        if (followsAssignment(keyword))
            return keyword + 1;
        limit_ = keyword + maxHeaderTokens;
        // Only conditionals opened inside the header make alternatives of it.
        headerConditionals_ = token(keyword).conditionalsBefore;
        std::size_t at = step(keyword);
        const bool isType = keyword > 0 && isTypeContext(before) && !startsHeaderName(at);
        QByteArray name = procedureTypeMarker.toLatin1();
        if (!isType) {
            if (isSymbol(at, '&') && isIdentifier(step(at)))
                at = step(at); // an escaped name such as &Begin
            else if (isIdentifier(at) && IsReservedWord(lexer_.text(token(at).token)))
                return keyword + 1;
            if (!isIdentifier(at))
                return keyword + 1;
            const std::size_t nameEnd = skipName(at);
            name = spacedBytes(at, nameEnd);
            at = nameEnd;
            // `procedure IFoo.Bar = DoBar;` maps an interface method; it declares nothing.
            if (isSymbol(at, '='))
                return at;
        }
        std::size_t paramsFirst = at, paramsLast = at;
        if (isSymbol(at, '(')) {
            const std::size_t close = closingParenthesis(at);
            paramsFirst = step(at);
            paramsLast = close;
            at = isSymbol(close, ')') ? step(close) : close;
        }
        std::size_t resultFirst = at, resultLast = at;
        if (isFunction && isSymbol(at, ':')) {
            resultFirst = step(at);
            resultLast = resultEnd(resultFirst, isType);
            at = resultLast;
        }
        // Most repeated names are overloads and same-named methods: their texts
        // are never kept, so they are not built either.
        RoutineList& list = isFunction ? functions_ : procedures_;
        if (list.isFirstSighting(name, source_.encoding)) {
            QString declaration = spacedText(keyword, at);
            if (isSymbol(at, ';'))
                declaration += QLatin1Char(';');
            list.append(DecodeSourceBytes(name, source_.encoding),
                        spacedText(paramsFirst, paramsLast), spacedText(resultFirst, resultLast),
                        declaration);
        }
        return at;
    }

    // Whether the tokens before `keyword` are `:=`, written as one operator.
    bool followsAssignment(std::size_t keyword) {
        if (keyword < 2 || !isSymbol(keyword - 1, '=') || !isSymbol(keyword - 2, ':'))
            return false;
        const CodeToken& equals = token(keyword - 1);
        return !equals.blankBefore && !equals.commentBefore;
    }

    // Whether a keyword after token i begins a type: `TNotify = procedure`,
    // `Handler: function`, `reference to procedure`.
    bool isTypeContext(std::size_t i) {
        return isSymbol(i, '=') || isSymbol(i, ':') || isWord(i, "to") || isWord(i, "of");
    }

    // Whether token i is a routine's name rather than what may follow the
    // keyword of a procedural type. A name after `=` is still a header when
    // a directive stood between, as in `Table = {$I table.inc}` before it.
    bool startsHeaderName(std::size_t i) {
        if (isSymbol(i, '&'))
            return true;
        return isIdentifier(i) && !isAnyWord(i, typeModifiers);
    }

    // The end of a name: identifiers joined by dots, each with optional generic parameters.
    std::size_t skipName(std::size_t at) {
        at = step(at);
        for (;;) {
            if (isSymbol(at, '<')) {
                const std::size_t close = closingAngle(at);
                if (close == npos)
                    return at;
                at = step(close);
            }
            if (!isSymbol(at, '.') || !isIdentifier(step(at)))
                return at;
            at = step(step(at));
        }
    }

    // The '>' that closes the generic parameters opened at `open`, or npos.
    std::size_t closingAngle(std::size_t open) {
        int depth = 0;
        for (std::size_t i = open; exists(i); i = step(i)) {
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
    std::size_t closingParenthesis(std::size_t open) {
        int depth = 0;
        std::size_t i = open;
        for (; exists(i) && !endsHeader(i); i = step(i)) {
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
    std::size_t resultEnd(std::size_t start, bool isType) {
        int depth = 0;
        std::size_t i = start;
        for (; exists(i) && !endsHeader(i); i = step(i)) {
            if (isSymbol(i, '(') || isSymbol(i, '[') || isSymbol(i, '<')) {
                ++depth;
            } else if (depth > 0 && (isSymbol(i, ')') || isSymbol(i, ']') || isSymbol(i, '>'))) {
                --depth;
            } else if (depth == 0 && isSymbol(i, ';')) {
                break;
            } else if (depth == 0 && isType &&
                       (isSymbol(i, ')') || isSymbol(i, '=') || isAnyWord(i, typeModifiers))) {
                break;
            }
        }
        return i;
    }

    // The header's tokens [first, last) as text: white space becomes one
    // blank, and so does a comment or directive where it parts two words.
    QByteArray spacedBytes(std::size_t first, std::size_t last) {
        QByteArray text;
        // Room for nearly every header at once, rather than growing token by token.
        text.reserve(256);
        std::optional<CodeToken> previous;
        for (std::size_t i = first; i < last && exists(i); i = step(i)) {
            const CodeToken current = token(i);
            if (previous && (current.blankBefore || (current.commentBefore &&
                                                     isWordLike(*previous) && isWordLike(current))))
                text += ' ';
            text += lexer_.text(current.token);
            previous = current;
        }
        return text;
    }
    QString spacedText(std::size_t first, std::size_t last) {
        return DecodeSourceBytes(spacedBytes(first, last), source_.encoding);
    }

    static bool isWordLike(const CodeToken& token) { return token.token.kind != TokenKind::Symbol; }

    SourceBytes source_;
    PascalLexer lexer_; // tells tokens apart; the window does the lexing
    std::optional<ConditionalCompilation> compilation_;
    TokenWindow window_;
    std::size_t limit_ = npos;   // tokens from here on are beyond the header being read
    int headerConditionals_ = 0; // conditionals opened before the header being read
    qint64 fileSize_ = 0;
    RoutineList procedures_{false, {}, {}};
    RoutineList functions_{true, {}, {}};
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

UnitRoutines ParseUnitRoutines(QByteArrayView bytes, const CompilerDefines* defines) {
    return RoutineScanner(bytes, defines).scan();
}

UnitRoutines ScanUnitRoutines(const QString& path, const QString& projectFolder,
                              IncludeCache* includeCache, const CompilerDefines* defines) {
    // Stamped before it is read: a change while it is read shows as a
    // change next time.
    QList<FileStamp> sources{StampFile(path)};
    QString failure;
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit, nullptr, &failure);
    if (!bytes) {
        UnitRoutines placeholders = ParseUnitRoutines({}); // size 0
        placeholders.unreadable = true;
        placeholders.readFailure = failure;
        return placeholders;
    }
    // The size stays the unit file's own, include files or not.
    UnitRoutines routines = ParseUnitRoutines(
        ExpandInterfaceIncludes(*bytes, path, projectFolder, includeCache, &sources, nullptr,
                                defines ? IncludeRepeats::AsCompiled : IncludeRepeats::Once),
        defines);
    routines.fileSize = sources.first().size >= 0 ? sources.first().size : QFileInfo(path).size();
    routines.sources = std::move(sources);
    return routines;
}

QStringList ReadUnitInterface(const QString& path) {
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit);
    if (!bytes)
        return {};
    const SourceBytes source = ClassifySourceBytes(*bytes);
    qsizetype end = InterfaceEnd(source.bytes);
    if (end < source.bytes.size()) {
        // Through the end of the keyword's line, which the keyword belongs to.
        while (end < source.bytes.size() && source.bytes[end] != '\n' && source.bytes[end] != '\r')
            ++end;
    }
    return SplitLines(DecodeSourceBytes(source.bytes.first(end), source.encoding));
}

} // namespace ink
