// inkwright-tool declarations UNIT_FILE: every declaration of a unit's
// interface, in source order, one a line: kind, owner, name, declaration,
// visibility and file:line, tab separated. A file that cannot be read is
// named on standard error, and the command exits 1.
#include "scan/UnitDeclarations.h"
#include "ToolCommand.h"

using namespace ink;

namespace {
int RunDeclarations(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "usage: inkwright-tool declarations UNIT_FILE\n";
        return 2;
    }
    const UnitDeclarations unit = ScanUnitDeclarations(args.first());
    if (unit.unreadable) {
        err << "File " << args.first() << " could not be read.\n";
        return 1;
    }
    for (const Declaration& d : unit.declarations)
        out << DeclKindName(d.kind) << '\t' << d.owner << '\t' << d.name << '\t' << d.text << '\t'
            << d.visibility << '\t' << d.sourceFile << ':' << d.line << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("declarations"),
    QStringLiteral("declarations UNIT_FILE  list every declaration of a unit's interface"),
    RunDeclarations,
});
} // namespace
