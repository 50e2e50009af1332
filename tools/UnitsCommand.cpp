// inkwright-tool units PROJECT_FILE: the entries of a project's uses clause,
// one line each: unit element, tab, form element, tab, `in` path (or nothing).
#include "scan/ProjectReader.h"
#include "ToolCommand.h"

using namespace ink;

namespace {
int RunUnits(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "usage: inkwright-tool units PROJECT_FILE\n";
        return 2;
    }
    const ProjectUnits project = ReadProjectUnits(args.first());
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
    QStringLiteral("units PROJECT_FILE      list the units and forms of a project's uses clause"),
    RunUnits,
});
} // namespace
