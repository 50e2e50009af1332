// The option files of Lazarus projects and packages: a project's .lpi and a
// package's .lpk, both XML written by the IDE. Declared in ProjectOptions.h.
#include <QFileInfo>
#include <QSet>

#include "CompilerCommandLine.h"
#include "OptionFileValues.h"
#include "ProjectOptions.h"
#include "UniqueList.h"
#include "XmlNode.h"

namespace ink {

namespace {

bool isTrue(const QString& value) {
    return value.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

// A Lazarus list: <Files Count="2"><Item1/><Item2/></Files> in older files,
// <Files><Item/><Item/></Files> in newer ones, <Units><Unit0/>...</Units>.
QList<const XmlNode*> listItems(const XmlNode* list) {
    QList<const XmlNode*> items;
    if (list)
        for (const XmlNode& child : list->children)
            items.append(&child);
    return items;
}

// The part of Lazarus compiler options that says where units and include
// files are and which symbols are defined.
void readCompilerOptions(const XmlNode* options, const QString& folder,
                         ProjectConfiguration& into) {
    if (!options)
        return;
    AppendOptionPaths(into.unitSearchPaths, folder,
                      options->valueAt(QLatin1String("SearchPaths/OtherUnitFiles")));
    AppendOptionPaths(into.includePaths, folder,
                      options->valueAt(QLatin1String("SearchPaths/IncludeFiles")));
    CompilerCommandLine custom;
    custom.defines = into.defines;
    ReadCompilerCommandLine(options->valueAt(QLatin1String("Other/CustomOptions")), folder, false,
                            custom);
    into.defines = custom.defines;
    AppendUnique(into.unitSearchPaths, custom.unitPaths);
    AppendUnique(into.includePaths, custom.includePaths);
    if (const XmlNode* defines = options->child(QLatin1String("Defines"))) {
        UniqueList unique(into.defines);
        for (const XmlNode* define : listItems(defines))
            AppendOptionDefines(unique, define->attribute(QLatin1String("Value")));
    }
}

void readRequiredPackages(const XmlNode* list, ProjectOptions& into) {
    UniqueList packages(into.requiredPackages);
    for (const XmlNode* item : listItems(list))
        packages.append(item->valueAt(QLatin1String("PackageName")));
}

// A unit's source; a program's (.lpr, .dpr) is no unit, even when an
// option file lists it among the project's files.
bool isUnitFileName(const QString& name) {
    for (const char* extension : {".pas", ".pp"})
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive))
            return true;
    return false;
}

// Whether `name` can be a unit's name: identifiers joined by dots
// ("ChmDataProvider", "Vcl.Forms"). A name is looked for as a file in the
// project's folder, so nothing else (a separator, "..") is taken from a file.
bool isUnitName(const QString& name) {
    if (name.isEmpty() || name.size() > 255)
        return false;
    for (const QString& part : name.split(u'.')) {
        if (part.isEmpty() || part[0].isDigit())
            return false;
        for (const QChar c : part)
            if (!c.isLetterOrNumber() && c != u'_')
                return false;
    }
    return true;
}

// A listed unit with its name: the one the file's entry gives, else its
// file's base name. `seen` holds the files listed so far, case-folded.
void appendListedUnit(ProjectOptions& into, QSet<QString>& seen, const QString& file,
                      const QString& writtenName) {
    const QString written = writtenName.trimmed();
    const QString name = isUnitName(written) ? written : QFileInfo(file).completeBaseName();
    if (name.isEmpty() || seen.contains(file.toCaseFolded()))
        return; // ".pas" names no unit
    seen.insert(file.toCaseFolded());
    into.listedUnits.append(file);
    into.listedUnitNames.append(name);
}

// A project's <Units>: its main source, and the units that are part of it.
void readProjectUnits(const XmlNode& project, const QString& folder, ProjectOptions& into) {
    // The main unit is an index into the unit list; -1 for a project
    // without one.
    // Newer versions of the IDE leave the default, 0, unwritten.
    const QString mainIndex = project.valueAt(QLatin1String("General/MainUnit"));
    bool numbered = mainIndex.isEmpty();
    const int main = numbered ? 0 : mainIndex.toInt(&numbered);
    const QList<const XmlNode*> units = listItems(project.child(QLatin1String("Units")));
    QSet<QString> listed;
    for (qsizetype i = 0; i < units.size(); ++i) {
        const QString file =
            ResolveOptionPath(folder, units[i]->valueAt(QLatin1String("Filename")));
        if (file.isEmpty())
            continue;
        if (numbered && i == main) {
            into.mainSource = file;
            continue;
        }
        const bool part = isTrue(units[i]->valueAt(QLatin1String("IsPartOfProject")));
        if (part && isUnitFileName(file))
            appendListedUnit(into, listed, file, units[i]->valueAt(QLatin1String("UnitName")));
    }
}

// The build modes, each a configuration; the name of the one marked as the
// default, or empty.
QString readBuildModes(const XmlNode* modes, const QString& folder,
                       const ProjectConfiguration& projectOptions, ProjectOptions& into) {
    QString markedDefault;
    for (const XmlNode* mode : listItems(modes)) {
        const QString name = mode->attribute(QLatin1String("Name"));
        if (name.isEmpty())
            continue;
        if (markedDefault.isEmpty() && isTrue(mode->attribute(QLatin1String("Default"))))
            markedDefault = name;
        ProjectConfiguration configuration;
        if (const XmlNode* own = mode->child(QLatin1String("CompilerOptions")))
            readCompilerOptions(own, folder, configuration);
        else
            configuration = projectOptions;
        configuration.name = name;
        into.configurations.append(std::move(configuration));
    }
    return markedDefault;
}

// The mode the IDE's session made active, when the session is kept in the
// project file.
QString activeMode(const XmlNode& root, const XmlNode* modes) {
    QString active = modes ? modes->attribute(QLatin1String("Active")).trimmed() : QString();
    if (const XmlNode* session = root.child(QLatin1String("ProjectSession"));
        active.isEmpty() && session)
        if (const XmlNode* sessionModes = session->child(QLatin1String("BuildModes")))
            active = sessionModes->attribute(QLatin1String("Active")).trimmed();
    return active;
}

} // namespace

void ParseLpiOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::FreePascal;
    QString problem;
    const std::optional<XmlNode> root = ParseXml(bytes, &problem);
    const XmlNode* project = root ? root->child(QLatin1String("ProjectOptions")) : nullptr;
    if (!project) {
        KeepFirstError(into, root ? QStringLiteral("it holds no <ProjectOptions>") : problem);
        return;
    }
    readProjectUnits(*project, folder, into);
    readRequiredPackages(project->child(QLatin1String("RequiredPackages")), into);

    // The project's own compiler options are its default build mode's; a
    // mode with options of its own replaces them whole, as the IDE does.
    ProjectConfiguration projectOptions;
    readCompilerOptions(root->child(QLatin1String("CompilerOptions")), folder, projectOptions);
    TakeConfiguration(into, projectOptions);
    const XmlNode* modes = project->child(QLatin1String("BuildModes"));
    const QString markedDefault = readBuildModes(modes, folder, projectOptions, into);
    // The mode the IDE builds: the one its session made active (kept here
    // when the session is kept in the project file; a .lps beside it, which
    // ReadProjectOptions reads, says so otherwise), else the one marked as
    // the default.
    for (const QString& name : {activeMode(*root, modes), markedDefault})
        if (!name.isEmpty())
            if (const ProjectConfiguration* found = FindConfiguration(into, name, QString())) {
                into.defaultConfiguration = found->name;
                break;
            }
}

void ParseLpkOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::FreePascal;
    QString problem;
    const std::optional<XmlNode> root = ParseXml(bytes, &problem);
    const XmlNode* package = root ? root->child(QLatin1String("Package")) : nullptr;
    if (!package) {
        KeepFirstError(into, root ? QStringLiteral("it holds no <Package>") : problem);
        return;
    }
    QSet<QString> listed;
    UniqueList listedIncludeFiles(into.listedIncludeFiles);
    for (const XmlNode* item : listItems(package->child(QLatin1String("Files")))) {
        const QString file = ResolveOptionPath(folder, item->valueAt(QLatin1String("Filename")));
        if (file.isEmpty())
            continue;
        const QString type = item->valueAt(QLatin1String("Type"));
        if (type.compare(QLatin1String("Include"), Qt::CaseInsensitive) == 0)
            listedIncludeFiles.append(file);
        else if ((type.isEmpty() || type.compare(QLatin1String("Unit"), Qt::CaseInsensitive) == 0 ||
                  type.compare(QLatin1String("Main Unit"), Qt::CaseInsensitive) == 0) &&
                 isUnitFileName(file))
            appendListedUnit(into, listed, file, item->valueAt(QLatin1String("UnitName")));
    }
    readRequiredPackages(package->child(QLatin1String("RequiredPkgs")), into);
    ProjectConfiguration options;
    options.name = package->valueAt(QLatin1String("Name"));
    readCompilerOptions(package->child(QLatin1String("CompilerOptions")), folder, options);
    // The folders of the include files it lists are where its units find them.
    UniqueList includePaths(options.includePaths);
    for (const QString& include : into.listedIncludeFiles)
        includePaths.append(QFileInfo(include).path());
    TakeConfiguration(into, options);
}

} // namespace ink
