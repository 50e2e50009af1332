#include "ProjectReader.h"

#include <optional>

#include "Conditionals.h"
#include "model/Placeholders.h"
#include "PascalLexer.h"
#include "PathParts.h"
#include "SourceText.h"

namespace ink {

namespace {
const QString noForm = QString::fromLatin1(PlaceholderText);

// One entry of the clause as it is read, token by token.
struct Entry {
    QByteArray name;         // identifiers and dots, as written
    bool nameClosed = false; // something other than the name came after it
    bool afterDot = false;
    bool hasPath = false;
    QString path;
    bool hasForm = false;
    QString form;
};

class UsesClauseReader {
public:
    UsesClauseReader(QByteArrayView raw, const char* keyword, const CompilerDefines* defines)
        : source_(ClassifySourceBytes(raw)), lexer_(source_.bytes), keyword_(keyword) {
        if (defines)
            compilation_.emplace(*defines);
    }

    ProjectUnits read() {
        if (findUsesKeyword())
            readEntries();
        return std::move(result_);
    }

private:
    bool findUsesKeyword() {
        for (Token token = next(); token.kind != TokenKind::End; token = next()) {
            if (lexer_.isWord(token, keyword_))
                return true;
        }
        return false;
    }

    void readEntries() {
        Entry entry;
        for (;;) {
            const Token token = next();
            switch (token.kind) {
            case TokenKind::End:
                finish(entry);
                return;
            case TokenKind::Identifier:
                takeIdentifier(entry, token);
                break;
            case TokenKind::String:
                if (!entry.hasPath) {
                    entry.path = PascalLexer::stringValue(lexer_.text(token), source_.encoding);
                    entry.hasPath = true;
                }
                entry.nameClosed = true;
                break;
            case TokenKind::Comment:
                takeComment(entry, token);
                break;
            case TokenKind::Directive:
                break; // belongs to no entry
            case TokenKind::Symbol:
                if (lexer_.isSymbol(token, ',')) {
                    finish(entry);
                    entry = Entry();
                } else if (lexer_.isSymbol(token, ';')) {
                    finish(entry);
                    return;
                } else if (lexer_.isSymbol(token, '.') && !entry.nameClosed &&
                           !entry.name.isEmpty() && !entry.afterDot) {
                    entry.name += '.'; // a dotted unit name such as Vcl.Forms
                    entry.afterDot = true;
                } else {
                    entry.nameClosed = true;
                }
                break;
            case TokenKind::Number:
                entry.nameClosed = true;
                break;
            }
        }
    }

    void takeIdentifier(Entry& entry, const Token& token) {
        if (!entry.nameClosed && (entry.name.isEmpty() || entry.afterDot)) {
            entry.name += lexer_.text(token);
            entry.afterDot = false;
        } else {
            entry.nameClosed = true; // `in`, or anything else after the name
        }
    }

    // The form is the braces comment that follows the entry's path, as the
    // development environment writes it: Unit1 in 'Unit1.pas' {Form1}.
    void takeComment(Entry& entry, const Token& token) {
        const QByteArrayView text = lexer_.text(token);
        if (entry.hasPath && !entry.hasForm && text.startsWith('{')) {
            entry.form = DecodeSourceBytes(PascalLexer::commentBody(text), source_.encoding);
            entry.hasForm = true;
        }
    }

    void finish(const Entry& entry) {
        const QString fileName = FileNamePart(entry.path);
        const QString name = DecodeSourceBytes(entry.name, source_.encoding);
        if (fileName.isEmpty() && name.isEmpty())
            return; // an empty entry, as in "uses ;" or a stray comma
        result_.units.append(fileName.isEmpty() ? name : fileName);
        result_.forms.append(entry.form.isEmpty() ? noForm : entry.form);
        result_.paths.append(entry.path);
    }

    // The next token, with defines those of the code compiled only:
    // `uses {$IFDEF UNIX} cthreads, {$ENDIF} Forms` names cthreads on Unix.
    Token next() {
        for (;;) {
            const Token token = lexer_.next();
            if (!compilation_)
                return token;
            if (token.kind == TokenKind::Directive)
                compilation_->take(lexer_.text(token));
            if (token.kind == TokenKind::End || !compilation_->skipping())
                return token;
        }
    }

    SourceBytes source_;
    PascalLexer lexer_;
    std::optional<ConditionalCompilation> compilation_;
    const char* keyword_;
    ProjectUnits result_;
};

const char* clauseKeyword(UnitsClause clause) {
    switch (clause) {
    case UnitsClause::Contains:
        return "contains";
    case UnitsClause::Requires:
        return "requires";
    case UnitsClause::Uses:
        break;
    }
    return "uses";
}
} // namespace

ProjectUnits ParseProjectUnits(QByteArrayView bytes, UnitsClause clause,
                               const CompilerDefines* defines) {
    return UsesClauseReader(bytes, clauseKeyword(clause), defines).read();
}

UnitsClause UnitsClauseOf(const QString& path) {
    return path.endsWith(QLatin1String(".dpk"), Qt::CaseInsensitive) ? UnitsClause::Contains
                                                                     : UnitsClause::Uses;
}

ProjectUnits ReadProjectUnits(const QString& path, UnitsClause clause,
                              const CompilerDefines* defines) {
    bool truncated = false;
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, projectReadLimit, &truncated);
    if (!bytes) {
        ProjectUnits failed;
        failed.error = QStringLiteral("File ") + path + QStringLiteral(" could not be opened.");
        return failed;
    }
    ProjectUnits units = ParseProjectUnits(*bytes, clause, defines);
    if (truncated) {
        units.error = QStringLiteral("File ") + path +
                      QStringLiteral(" is larger than 16 MiB; only its first 16 MiB were read.");
    }
    return units;
}

} // namespace ink
