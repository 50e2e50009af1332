#include "DeclarationComments.h"

#include <algorithm>
#include <QRegularExpression>
#include <QStringList>
#include <span>

#include "IncludeFiles.h"
#include "InterfaceTokens.h"
#include "PascalLexer.h"
#include "SourceText.h"
#include "UnitReadLimit.h"

namespace ink {

namespace {

bool isComment(const Token& token) {
    return token.kind == TokenKind::Comment;
}

bool looksLikeLicence(const QString& text) {
    static const QRegularExpression licence(
        QStringLiteral("licen[cs]e|copyright|\\(c\\)|\\bGNU\\b|\\bGPL\\b|\\bMPL\\b|"
                       "all rights reserved|permission is hereby granted|warranty"),
        QRegularExpression::CaseInsensitiveOption);
    return licence.match(text).hasMatch();
}

// Visibility sections of a class and the sections of a unit. An IDE writes
// a marker comment under them ("{ Private declarations }"), and a comment on
// the keyword's own line speaks of the section, not of what follows it.
constexpr QByteArrayView sectionKeywords[] = {
    "private", "protected", "public",    "published",      "automated", "strict",   "type",
    "const",   "var",       "threadvar", "resourcestring", "uses",      "interface"};

// Words no routine header holds, as the unit scanner has them.
constexpr QByteArrayView headerEnders[] = {"procedure", "function", "constructor", "destructor",
                                           "property",  "operator", "begin",       "end"};

// Words that name what a section holds. Plural only: "Returns the type" is
// a description, "Common types" a heading. The IDEs' own markers come in
// their users' languages too (Private-Deklarationen, Déclarations privées).
const QStringList sectionNouns{QStringLiteral("declarations"),  QStringLiteral("deklarationen"),
                               QStringLiteral("déclarations"),  QStringLiteral("declaraciones"),
                               QStringLiteral("dichiarazioni"), QStringLiteral("declarações"),
                               QStringLiteral("constants"),     QStringLiteral("consts"),
                               QStringLiteral("konstanten"),    QStringLiteral("types"),
                               QStringLiteral("typen"),         QStringLiteral("variables"),
                               QStringLiteral("vars"),          QStringLiteral("variablen"),
                               QStringLiteral("fields"),        QStringLiteral("felder"),
                               QStringLiteral("methods"),       QStringLiteral("methoden"),
                               QStringLiteral("properties"),    QStringLiteral("eigenschaften"),
                               QStringLiteral("events"),        QStringLiteral("members"),
                               QStringLiteral("routines"),      QStringLiteral("procedures"),
                               QStringLiteral("functions"),     QStringLiteral("resourcestrings")};

const QStringList visibilityWords{QStringLiteral("private"),   QStringLiteral("protected"),
                                  QStringLiteral("public"),    QStringLiteral("published"),
                                  QStringLiteral("strict"),    QStringLiteral("privées"),
                                  QStringLiteral("publiques"), QStringLiteral("privadas"),
                                  QStringLiteral("públicas"),  QStringLiteral("öffentliche")};

QStringList wordsOf(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}_]+"));
    return text.toLower().split(separators, Qt::SkipEmptyParts);
}

// A comment of a few words that names a section rather than describing
// anything: "Private declarations", "Public-Deklarationen", "Common constants".
bool namesSection(const QString& text) {
    const QStringList words = wordsOf(text);
    if (words.isEmpty() || words.size() > 3)
        return false;
    if (visibilityWords.contains(words.first()))
        return true;
    return sectionNouns.contains(words.first()) || sectionNouns.contains(words.last());
}

// What is no description whatever stands around it: a text with no letter or
// digit (a formatter's "{(*}"), a directive switched off by a blank or a
// full stop ("{ $DEFINE DEBUG}", "{.$IFDEF}"), a version control keyword
// ("$Id$"), code taken out ("// virtual;", "{ procedure Old; }"), or a
// section's marker.
bool isNoDescription(const QString& text) {
    const bool holdsWord =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber(); });
    return !holdsWord || text.startsWith(QLatin1Char('$')) ||
           text.startsWith(QLatin1String(".$")) || text.endsWith(QLatin1Char(';')) ||
           namesSection(text);
}

// The lexer's tokens with the line each starts and ends on.
struct Placed {
    Token token;
    int firstLine;
    int lastLine;
};

class CommentReader {
public:
    // Reads the comments by name for `result`, or with `byLines` by line
    // for `byLine`.
    explicit CommentReader(QByteArrayView bytes, bool byLines = false) {
        const SourceBytes source = ClassifySourceBytes(bytes);
        encoding_ = source.encoding;
        InterfaceTokens tokens(source.bytes);
        source_ = source.bytes;
        int line = 0;
        qsizetype counted = 0;
        auto lineAt = [&](qsizetype offset) {
            for (; counted < offset; ++counted)
                if (source_[counted] == '\n')
                    ++line;
            return line;
        };
        for (Token token = tokens.next(); token.kind != TokenKind::End; token = tokens.next()) {
            const int first = lineAt(token.begin);
            tokens_.push_back({token, first, lineAt(token.end)});
        }
        lexer_ = &tokens.lexer();
        if (byLines)
            readByLine();
        else
            read();
        lexer_ = nullptr;
    }

    DeclarationComments result;
    QHash<int, QString> byLine;

private:
    // Fills byLine: for the first code token of every line, the comment
    // that belongs to what stands there.
    void readByLine() {
        int lastLine = -1;
        for (std::size_t i = 0; i < tokens_.size(); ++i) {
            if (isComment(tokens_[i].token) || tokens_[i].firstLine == lastLine)
                continue;
            lastLine = tokens_[i].firstLine;
            if (isAnyWord(i, sectionKeywords))
                continue; // a comment above `type` or `private` speaks of the section
            // Where the declaration on this line ends: its semicolon, or the
            // line's last code token.
            std::size_t end = i;
            int depth = 0;
            for (std::size_t j = i; j < tokens_.size(); ++j) {
                if (isComment(tokens_[j].token))
                    continue;
                if (tokens_[j].token.kind == TokenKind::Symbol) {
                    const char c = source_[tokens_[j].token.begin];
                    depth += c == '(' || c == '[' ? 1 : c == ')' || c == ']' ? -1 : 0;
                    if (c == ';' && depth <= 0) {
                        end = j;
                        break;
                    }
                }
                if (tokens_[j].firstLine != lastLine)
                    break;
                end = j;
            }
            QString text = above(i);
            if (!text.isEmpty() && isHeading(text) && groupGoesOn(end))
                text.clear();
            if (text.isEmpty())
                text = trailing(end);
            if (!text.isEmpty() && !isNoDescription(text))
                byLine.insert(lastLine + 1, text);
        }
    }

    // A comment on the line where the declaration ends at token `end`,
    // before anything else begins on that line.
    QString trailing(std::size_t end) const {
        const std::size_t next = end + 1;
        if (next < tokens_.size() && tokens_[next].firstLine == tokens_[end].lastLine &&
            isComment(tokens_[next].token))
            return CommentText({textOf(tokens_[next].token)});
        return {};
    }

    QString textOf(const Token& token) const {
        return DecodeSourceBytes(source_.sliced(token.begin, token.end - token.begin), encoding_);
    }
    bool isWord(std::size_t i, const char* word) const {
        return i < tokens_.size() && tokens_[i].token.kind == TokenKind::Identifier &&
               lexer_->isWord(tokens_[i].token, word);
    }

    bool isAnyWord(std::size_t i, std::span<const QByteArrayView> words) const {
        if (i >= tokens_.size() || tokens_[i].token.kind != TokenKind::Identifier)
            return false;
        return std::any_of(words.begin(), words.end(), [&](QByteArrayView word) {
            return lexer_->isWord(tokens_[i].token, word);
        });
    }
    bool isSymbol(std::size_t i, char symbol) const {
        return i < tokens_.size() && lexer_->isSymbol(tokens_[i].token, symbol);
    }

    // The comments that end on the line just above token i (a run of them,
    // each on the line below the previous), as one text. A comment on the
    // line of the token before it is no part of the run: it belongs to that
    // token (`private // internal`). The run stops at a comment that
    // describes nothing, and a unit's run at a licence block above its own
    // comment.
    QString above(std::size_t i, bool stopAtLicence = false) const {
        int line = tokens_[i].firstLine;
        std::size_t j = i;
        QStringList comments;
        while (j > 0 && isComment(tokens_[j - 1].token) && tokens_[j - 1].lastLine == line - 1 &&
               (j - 1 == 0 || tokens_[j - 2].lastLine < tokens_[j - 1].firstLine)) {
            const QString comment = textOf(tokens_[j - 1].token);
            if (stopAtLicence && looksLikeLicence(comment))
                break;
            // An empty `//` line parts the paragraphs of one comment.
            const QString text = CommentText({comment});
            if (!text.isEmpty() && isNoDescription(text))
                break;
            comments.prepend(comment);
            line = tokens_[j - 1].firstLine;
            --j;
        }
        return CommentText(comments);
    }

    // The `;` that ends the header starting at token i, or npos. A header
    // holds no other routine, `begin` or `end`: the search stops at them, so
    // that text with no `;` (which no compiler takes) is read once in all
    // rather than once per header in it.
    std::size_t headerEnd(std::size_t i) const {
        int depth = 0;
        for (std::size_t j = i + 1; j < tokens_.size(); ++j) {
            const Token& t = tokens_[j].token;
            if (t.kind == TokenKind::Identifier) {
                if (isAnyWord(j, headerEnders))
                    return npos;
                continue;
            }
            if (t.kind != TokenKind::Symbol)
                continue;
            const char c = source_[t.begin];
            if (c == '(')
                ++depth;
            else if (c == ')')
                --depth;
            else if (c == ';' && depth <= 0)
                return j;
        }
        return npos;
    }

    // A comment on the line where the header ends at token `end`, before
    // the next routine on that line, if any.
    QString after(std::size_t end) const {
        const int line = tokens_[end].lastLine;
        for (std::size_t j = end + 1; j < tokens_.size() && tokens_[j].firstLine == line; ++j) {
            if (isComment(tokens_[j].token))
                return CommentText({textOf(tokens_[j].token)});
            if (isAnyWord(j, headerEnders))
                break;
        }
        return {};
    }

    // Whether the line after the header that ends at token `end` declares
    // the next member at once, with no comment of its own. A short comment
    // above such a run of declarations heads the group ("// views",
    // "{ misc }"); it does not describe the first of them.
    bool groupGoesOn(std::size_t end) const {
        const int line = tokens_[end].lastLine;
        std::size_t j = end + 1;
        while (j < tokens_.size() && tokens_[j].firstLine == line)
            ++j;
        return j < tokens_.size() && tokens_[j].firstLine == line + 1 &&
               tokens_[j].token.kind == TokenKind::Identifier && !isWord(j, "end") &&
               !isAnyWord(j, sectionKeywords);
    }

    static bool isHeading(const QString& text) {
        return !text.contains(QLatin1Char('\n')) && wordsOf(text).size() <= 2 &&
               !text.endsWith(QLatin1Char('.'));
    }

    void read() {
        // Where the unit's declarations begin: a comment before it may
        // describe the unit, one after it belongs to a declaration.
        std::size_t declarationsBegin = tokens_.size();
        for (std::size_t i = 0; i < tokens_.size(); ++i) {
            if (isWord(i, "unit")) {
                const QString text = above(i, true);
                if (!text.isEmpty())
                    result.unit = text;
                continue;
            }
            if (declarationsBegin == tokens_.size() &&
                (isAnyWord(i, sectionKeywords) || isAnyWord(i, headerEnders)) &&
                !isWord(i, "interface"))
                declarationsBegin = i;
            if (!isWord(i, "procedure") && !isWord(i, "function"))
                continue;
            std::size_t name = i + 1;
            while (name < tokens_.size() && isComment(tokens_[name].token))
                ++name;
            if (name >= tokens_.size() || tokens_[name].token.kind != TokenKind::Identifier)
                continue; // a procedural type
            QString routine = textOf(tokens_[name].token);
            // A method's qualifier, as the scanner keeps it.
            while (isSymbol(name + 1, '.') && name + 2 < tokens_.size() &&
                   tokens_[name + 2].token.kind == TokenKind::Identifier) {
                routine += QLatin1Char('.') + textOf(tokens_[name + 2].token);
                name += 2;
            }
            const QString key = routine.toCaseFolded();
            if (result.routines.contains(key))
                continue;
            const std::size_t start = i > 0 && isWord(i - 1, "class") ? i - 1 : i;
            const std::size_t end = headerEnd(i);
            QString text = above(start);
            if (!text.isEmpty() && end != npos && isHeading(text) && groupGoesOn(end))
                text.clear();
            if (text.isEmpty() && end != npos)
                text = after(end);
            if (!text.isEmpty() && !isNoDescription(text))
                result.routines.insert(key, text);
        }
        if (result.unit.isEmpty()) {
            // A comment on the line of `interface` speaks of the section.
            std::size_t code = npos; // the last token before i that is no comment
            for (std::size_t i = 0; i < declarationsBegin; ++i) {
                if (!isComment(tokens_[i].token)) {
                    code = i;
                    continue;
                }
                const QString text = CommentText({textOf(tokens_[i].token)});
                if (looksLikeLicence(text))
                    break;
                const bool onKeywordLine = code != npos && isAnyWord(code, sectionKeywords) &&
                                           tokens_[code].lastLine == tokens_[i].firstLine;
                if (!isNoDescription(text) && !onKeywordLine) {
                    result.unit = text;
                    break;
                }
            }
        }
    }

    static constexpr std::size_t npos = std::size_t(-1);

    QByteArrayView source_;
    SourceEncoding encoding_ = SourceEncoding::Utf8;
    std::vector<Placed> tokens_;
    const PascalLexer* lexer_ = nullptr;
};

} // namespace

QString CommentText(const QStringList& comments) {
    static const QRegularExpression tag(QStringLiteral("</?[A-Za-z][^<>]*>"));
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList lines;
    for (const QString& comment : comments) {
        QString body = comment;
        if (body.startsWith(QLatin1String("///")))
            body = body.mid(3);
        else if (body.startsWith(QLatin1String("//")))
            body = body.mid(2);
        else if (body.startsWith(QLatin1String("(*")))
            body = body.mid(2, body.endsWith(QLatin1String("*)")) ? body.size() - 4 : -1);
        else if (body.startsWith(QLatin1Char('{')))
            body = body.mid(1, body.endsWith(QLatin1Char('}')) ? body.size() - 2 : -1);
        body.remove(tag);
        for (QString line : body.split(lineBreak)) {
            line = line.trimmed();
            // The frame of a boxed comment is no text.
            if (!line.isEmpty() && line.count(QLatin1Char('*')) + line.count(QLatin1Char('-')) +
                                           line.count(QLatin1Char('=')) ==
                                       line.size())
                line.clear();
            lines << line;
        }
    }
    while (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

DeclarationComments ParseDeclarationComments(QByteArrayView bytes) {
    return CommentReader(bytes).result;
}

QHash<int, QString> ParseCommentsByLine(QByteArrayView bytes) {
    return CommentReader(bytes, true).byLine;
}

QHash<int, QString> ReadCommentsByLine(const QString& path) {
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit);
    if (!bytes)
        return {};
    return ParseCommentsByLine(*bytes);
}

DeclarationComments ReadDeclarationComments(const QString& path, const QString& projectFolder) {
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit);
    if (!bytes)
        return {};
    return ParseDeclarationComments(ExpandInterfaceIncludes(*bytes, path, projectFolder));
}

} // namespace ink
