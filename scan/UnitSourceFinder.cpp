#include "UnitSourceFinder.h"

#include <QDir>
#include <QFileInfo>

#include "PathParts.h"
#include "ProjectOptions.h"
#include "ProjectSearch.h"
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
    // A name the project's folder does not list is not looked at on the disk.
    if (isListed(folder, unitName) && IsRegularFile(plain))
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

UnitSourceLookup UnitSourceFinder::locate(const QString& projectPath, const QString& unitName,
                                          const QString& unitPath, ProjectSearch& search) {
    UnitSourceLookup lookup;
    lookup.path = find(projectPath, unitName, unitPath);
    if (IsRegularFile(lookup.path)) {
        lookup.found = true;
        return lookup;
    }
    lookup.lookedIn << QDir::toNativeSeparators(
        unitPath.isEmpty()
            ? lookup.path
            : QDir::cleanPath(QDir(FolderPart(projectPath).isEmpty() ? QStringLiteral(".")
                                                                     : FolderPart(projectPath))
                                  .filePath(QString(unitPath).replace(u'\\', u'/'))));
    if (!unitPath.isEmpty()) // the project says where it is: nowhere else is looked
        return blockedOr(std::move(lookup), resolve(FolderPart(projectPath), unitPath, true));
    if (const QString listed = search.listedFile(unitName); !listed.isEmpty()) {
        if (const QString found = resolve(QStringLiteral("/"), listed); !found.isEmpty()) {
            lookup.path = found;
            lookup.found = true;
            return lookup;
        }
        lookup.lookedIn << QDir::toNativeSeparators(listed);
    }
    for (const QString& folder : search.unitFolders()) {
        QStringList names{unitName};
        if (!hasPascalExtension(unitName))
            names << unitName + QStringLiteral(".pas") << unitName + QStringLiteral(".pp");
        for (const QString& name : names)
            if (const QString found = resolve(folder, name); !found.isEmpty()) {
                lookup.path = found;
                lookup.found = true;
                return lookup;
            }
        lookup.lookedIn << QDir::toNativeSeparators(folder);
    }
    if (QString blocked = blockedEntry(FolderPart(projectPath), unitName); !blocked.isEmpty())
        return blockedOr(std::move(lookup), blocked);
    for (const QString& folder : search.unitFolders())
        if (QString blocked = blockedEntry(folder, unitName); !blocked.isEmpty())
            return blockedOr(std::move(lookup), blocked);
    if (std::optional<QString> package = search.libraryPackage(unitName)) {
        lookup.library = true;
        lookup.libraryPackage = *package;
    }
    return lookup;
}

UnitSourceLookup UnitSourceFinder::blockedOr(UnitSourceLookup lookup, const QString& blocked) {
    if (blocked.isEmpty())
        return lookup;
    lookup.path = blocked;
    lookup.found = true;
    lookup.lookedIn.clear();
    return lookup;
}

QString UnitSourceFinder::blockedEntry(const QString& folder, const QString& unitName) {
    // A bare name without an extension is a folder's name as often as not
    // (`Forms` beside a folder "forms"): only a Pascal file's name counts.
    if (hasPascalExtension(unitName))
        return resolve(folder, unitName, true);
    if (unitName.isEmpty())
        return {};
    for (const char* extension : {".pas", ".pp"})
        if (QString found = resolve(folder, unitName + extension, true); !found.isEmpty())
            return found;
    return {};
}

QString UnitSourceFinder::resolve(const QString& folder, const QString& relative,
                                  bool blockedOnly) {
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
    if (blockedOnly)
        return IsRegularFile(path) ? QString() : QDir::cleanPath(path);
    return IsRegularFile(path) ? QDir::cleanPath(path) : QString();
}

QString UnitSourceFinder::matchEntry(const QString& folder, const QString& name) {
    const Listing& listing = listingOf(folder);
    // A folder that cannot be listed may still be passed through.
    if (!listing.readable) {
        const QString exact = QDir(folder).filePath(name);
        return QFileInfo::exists(exact) ? exact : QString();
    }
    if (listing.exact.contains(name))
        return QDir(folder).filePath(name);
    const auto folded = listing.folded.constFind(name.toCaseFolded());
    return folded == listing.folded.cend() ? QString() : QDir(folder).filePath(*folded);
}

bool UnitSourceFinder::isListed(const QString& folder, const QString& name) {
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return true; // not one entry: only the disk can say
    const Listing& listing = listingOf(folder.isEmpty() ? QStringLiteral(".") : folder);
    return !listing.readable || listing.exact.contains(name);
}

const UnitSourceFinder::Listing& UnitSourceFinder::listingOf(const QString& folder) {
    const QString key = QDir::cleanPath(folder);
    auto it = listings_.find(key);
    if (it == listings_.end()) {
        Listing listing;
        const QDir dir(key);
        listing.readable = dir.isReadable();
        for (const QString& entry :
             dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            listing.exact.insert(entry);
            // The first in listing order, as a look through the listing finds.
            const QString folded = entry.toCaseFolded();
            if (!listing.folded.contains(folded))
                listing.folded.insert(folded, entry);
        }
        it = listings_.insert(key, std::move(listing));
    }
    return *it;
}

QString FindUnitSource(const QString& projectPath, const QString& unitName,
                       const QString& unitPath) {
    UnitSourceFinder finder;
    // Beside the project, or at its `in` path, needs no option file read.
    const QString plain = finder.find(projectPath, unitName, unitPath);
    if (IsRegularFile(plain) || !unitPath.isEmpty())
        return plain;
    ProjectSearch search(ReadProjectOptions(projectPath));
    return finder.locate(projectPath, unitName, unitPath, search).path;
}

} // namespace ink
