#include "IncludeFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>

#include "InterfaceTokens.h"
#include "PascalLexer.h"
#include "SourceText.h"
#include "UnitScanner.h"

namespace ink {

namespace {

// The file name an include directive names, or empty for any other directive.
QString includedName(QByteArrayView directive) {
    QByteArrayView body = PascalLexer::commentBody(directive).trimmed();
    if (!body.startsWith('$'))
        return {};
    body = body.sliced(1);
    qsizetype nameEnd = 0;
    while (nameEnd < body.size() && std::isalpha(static_cast<unsigned char>(body[nameEnd])))
        ++nameEnd;
    const QByteArray name = body.first(nameEnd).toByteArray().toLower();
    if (name != "i" && name != "include")
        return {};
    QByteArrayView argument = body.sliced(nameEnd);
    if (argument.isEmpty() || !std::isspace(static_cast<unsigned char>(argument[0])))
        return {}; // {$I+}, {$I-}
    argument = argument.trimmed();
    if (argument.size() >= 2 && argument.startsWith('\'') && argument.endsWith('\''))
        argument = argument.sliced(1, argument.size() - 2);
    if (argument.isEmpty() || argument.startsWith('%') || argument.startsWith('+') ||
        argument.startsWith('-'))
        return {}; // {$I %DATE%} inserts a string, not a file
    QString file = QString::fromUtf8(argument.toByteArray());
    file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return file;
}

class Expander {
public:
    Expander(const QString& unitPath, const QString& projectFolder) {
        const QString unitFolder = QFileInfo(unitPath).absolutePath();
        folders_ << unitFolder;
        if (!projectFolder.isEmpty()) {
            const QString project = QDir(projectFolder).absolutePath();
            if (project != unitFolder)
                folders_ << project;
        }
        // Last, where the LCL and the FPC run-time library keep the include
        // files their units share, which their build scripts put on the
        // compiler's include path rather than in the directive: the
        // "include" folder in the unit's, and the "inc" folder beside it.
        folders_ << unitFolder + QStringLiteral("/include")
                 << QDir::cleanPath(unitFolder + QStringLiteral("/../inc"));
        seen_.insert(key(unitPath));
    }

    // `bytes` with its include directives replaced, as far as an
    // `implementation` keyword; `done` tells that the keyword was met.
    QByteArray expand(QByteArrayView bytes, const QString& folder, int depth, bool& done) {
        QByteArray out;
        InterfaceTokens tokens(bytes);
        qsizetype copied = 0;
        for (Token token = tokens.next(); token.kind != TokenKind::End; token = tokens.next()) {
            if (token.kind != TokenKind::Directive || depth >= maxIncludeDepth)
                continue;
            const QString name = includedName(tokens.lexer().text(token));
            if (name.isEmpty())
                continue;
            const QString path = find(name, folder);
            if (path.isEmpty() || seen_.contains(key(path)))
                continue;
            seen_.insert(key(path));
            const std::optional<QByteArray> included = ReadSourceBytes(path, unitReadLimit);
            if (!included)
                continue;
            QByteArrayView content = *included;
            if (content.startsWith("\xEF\xBB\xBF"))
                content = content.sliced(3);
            // Line breaks keep the included text from running into the
            // words around the directive.
            out += bytes.sliced(copied, token.begin - copied);
            out += '\n';
            out += expand(content, QFileInfo(path).absolutePath(), depth + 1, done);
            out += '\n';
            copied = token.end;
            if (done)
                break;
        }
        done = done || tokens.reachedImplementation();
        out += bytes.sliced(copied);
        return out;
    }

private:
    // A file's identity for "read once": its clean absolute path. Resolving
    // links would cost a system call per folder of the path, and a loop
    // through a link still ends at the depth limit.
    static QString key(const QString& path) {
        return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }

    QString find(const QString& name, const QString& includingFolder) {
        QStringList candidates{name};
        if (QFileInfo(name).suffix().isEmpty())
            candidates << name + QStringLiteral(".inc") << name + QStringLiteral(".pp")
                       << name + QStringLiteral(".pas");
        if (QDir::isAbsolutePath(name)) {
            for (const QString& candidate : candidates)
                if (const QString found = inFolder(QString(), candidate); !found.isEmpty())
                    return found;
            return {};
        }
        QStringList folders{includingFolder};
        for (const QString& folder : folders_)
            if (!folders.contains(folder))
                folders << folder;
        for (const QString& folder : folders)
            for (const QString& candidate : candidates)
                if (const QString found = inFolder(folder, candidate); !found.isEmpty())
                    return found;
        return {};
    }

    // The file `relative` in `folder`, its last part matched without regard
    // to case when the exact name is not there.
    QString inFolder(const QString& folder, const QString& relative) {
        const QString exact = folder.isEmpty() ? relative : folder + QLatin1Char('/') + relative;
        const QFileInfo info(exact);
        if (info.isFile())
            return exact;
        const QString parent = info.absolutePath();
        const QString wanted = info.fileName();
        auto listed = listings_.constFind(parent);
        if (listed == listings_.cend())
            listed = listings_.insert(parent, QDir(parent).entryList(QDir::Files | QDir::Hidden));
        for (const QString& entry : *listed)
            if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
                return parent + QLatin1Char('/') + entry;
        return {};
    }

    QStringList folders_;
    QSet<QString> seen_;
    QHash<QString, QStringList> listings_;
};

// Only a unit that names an include at all is lexed a second time.
bool mayInclude(const QByteArray& bytes) {
    for (const char* opener : {"{$i", "{$I", "(*$i", "(*$I"})
        if (bytes.contains(opener))
            return true;
    return false;
}

} // namespace

QByteArray ExpandInterfaceIncludes(const QByteArray& unitBytes, const QString& unitPath,
                                   const QString& projectFolder) {
    if (!mayInclude(unitBytes))
        return unitBytes;
    Expander expander(unitPath, projectFolder);
    bool done = false;
    return expander.expand(unitBytes, QFileInfo(unitPath).absolutePath(), 0, done);
}

} // namespace ink
