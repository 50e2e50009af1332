#include "ProjectInput.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

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

QString unitKey(const QString& name) {
    return QFileInfo(FileNamePart(name)).completeBaseName().toCaseFolded();
}

} // namespace

ProjectInput ReadProjectInput(const QString& projectPath, const CompilerDefines* defines,
                              const QString& configuration) {
    ProjectInput input;
    input.options = ReadProjectOptions(projectPath);
    if (!input.options.error.isEmpty() && isProjectOfItsOwn(projectPath))
        throw UserError(input.options.error);
    ChooseConfiguration(input.options, configuration);
    if (!input.options.mainSource.isEmpty())
        input.units = ReadProjectUnits(input.options.mainSource,
                                       UnitsClauseOf(input.options.mainSource), defines);
    if (input.units.error.isEmpty())
        input.units.error = input.options.error;
    input.search = ProjectSearch(input.options);

    // The clause keeps its order; the units only the options list follow,
    // with their paths relative to the project file as an `in` path is.
    QSet<QString> named;
    for (const QString& unit : input.units.units)
        named.insert(unitKey(unit));
    const QDir projectFolder = QFileInfo(projectPath).absoluteDir();
    for (const QString& file : input.options.listedUnits) {
        if (named.contains(unitKey(file)))
            continue;
        named.insert(unitKey(file));
        input.units.units.append(QFileInfo(file).fileName());
        input.units.forms.append(QStringLiteral("N/A"));
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
