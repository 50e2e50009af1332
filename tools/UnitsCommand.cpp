// inkwright-tool units PROJECT_FILE: the entries of a project's uses clause,
// one line each: unit element, tab, form element, tab, `in` path (or nothing).
// With --config NAME or --define SYMBOL, entries in conditional code the
// configuration does not compile are left out.
#include "DefinesOptions.h"
#include "scan/ProjectReader.h"
#include "ToolCommand.h"

using namespace ink;

namespace {
int RunUnits(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const DefinesOptions definesOptions = takeDefinesOptions(args);
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--"))) {
        err << "usage: inkwright-tool units PROJECT_FILE [--config NAME] [--define SYMBOL]...\n";
        return 2;
    }
    const std::optional<BuildConfiguration> configuration = definesOptions.resolve(args.first());
    const ProjectUnits project = ReadProjectUnits(
        args.first(), UnitsClause::Uses, configuration ? &configuration->defines : nullptr);
    for (qsizetype i = 0; i < project.units.size(); ++i)
        out << project.units[i] << '\t' << project.forms[i] << '\t' << project.paths[i] << '\n';
    out.flush();
    if (!project.error.isEmpty()) {
        err << project.error << '\n';
        return 1;
    }
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("units"),
    QStringLiteral("units PROJECT_FILE [--config NAME] [--define SYMBOL]...   list the units and "
                   "forms of a project's uses clause, following conditional compilation with a "
                   "configuration's or the given defines"),
    RunUnits,
});
} // namespace
