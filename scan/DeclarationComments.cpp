#include "DeclarationComments.h"

#include <QRegularExpression>
#include <QStringList>

#include "IncludeFiles.h"
#include "InterfaceTokens.h"
#include "PascalLexer.h"
#include "SourceText.h"
#include "UnitScanner.h"

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

// The lexer's tokens with the line each starts and ends on.
struct Placed {
    Token token;
    int firstLine;
    int lastLine;
};

class CommentReader {
public:
    explicit CommentReader(QByteArrayView bytes) {
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
        read();
        lexer_ = nullptr;
    }

    DeclarationComments result;

private:
    QString textOf(const Token& token) const {
        return DecodeSourceBytes(source_.sliced(token.begin, token.end - token.begin), encoding_);
    }
    bool isWord(std::size_t i, const char* word) const {
        return i < tokens_.size() && tokens_[i].token.kind == TokenKind::Identifier &&
               lexer_->isWord(tokens_[i].token, word);
    }

    // The comments that end on the line just above token i (a run of them,
    // each on the line below the previous), as one text.
    // A unit's run stops at a licence block above its own comment.
    QString above(std::size_t i, bool stopAtLicence = false) const {
        int line = tokens_[i].firstLine;
        std::size_t j = i;
        QStringList comments;
        while (j > 0 && isComment(tokens_[j - 1].token) && tokens_[j - 1].lastLine == line - 1 &&
               (j - 1 == 0 || tokens_[j - 2].lastLine < tokens_[j - 1].firstLine)) {
            const QString comment = textOf(tokens_[j - 1].token);
            if (stopAtLicence && looksLikeLicence(comment))
                break;
            comments.prepend(comment);
            line = tokens_[j - 1].firstLine;
            --j;
        }
        return CommentText(comments);
    }

    // A comment on the line where the header that starts at token i ends.
    QString after(std::size_t i) const {
        int depth = 0;
        std::size_t j = i;
        for (; j < tokens_.size(); ++j) {
            const Token& t = tokens_[j].token;
            if (t.kind != TokenKind::Symbol)
                continue;
            const char c = source_[t.begin];
            if (c == '(')
                ++depth;
            else if (c == ')')
                --depth;
            else if (c == ';' && depth <= 0)
                break;
        }
        if (j >= tokens_.size())
            return {};
        const int line = tokens_[j].lastLine;
        for (++j; j < tokens_.size() && tokens_[j].firstLine == line; ++j)
            if (isComment(tokens_[j].token))
                return CommentText({textOf(tokens_[j].token)});
        return {};
    }

    void read() {
        for (std::size_t i = 0; i < tokens_.size(); ++i) {
            if (isWord(i, "unit")) {
                const QString text = above(i, true);
                if (!text.isEmpty())
                    result.unit = text;
                continue;
            }
            if (!isWord(i, "procedure") && !isWord(i, "function"))
                continue;
            std::size_t name = i + 1;
            while (name < tokens_.size() && isComment(tokens_[name].token))
                ++name;
            if (name >= tokens_.size() || tokens_[name].token.kind != TokenKind::Identifier)
                continue; // a procedural type
            QString routine = textOf(tokens_[name].token);
            // A method's qualifier, as the scanner keeps it.
            while (name + 2 < tokens_.size() && tokens_[name + 1].token.kind == TokenKind::Symbol &&
                   source_[tokens_[name + 1].token.begin] == '.' &&
                   tokens_[name + 2].token.kind == TokenKind::Identifier) {
                routine += QLatin1Char('.') + textOf(tokens_[name + 2].token);
                name += 2;
            }
            const QString key = routine.toCaseFolded();
            if (result.routines.contains(key))
                continue;
            const std::size_t start = i > 0 && isWord(i - 1, "class") ? i - 1 : i;
            QString text = above(start);
            if (text.isEmpty())
                text = after(i);
            if (!text.isEmpty())
                result.routines.insert(key, text);
        }
        if (result.unit.isEmpty()) {
            for (const Placed& placed : tokens_) {
                if (!isComment(placed.token))
                    continue;
                const QString text = CommentText({textOf(placed.token)});
                if (!looksLikeLicence(text))
                    result.unit = text;
                break;
            }
        }
    }

    QByteArrayView source_;
    SourceEncoding encoding_ = SourceEncoding::Utf8;
    std::vector<Placed> tokens_;
    const PascalLexer* lexer_ = nullptr;
};

} // namespace

QString CommentText(const QStringList& comments) {
    static const QRegularExpression tag(QStringLiteral("</?[A-Za-z][^<>]*>"));
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
        for (QString line : body.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")))) {
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

DeclarationComments ReadDeclarationComments(const QString& path, const QString& projectFolder) {
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit);
    if (!bytes)
        return {};
    return ParseDeclarationComments(ExpandInterfaceIncludes(*bytes, path, projectFolder));
}

} // namespace ink
