// inkwright-tool routines UNIT_FILE: the routines a new document stores for a
// unit, in the order it stores them: kind, tab, name, tab, parameter text, tab,
// result text; then "size", tab, the file size in bytes. A file that cannot be
// read lists the placeholders, is named on standard error, and exits 1.
// With --config NAME or --define SYMBOL, conditional compilation is followed
// with those defines (NAME looked up in the options of --project FILE, or a
// target such as x86_64-linux), and standard error tells how many
// conditionals could not be decided.
#include "DefinesOptions.h"
#include "scan/UnitScanner.h"
#include "ToolCommand.h"
#include "ToolStore.h"

#include <QSet>

using namespace ink;

namespace {
int RunRoutines(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const QString project = takeOption(args, QStringLiteral("--project"));
    const DefinesOptions definesOptions = takeDefinesOptions(args);
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--"))) {
        err << "usage: inkwright-tool routines UNIT_FILE [--project FILE] [--config NAME] "
               "[--define SYMBOL]...\n";
        return 2;
    }
    const std::optional<BuildConfiguration> configuration =
        definesOptions.resolve(project.isEmpty() ? args.first() : project);
    const UnitRoutines routines = ScanUnitRoutines(
        args.first(), {}, nullptr, configuration ? &configuration->defines : nullptr);
    // A document stores one routine per name, whatever its kind: a function
    // named like a procedure before it (the "N/A" placeholders too) is skipped.
    QSet<QString> written;
    for (const RoutineRow& row : routines.rows) {
        const QString key = row.name.toCaseFolded();
        if (written.contains(key))
            continue;
        written.insert(key);
        out << row.procType << '\t' << row.name << '\t' << row.params << '\t' << row.result << '\n';
    }
    out << "size\t" << routines.fileSize << '\n';
    if (configuration) {
        out.flush();
        err << conditionalsLine(*configuration, routines.conditionals) << '\n';
    }
    // The placeholders are what a build would store, but a script must still
    // learn that the file was never read.
    if (routines.unreadable) {
        out.flush();
        err << "File " << args.first() << " could not be read"
            << (routines.readFailure.isEmpty() ? QString() : ": " + routines.readFailure) << ".\n";
        return 1;
    }
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("routines"),
    QStringLiteral("routines UNIT_FILE [--project FILE] [--config NAME] [--define SYMBOL]...   "
                   "list the procedures and functions a unit declares, following conditional "
                   "compilation with a configuration's or the given defines"),
    RunRoutines,
});
} // namespace
