// inkwright-tool remove-missing DOCNO --data DIR|--db URL [--list] [--move-descriptions]
// The counterpart of "Remove Missing Routines...": removes the units,
// routines and declarations of a document that its last refresh did not
// find, and prints how many (units, routines, declarations, descriptions
// moved, tab-separated). Before that, each description that can move to
// where its declaration went (another unit or type) is offered on a line of
// its own: "move", tab, from, tab, to. --move-descriptions moves them;
// --list only prints, and removes nothing.
#include "store/Database.h"
#include "store/MissingRows.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {

int runRemoveMissing(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    QString storeProblem;
    const std::optional<StoreAddress> data = takeStoreOption(args, &storeProblem);
    const bool listOnly = args.removeAll(QStringLiteral("--list")) > 0;
    const bool move = args.removeAll(QStringLiteral("--move-descriptions")) > 0;
    bool isNumber = false;
    const int docNo = args.size() == 1 ? args.first().toInt(&isNumber) : 0;
    if (!isNumber || !data) {
        err << usageWithProblem("remove-missing DOCNO --data DIR|--db URL [--list] "
                                "[--move-descriptions]",
                                storeProblem);
        return 2;
    }
    ToolStore store(*data);
    TDM1& dm = store.dm();
    if (!moveToDocument(dm, docNo)) {
        err << "There is no document number " << docNo << " in " << storeName(*data) << ".\n";
        return 1;
    }
    Database& db = dm.database();
    const QList<DeclarationMove> moves = DeclarationMoves(db, docNo);
    for (const DeclarationMove& m : moves)
        out << "move\t" << m.from << '\t' << m.to << '\n';
    const MissingRowsSummary missing = CountMissingRows(db, docNo);
    if (!listOnly)
        RemoveMissingRows(db, docNo, move);
    out << (listOnly ? "missing" : "removed") << "\tunits\t" << missing.units << "\troutines\t"
        << missing.routines << "\tdeclarations\t" << missing.declarations << "\tmoved\t"
        << (move && !listOnly ? missing.movableDescriptions + missing.movableDeclarations : 0)
        << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("remove-missing"),
    QStringLiteral("remove-missing DOCNO --data DIR|--db URL [--list] [--move-descriptions]   "
                   "remove what the last refresh did not find, descriptions moved on request"),
    runRemoveMissing,
});

} // namespace
