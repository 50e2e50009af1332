// inkwright-tool units PROJECT_FILE: the units a build documents for a
// project, one line each: unit element, tab, form element, tab, `in` path
// (or nothing). A program's uses clause, a package's contains clause, and
// the units its option files or package file list besides.
//
// With --where, a fourth column tells where the build finds each unit's
// source: the file, "library unit" with its package, or "not found" with
// the places looked in.
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
    if (args.size() != 1) {
        err << "usage: inkwright-tool units PROJECT_FILE [--where]\n";
        return 2;
    }
    ProjectInput input;
    try {
        input = ReadProjectInput(args.first());
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
    QStringLiteral("units PROJECT_FILE [--where]   list the units and forms of a project (.dpr "
                   ".dpk .dproj .lpr .lpi .lpk); --where adds where each unit's source is found"),
    RunUnits,
});
} // namespace
