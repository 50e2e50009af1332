#pragma once
#include <optional>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include "ProjectOptions.h"

namespace ink {

// Where a project's compiler finds the units and include files its project
// file does not name by path: the unit and include search paths of its
// options, then the project's own packages (a required package whose .lpk
// or .dpk lies in the project's tree or on its search paths), with their
// own search paths and the units they list.
//
// Packages of the compiler and the IDE (the RTL, the FCL, the LCL, the VCL,
// FMX) are library packages: never documented with the project. Their units
// are known by name where their package file or the compiler's installed
// units can be found, so that a unit of theirs reads "library unit" with its
// package's name rather than as a source that went missing.
class ProjectSearch {
public:
    ProjectSearch() = default;
    explicit ProjectSearch(const ProjectOptions& options);

    // Unit search folders, in the compiler's order: the project's, then
    // those of its own packages (their folders included).
    const QStringList& unitFolders() const { return unitFolders_; }
    // Include search folders likewise.
    const QStringList& includeFolders() const { return includeFolders_; }
    // The project's own packages found, as paths of their package files.
    const QStringList& ownPackages() const { return ownPackages_; }

    // The file a project or one of its own packages lists for the unit
    // named `unitName` (with or without extension, any case); empty if none.
    QString listedFile(const QString& unitName) const;

    // The library package that holds the unit `unitName`, when it is known
    // ("LCLBase", "rtl", "vcl"); empty optional for a unit of no known
    // library package. Looks at the installed compiler's units only once.
    std::optional<QString> libraryPackage(const QString& unitName);

private:
    static void addFolder(QStringList& folders, QSet<QString>& known, const QString& folder);
    void addPackage(const QString& packageFile, const QString& name, bool library, int depth);
    void findPackages(const QStringList& names, const QString& fromFolder, int depth,
                      bool libraryOnly = false);
    QString findPackageFile(const QString& name, const QString& fromFolder);
    QString findInstalledPackage(const QString& name);
    QStringList listing(const QString& folder);
    void indexInstalledUnits();

    ProjectCompiler compiler_ = ProjectCompiler::Unknown;
    QString projectFolder_;
    QStringList unitFolders_;
    QStringList includeFolders_;
    QSet<QString> unitFolderSet_; // the same, for look-ups
    QSet<QString> includeFolderSet_;
    QStringList ownPackages_;
    QStringList searchPaths_;              // the project's own, where packages are looked for too
    QHash<QString, QString> listedFiles_;  // folded unit name -> file
    QHash<QString, QString> libraryUnits_; // folded unit name -> package name
    QHash<QString, QStringList> listings_; // folder -> entries
    QHash<QString, bool> packagesSeen_;    // folded package name
    bool installedIndexed_ = false;
    QStringList lazarusRoots_;
    bool lazarusRootsFound_ = false;
};

// Whether a required package is one of the compiler's or the IDE's own,
// which a project uses but never documents.
bool IsLibraryPackageName(const QString& name);

} // namespace ink
