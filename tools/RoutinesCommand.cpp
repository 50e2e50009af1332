// inkwright-tool routines UNIT_FILE: the routines a new document stores for a
// unit, in the order it stores them: kind, tab, name, tab, parameter text, tab,
// result text; then "size", tab, the file size in bytes. A file that cannot be
// read lists the placeholders, is named on standard error, and exits 1.
#include "scan/UnitScanner.h"
#include "ToolCommand.h"

#include <QSet>

using namespace ink;

namespace {
int RunRoutines(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "usage: inkwright-tool routines UNIT_FILE\n";
        return 2;
    }
    const UnitRoutines routines = ScanUnitRoutines(args.first());
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
    // The placeholders are what a build would store, but a script must still
    // learn that the file was never read.
    if (routines.unreadable) {
        out.flush();
        err << "File " << args.first() << " could not be read.\n";
        return 1;
    }
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("routines"),
    QStringLiteral("routines UNIT_FILE      list the procedures and functions a unit declares"),
    RunRoutines,
});
} // namespace
