#include "ProjectInput.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "model/Placeholders.h"
#include "PathParts.h"
#include "store/UserError.h"

namespace ink {

namespace {

bool isProjectOfItsOwn(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    return extension == QLatin1String("dpk") || extension == QLatin1String("lpk") ||
           extension == QLatin1String("dproj") || extension == QLatin1String("lpi");
}

bool isPackage(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    return extension == QLatin1String("dpk") || extension == QLatin1String("lpk");
}

// The unit a uses-clause entry names, to tell whether the options list it
// again: its `in` path's base name, else its name as written ("Vcl.Forms").
QString entryKey(const QString& unit, const QString& inPath) {
    if (!inPath.isEmpty())
        return QFileInfo(FileNamePart(inPath)).completeBaseName().toCaseFolded();
    return unit.trimmed().toCaseFolded();
}

} // namespace

ProjectInput ReadProjectInput(const QString& projectPath, const CompilerDefines* defines,
                              const QString& configuration) {
    ProjectOptions options = ReadProjectOptions(projectPath);
    ChooseConfiguration(options, configuration);
    return ReadProjectInput(std::move(options), defines);
}

ProjectInput ReadProjectInput(ProjectOptions options, const CompilerDefines* defines) {
    const QString projectPath = options.projectFile;
    ProjectInput input;
    input.options = std::move(options);
    if (!input.options.error.isEmpty() && isProjectOfItsOwn(projectPath))
        throw UserError(input.options.error);
    if (!input.options.mainSource.isEmpty())
        input.units = ReadProjectUnits(input.options.mainSource,
                                       UnitsClauseOf(input.options.mainSource), defines);
    if (input.units.error.isEmpty())
        input.units.error = input.options.error;
    input.search = ProjectSearch(input.options);

    // The clause keeps its order and its reading; the units only the options
    // list follow, with their paths relative to the project file as an `in`
    // path is. A program's project units are named as the compiler names
    // them, by unit name (ChmDataProvider, not chmdataprovider.pas); a
    // package's files, which no clause names, keep the file names their
    // documents were built with.
    QSet<QString> named;
    for (qsizetype i = 0; i < input.units.units.size(); ++i)
        named.insert(entryKey(input.units.units[i], input.units.paths.value(i)));
    const bool byFileName = isPackage(projectPath);
    const QDir projectFolder = QFileInfo(projectPath).absoluteDir();
    for (qsizetype i = 0; i < input.options.listedUnits.size(); ++i) {
        const QString& file = input.options.listedUnits[i];
        const QString& unitName = input.options.listedUnitNames[i];
        const QString key = unitName.toCaseFolded();
        if (named.contains(key) || named.contains(entryKey(QString(), file)))
            continue;
        named.insert(key);
        input.units.units.append(byFileName ? QFileInfo(file).fileName() : unitName);
        input.units.forms.append(QString::fromLatin1(PlaceholderText));
        input.units.paths.append(QDir::toNativeSeparators(projectFolder.relativeFilePath(file)));
    }
    // A package exists to hold units: one that lists none was not read as
    // its author meant, and an empty document would pass for a success.
    if (input.units.units.isEmpty() && isPackage(projectPath))
        throw UserError(QStringLiteral("File ") + projectPath +
                        QStringLiteral(" lists no units: it is not a package this program can "
                                       "read."));
    return input;
}

bool OptionFilesChangedSince(const ProjectOptions& options, const QDateTime& lastScan) {
    if (options.optionFiles.isEmpty())
        return false;
    if (!lastScan.isValid())
        return true;
    for (const QString& file : options.optionFiles) {
        const QDateTime written = QFileInfo(file).lastModified();
        if (!written.isValid() || written >= lastScan)
            return true;
    }
    return false;
}

} // namespace ink
