// inkwright-tool search TEXT --data DIR|--db URL
// What Ctrl+F finds, over every document: one line per unit, routine or
// declaration: document, unit, routine or declaration ("TShape.Area"; empty
// for a unit) and the matching line of the description, tab-separated. Exit
// status 1 when nothing matches.
#include <limits>

#include "store/Search.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {

// A tab or line break inside a value would break the columns.
QString cell(QString text) {
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

int runSearch(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    QString storeProblem;
    const std::optional<StoreAddress> data = takeStoreOption(args, &storeProblem);
    if (args.size() != 1 || !data) {
        err << usageWithProblem("search TEXT --data DIR|--db URL", storeProblem);
        return 2;
    }
    // It only reads: a store the user may not write is searched too.
    ReadOnlyToolStore store(*data);
    const QList<SearchHit> hits =
        SearchDocuments(store.database(), args.first(), std::numeric_limits<int>::max());
    for (const SearchHit& hit : hits)
        out << cell(hit.docName) << '\t' << cell(hit.unitName) << '\t' << cell(hit.procName) << '\t'
            << cell(hit.line) << '\n';
    return hits.isEmpty() ? 1 : 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("search"),
    QStringLiteral(
        "search TEXT --data DIR|--db URL   units, routines and declarations whose names, owners "
        "or descriptions hold the words"),
    runSearch,
});

} // namespace
