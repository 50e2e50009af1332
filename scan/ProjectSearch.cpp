// Where the compiler finds a project's units: its search paths and its own
// packages, and which units belong to the libraries it is built against.
#include "ProjectSearch.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace ink {

namespace {

// Packages nest their requirements a few levels deep; a cycle of packages
// requiring each other ends here too.
constexpr int maxPackageDepth = 8;
// How far above the project's folder its tree is taken to reach: component
// packages keep their demos and tests one or two folders below the package
// file, beside the other packages of the same collection.
constexpr int treeLevelsUp = 2;

QString unitKey(const QString& unitName) {
    QString name = QFileInfo(unitName).fileName();
    for (const char* extension : {".pas", ".pp", ".p", ".lpr", ".dpr"})
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive)) {
            name.chop(qsizetype(std::strlen(extension)));
            break;
        }
    return name.toCaseFolded();
}

// The unit scopes of Delphi's own libraries, and the undotted names of its
// classic run-time and visual library units, by package.
std::optional<QString> delphiLibraryPackage(const QString& unitName) {
    static const QList<std::pair<QString, QString>> scopes{
        {QStringLiteral("system."), QStringLiteral("rtl")},
        {QStringLiteral("winapi."), QStringLiteral("rtl")},
        {QStringLiteral("posix."), QStringLiteral("rtl")},
        {QStringLiteral("macapi."), QStringLiteral("rtl")},
        {QStringLiteral("androidapi."), QStringLiteral("rtl")},
        {QStringLiteral("iosapi."), QStringLiteral("rtl")},
        {QStringLiteral("vcl."), QStringLiteral("vcl")},
        {QStringLiteral("fmx."), QStringLiteral("fmx")},
        {QStringLiteral("data."), QStringLiteral("dbrtl")},
        {QStringLiteral("xml."), QStringLiteral("xmlrtl")},
        {QStringLiteral("soap."), QStringLiteral("soaprtl")},
        {QStringLiteral("web."), QStringLiteral("inet")},
        {QStringLiteral("firedac."), QStringLiteral("FireDAC")},
        {QStringLiteral("rest."), QStringLiteral("RESTComponents")},
    };
    static const QSet<QString> rtl{
        QStringLiteral("system"),   QStringLiteral("sysutils"),  QStringLiteral("classes"),
        QStringLiteral("windows"),  QStringLiteral("messages"),  QStringLiteral("variants"),
        QStringLiteral("math"),     QStringLiteral("strutils"),  QStringLiteral("types"),
        QStringLiteral("typinfo"),  QStringLiteral("syncobjs"),  QStringLiteral("inifiles"),
        QStringLiteral("registry"), QStringLiteral("shellapi"),  QStringLiteral("activex"),
        QStringLiteral("comobj"),   QStringLiteral("dateutils"), QStringLiteral("contnrs")};
    static const QSet<QString> vcl{
        QStringLiteral("forms"),    QStringLiteral("controls"), QStringLiteral("graphics"),
        QStringLiteral("dialogs"),  QStringLiteral("stdctrls"), QStringLiteral("extctrls"),
        QStringLiteral("comctrls"), QStringLiteral("menus"),    QStringLiteral("buttons"),
        QStringLiteral("grids"),    QStringLiteral("clipbrd"),  QStringLiteral("actnlist"),
        QStringLiteral("imglist"),  QStringLiteral("printers"), QStringLiteral("filectrl")};
    const QString key = unitName.toCaseFolded();
    for (const auto& [scope, package] : scopes)
        if (key.startsWith(scope))
            return package;
    if (rtl.contains(key))
        return QStringLiteral("rtl");
    if (vcl.contains(key))
        return QStringLiteral("vcl");
    return std::nullopt;
}

} // namespace

bool IsLibraryPackageName(const QString& name) {
    static const QSet<QString> names{QStringLiteral("rtl"),
                                     QStringLiteral("fcl"),
                                     QStringLiteral("lcl"),
                                     QStringLiteral("lclbase"),
                                     QStringLiteral("lazutils"),
                                     QStringLiteral("lazcontrols"),
                                     QStringLiteral("ideintf"),
                                     QStringLiteral("buildintf"),
                                     QStringLiteral("codetools"),
                                     QStringLiteral("designide"),
                                     QStringLiteral("vcl"),
                                     QStringLiteral("vclx"),
                                     QStringLiteral("fmx"),
                                     QStringLiteral("dbrtl"),
                                     QStringLiteral("xmlrtl"),
                                     QStringLiteral("soaprtl"),
                                     QStringLiteral("inet"),
                                     QStringLiteral("vcldb"),
                                     QStringLiteral("fpcunittestrunner")};
    const QString key = name.trimmed().toCaseFolded();
    return names.contains(key) || key.startsWith(QLatin1String("fcl-")) ||
           key.startsWith(QLatin1String("rtl-")) || key.startsWith(QLatin1String("rtl_"));
}

ProjectSearch::ProjectSearch(const ProjectOptions& options)
    : compiler_(options.compiler), projectFolder_(QFileInfo(options.projectFile).absolutePath()),
      searchPaths_(options.unitSearchPaths) {
    for (const QString& folder : options.unitSearchPaths)
        addFolder(unitFolders_, unitFolderSet_, folder);
    for (const QString& folder : options.includePaths)
        addFolder(includeFolders_, includeFolderSet_, folder);
    for (const QString& file : options.listedUnits)
        listedFiles_.insert(unitKey(file), file);
    for (const QString& include : options.listedIncludeFiles)
        addFolder(includeFolders_, includeFolderSet_, QFileInfo(include).absolutePath());
    findPackages(options.requiredPackages, projectFolder_, 0);
}

// Adds a folder once, by a look-up: a project may name tens of thousands.
void ProjectSearch::addFolder(QStringList& folders, QSet<QString>& known, const QString& folder) {
    if (!known.contains(folder)) {
        known.insert(folder);
        folders.append(folder);
    }
}

void ProjectSearch::findPackages(const QStringList& names, const QString& fromFolder, int depth,
                                 bool libraryOnly) {
    if (depth >= maxPackageDepth)
        return;
    for (const QString& name : names) {
        const QString key = name.trimmed().toCaseFolded();
        if (key.isEmpty() || packagesSeen_.contains(key))
            continue;
        packagesSeen_.insert(key, true);
        // A package of the compiler or the IDE is library wherever it lies;
        // any other is the project's own when its tree holds it, and an
        // installed package when only an installed Lazarus does.
        bool library = libraryOnly || IsLibraryPackageName(name);
        QString file = library ? QString() : findPackageFile(name.trimmed(), fromFolder);
        if (file.isEmpty()) {
            file = findInstalledPackage(name.trimmed());
            library = true;
        }
        if (!file.isEmpty())
            addPackage(file, name.trimmed(), library, depth);
    }
}

// A package's units are listed by an .lpk; a .dpk's contains clause names
// them as a project's uses clause does, but a Delphi package found beside a
// project is documented through its own document, so only an .lpk adds units.
void ProjectSearch::addPackage(const QString& packageFile, const QString& name, bool library,
                               int depth) {
    const ProjectOptions package = ReadProjectOptions(packageFile);
    if (!package.error.isEmpty())
        return;
    // The package's own unit, which the IDE writes beside the package file
    // and a project names in its uses clause, is not in the file list.
    const QString packageUnit = QFileInfo(packageFile).absolutePath() + u'/' +
                                QFileInfo(packageFile).completeBaseName() + QStringLiteral(".pas");
    if (library) {
        libraryUnits_.insert(unitKey(packageUnit), name);
        for (const QString& unit : package.listedUnits)
            libraryUnits_.insert(unitKey(unit), name);
    } else {
        ownPackages_.append(packageFile);
        if (!listedFiles_.contains(unitKey(packageUnit)))
            listedFiles_.insert(unitKey(packageUnit), packageUnit);
        for (const QString& unit : package.listedUnits)
            if (!listedFiles_.contains(unitKey(unit)))
                listedFiles_.insert(unitKey(unit), unit);
        const QString folder = QFileInfo(packageFile).absolutePath();
        for (const QString& path : QStringList{folder} + package.unitSearchPaths)
            addFolder(unitFolders_, unitFolderSet_, path);
        for (const QString& path : QStringList{folder} + package.includePaths)
            addFolder(includeFolders_, includeFolderSet_, path);
    }
    // What a library package requires is library too.
    findPackages(package.requiredPackages, QFileInfo(packageFile).absolutePath(), depth + 1,
                 library);
}

// `name`.lpk (or .dpk) in the project's search paths, in `fromFolder`, or
// in the tree around it: each of the folders up to treeLevelsUp above, and
// their subfolders, matched without regard to case.
QString ProjectSearch::findPackageFile(const QString& name, const QString& fromFolder) {
    QStringList folders = searchPaths_;
    QString folder = fromFolder;
    for (int level = 0; level <= treeLevelsUp && !folder.isEmpty(); ++level) {
        folders << folder;
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    // The folders themselves first, then their subfolders, nearest first.
    const qsizetype direct = folders.size();
    for (qsizetype i = searchPaths_.size(); i < direct; ++i)
        for (const QString& entry : listing(folders[i]))
            if (entry.endsWith(u'/'))
                folders << folders[i] + u'/' + entry.chopped(1);
    for (const QString& candidate : folders)
        for (const QString& entry : listing(candidate))
            for (const char* extension : {".lpk", ".dpk"})
                if (entry.compare(name + QLatin1String(extension), Qt::CaseInsensitive) == 0)
                    return QDir::cleanPath(candidate + u'/' + entry);
    return {};
}

// A library package's file in an installed Lazarus: the one the project's
// folder lies in, else the system's. Only to name its units: the LCL keeps
// its packages in lcl/ and lcl/interfaces/, the FCL's in
// packager/registration/, the others one folder below components/.
QString ProjectSearch::findInstalledPackage(const QString& name) {
    if (!lazarusRootsFound_) {
        lazarusRootsFound_ = true;
        for (QString folder = projectFolder_;;) {
            if (QFileInfo(folder + QStringLiteral("/lcl/lclbase.lpk")).isFile())
                lazarusRoots_ << folder;
            const QString parent = QFileInfo(folder).absolutePath();
            if (parent == folder || folder.isEmpty())
                break;
            folder = parent;
        }
        for (const QString& base :
             {QStringLiteral("/usr/lib/lazarus"), QStringLiteral("/usr/share/lazarus")})
            for (const QString& version : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                               QDir::Name | QDir::Reversed))
                if (const QString root = base + u'/' + version;
                    QFileInfo(root + QStringLiteral("/lcl/lclbase.lpk")).isFile() &&
                    !lazarusRoots_.contains(root))
                    lazarusRoots_ << root;
    }
    for (const QString& root : std::as_const(lazarusRoots_)) {
        QStringList folders{root + QStringLiteral("/lcl"), root + QStringLiteral("/lcl/interfaces"),
                            root + QStringLiteral("/packager/registration")};
        for (const QString& entry : listing(root + QStringLiteral("/components")))
            if (entry.endsWith(u'/'))
                folders << root + QStringLiteral("/components/") + entry.chopped(1);
        for (const QString& folder : folders)
            for (const QString& entry : listing(folder))
                if (entry.compare(name + QStringLiteral(".lpk"), Qt::CaseInsensitive) == 0)
                    return folder + u'/' + entry;
    }
    return {};
}

// A folder's entries, subfolders ending in '/', read once.
QStringList ProjectSearch::listing(const QString& folder) {
    auto it = listings_.find(folder);
    if (it == listings_.end()) {
        QStringList entries;
        const QDir dir(folder);
        for (const QFileInfo& info :
             dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            entries << (info.isDir() ? info.fileName() + u'/' : info.fileName());
        it = listings_.insert(folder, entries);
    }
    return *it;
}

QString ProjectSearch::listedFile(const QString& unitName) const {
    return listedFiles_.value(unitKey(unitName));
}

std::optional<QString> ProjectSearch::libraryPackage(const QString& unitName) {
    const QString key = unitKey(unitName);
    if (const auto found = libraryUnits_.constFind(key); found != libraryUnits_.cend())
        return *found;
    if (compiler_ != ProjectCompiler::FreePascal)
        if (std::optional<QString> package = delphiLibraryPackage(QFileInfo(unitName).fileName()))
            return package;
    if (compiler_ != ProjectCompiler::Delphi) {
        indexInstalledUnits();
        if (const auto found = libraryUnits_.constFind(key); found != libraryUnits_.cend())
            return *found;
    }
    return std::nullopt;
}

// The compiled units of an installed Free Pascal, one folder per package
// (units/x86_64-linux/rtl/sysutils.ppu): where the compiler finds the units
// no project ships, and the package each belongs to.
void ProjectSearch::indexInstalledUnits() {
    if (installedIndexed_)
        return;
    installedIndexed_ = true;
    QStringList roots;
    for (const QString& lib : {QStringLiteral("/usr/lib"), QStringLiteral("/usr/local/lib")}) {
        roots << lib + QStringLiteral("/fpc");
        for (const QString& entry : QDir(lib).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (entry.contains(u'-'))
                roots << lib + u'/' + entry + QStringLiteral("/fpc");
    }
    for (const QString& root : roots) {
        const QDir rootDir(root);
        for (const QString& version : rootDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QDir units(rootDir.filePath(version + QStringLiteral("/units")));
            for (const QString& target : units.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                const QDir targetDir(units.filePath(target));
                for (const QString& package :
                     targetDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                    for (const QString& file :
                         QDir(targetDir.filePath(package))
                             .entryList({QStringLiteral("*.ppu")}, QDir::Files)) {
                        const QString key = file.chopped(4).toCaseFolded();
                        if (!libraryUnits_.contains(key))
                            libraryUnits_.insert(key, package);
                    }
            }
        }
    }
}

} // namespace ink
