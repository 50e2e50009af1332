#include "OptionFileValues.h"

#include <QDir>

namespace ink {

QString ResolveOptionPath(const QString& folder, QString written) {
    written = written.trimmed();
    if (written.size() >= 2 && written.startsWith(u'"') && written.endsWith(u'"'))
        written = written.sliced(1, written.size() - 2).trimmed();
    if (written.isEmpty() || written.contains(QLatin1String("$(")) || written.contains(u'%'))
        return {};
    written.replace(u'\\', u'/');
    const bool drive = written.size() >= 2 && written[1] == u':' && written[0].isLetter();
    // A drive stays in front: ".." above a drive's root stays at the root.
    if (drive) {
        QString rest = QDir::cleanPath(u'/' + written.sliced(2));
        while (rest.startsWith(QLatin1String("/..")) && (rest.size() == 3 || rest[3] == u'/'))
            rest = rest.size() == 3 ? QStringLiteral("/") : rest.sliced(3);
        return written.first(2) + rest;
    }
    if (written.startsWith(u'/'))
        return QDir::cleanPath(written);
    // Joined as text: QDir takes a name that begins with ':' for one of the
    // program's own resources and would hand it back alone.
    return QDir::cleanPath(folder + u'/' + written);
}

void AppendOptionPaths(UniqueList& into, const QString& folder, const QString& list) {
    for (const QString& part : list.split(u';', Qt::SkipEmptyParts))
        into.append(ResolveOptionPath(folder, part));
}

void AppendOptionPaths(QStringList& into, const QString& folder, const QString& list) {
    UniqueList unique(into);
    AppendOptionPaths(unique, folder, list);
}

void AppendOptionDefines(UniqueList& into, const QString& list) {
    for (const QString& part : list.split(u';', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (!name.isEmpty() && !name.contains(QLatin1String("$(")))
            into.append(name);
    }
}

void AppendOptionDefines(QStringList& into, const QString& list) {
    UniqueList unique(into);
    AppendOptionDefines(unique, list);
}

void KeepFirstError(ProjectOptions& into, const QString& text) {
    if (into.error.isEmpty())
        into.error = text;
}

} // namespace ink
