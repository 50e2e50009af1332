#include "UnitSourceFinder.h"

#include <QDir>
#include <QFileInfo>

#include "PathParts.h"
#include "store/RegularFile.h"

namespace ink {

namespace {
bool hasPascalExtension(const QString& name) {
    return name.endsWith(QLatin1String(".pas"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".pp"), Qt::CaseInsensitive);
}
} // namespace

QString UnitSourceFinder::find(const QString& projectPath, const QString& unitName,
                               const QString& unitPath) {
    const QString folder = FolderPart(projectPath);
    const QString plain = folder + unitName;
    if (IsRegularFile(plain))
        return plain;
    if (QString found = resolve(folder, unitName); !found.isEmpty())
        return found;
    if (!unitPath.isEmpty())
        if (QString found = resolve(folder, unitPath); !found.isEmpty())
            return found;
    if (!unitName.isEmpty() && !hasPascalExtension(unitName))
        for (const char* extension : {".pas", ".pp"})
            if (QString found = resolve(folder, unitName + extension); !found.isEmpty())
                return found;
    return plain;
}

QString UnitSourceFinder::resolve(const QString& folder, const QString& relative) {
    if (relative.isEmpty())
        return {};
    QString path = folder.isEmpty() ? QStringLiteral(".") : folder;
    QString written = relative;
    written.replace('\\', '/');
    // An absolute `in` path (a drive or a leading separator) stands on its own.
    if (written.startsWith('/'))
        path = QStringLiteral("/");
    const QStringList parts = written.split('/', Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        QString next;
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            next = QDir(path).filePath(part);
        else
            next = matchEntry(path, part);
        if (next.isEmpty())
            return {};
        path = next;
    }
    return IsRegularFile(path) ? QDir::cleanPath(path) : QString();
}

QString UnitSourceFinder::matchEntry(const QString& folder, const QString& name) {
    const QString exact = QDir(folder).filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    for (const QString& entry : entriesOf(folder))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return QDir(folder).filePath(entry);
    return {};
}

const QStringList& UnitSourceFinder::entriesOf(const QString& folder) {
    const QString key = QDir::cleanPath(folder);
    auto it = listings_.find(key);
    if (it == listings_.end())
        it = listings_.insert(
            key, QDir(key).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    return *it;
}

} // namespace ink
