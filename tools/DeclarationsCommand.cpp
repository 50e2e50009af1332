// inkwright-tool declarations UNIT_FILE: every declaration of a unit's
// interface, in source order, one a line: kind, owner, name, declaration,
// visibility and file:line, tab separated. A file that cannot be read is
// named on standard error, and the command exits 1. --config and --define
// follow conditional compilation as for `routines`.
#include <QFile>

#include "DefinesOptions.h"
#include "scan/UnitDeclarations.h"
#include "store/RegularFile.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {
int RunDeclarations(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const QString project = takeOption(args, QStringLiteral("--project"));
    const DefinesOptions definesOptions = takeDefinesOptions(args);
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--"))) {
        err << "usage: inkwright-tool declarations UNIT_FILE [--project FILE] [--config NAME] "
               "[--define SYMBOL]...\n";
        return 2;
    }
    const std::optional<BuildConfiguration> configuration =
        definesOptions.resolve(project.isEmpty() ? args.first() : project);
    const UnitDeclarations unit = ScanUnitDeclarations(
        args.first(), {}, nullptr, configuration ? &configuration->defines : nullptr);
    if (unit.unreadable) {
        // The reader keeps no reason; asking the file again finds it.
        QFile file;
        QString failure;
        OpenRegularFile(file, args.first(), &failure);
        err << "File " << args.first() << " could not be read"
            << (failure.isEmpty() ? QString() : ": " + failure) << ".\n";
        return 1;
    }
    for (const Declaration& d : unit.declarations)
        out << DeclKindName(d.kind) << '\t' << d.owner << '\t' << d.name << '\t' << d.text << '\t'
            << d.visibility << '\t' << d.sourceFile << ':' << d.line << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("declarations"),
    QStringLiteral("declarations UNIT_FILE [--project FILE] [--config NAME] [--define SYMBOL]...  "
                   "list every declaration of a unit's interface"),
    RunDeclarations,
});
} // namespace
