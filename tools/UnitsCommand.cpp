// inkwright-tool units PROJECT_FILE: the units a build documents for a
// project, one line each: unit element, tab, form element, tab, `in` path
// (or nothing). A program's uses clause, a package's contains clause, and
// the units its option files or package file list besides. With --config
// NAME or --define SYMBOL, entries in conditional code the configuration
// does not compile are left out.
//
// With --where, a fourth column tells where the build finds each unit's
// source: the file, "library unit" with its package, or "not found" with
// the places looked in.
#include "DefinesOptions.h"
#include "scan/ProjectInput.h"
#include "scan/UnitSourceFinder.h"
#include "store/UserError.h"
#include "ToolCommand.h"

#include <QDir>
#include <QFileInfo>

using namespace ink;

namespace {
QString whereFound(const UnitSourceLookup& lookup) {
    if (lookup.found)
        return QDir::toNativeSeparators(lookup.path);
    if (lookup.library)
        return lookup.libraryPackage.isEmpty()
                   ? QStringLiteral("library unit")
                   : QStringLiteral("library unit of ") + lookup.libraryPackage;
    return QStringLiteral("not found: ") + lookup.lookedIn.join(QStringLiteral(", "));
}

int RunUnits(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const bool where = args.removeAll(QStringLiteral("--where")) > 0;
    const DefinesOptions definesOptions = takeDefinesOptions(args);
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--"))) {
        err << "usage: inkwright-tool units PROJECT_FILE [--where] [--config NAME] [--define "
               "SYMBOL]...\n";
        return 2;
    }
    ProjectInput input;
    try {
        const std::optional<BuildConfiguration> configuration =
            definesOptions.resolve(args.first());
        input = ReadProjectInput(args.first(), configuration ? &configuration->defines : nullptr,
                                 definesOptions.configuration);
    } catch (const UserError& error) {
        err << error.message() << '\n';
        return 1;
    }
    const ProjectUnits& project = input.units;
    UnitSourceFinder finder;
    const QString projectPath = QFileInfo(args.first()).absoluteFilePath();
    for (qsizetype i = 0; i < project.units.size(); ++i) {
        out << project.units[i] << '\t' << project.forms[i] << '\t' << project.paths[i];
        if (where)
            out << '\t'
                << whereFound(finder.locate(projectPath, project.units[i], project.paths[i],
                                            input.search));
        out << '\n';
    }
    out.flush();
    if (!project.error.isEmpty()) {
        err << project.error << '\n';
        return 1;
    }
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("units"),
    QStringLiteral("units PROJECT_FILE [--where] [--config NAME] [--define SYMBOL]...   list the "
                   "units and forms of a project (.dpr .dpk .dproj .lpr .lpi .lpk); --where adds "
                   "where each unit's source is found; --config and --define follow conditional "
                   "compilation with a configuration's or the given defines"),
    RunUnits,
});
} // namespace
