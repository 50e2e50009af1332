// inkwright-tool remove-missing DOCNO --data DIR|--db URL [--list] [--move-descriptions]
//                               [--across-owners]
// The counterpart of "Remove Missing Routines...": removes the units,
// routines and declarations of a document that its last refresh did not
// find, and prints how many (units, routines, declarations, descriptions
// moved, tab-separated). Before that, each description that can move to
// where its declaration went (the same owner in another unit) is offered on
// a line of its own: "move", tab, from, tab, to; one that fits a namesake
// under another owner only (another class's method) on an "offer" line.
// --move-descriptions moves the first kind; the offers only with
// --across-owners as well. --list only prints, and removes nothing.
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
    const bool acrossOwners = args.removeAll(QStringLiteral("--across-owners")) > 0;
    bool isNumber = false;
    const int docNo = args.size() == 1 ? args.first().toInt(&isNumber) : 0;
    if (!isNumber || !data) {
        err << usageWithProblem("remove-missing DOCNO --data DIR|--db URL [--list] "
                                "[--move-descriptions [--across-owners]]",
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
        out << (m.acrossOwners ? "offer\t" : "move\t") << m.from << '\t' << m.to << '\n';
    const MissingRowsSummary missing = CountMissingRows(db, docNo);
    if (!listOnly)
        RemoveMissingRows(db, docNo, move, acrossOwners);
    const int moved =
        missing.movableDescriptions + missing.movableDeclarations +
        (acrossOwners ? missing.offeredDescriptions + missing.offeredDeclarations : 0);
    out << (listOnly ? "missing" : "removed") << "\tunits\t" << missing.units << "\troutines\t"
        << missing.routines << "\tdeclarations\t" << missing.declarations << "\tmoved\t"
        << (move && !listOnly ? moved : 0) << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("remove-missing"),
    QStringLiteral("remove-missing DOCNO --data DIR|--db URL [--list] [--move-descriptions "
                   "[--across-owners]]   remove what the last refresh did not find, descriptions "
                   "moved on request (to another class's namesake only with --across-owners)"),
    runRemoveMissing,
});

} // namespace
