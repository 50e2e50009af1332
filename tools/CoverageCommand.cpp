// inkwright-tool coverage DOCNO --data DIR|--db URL [--min PERCENT]
// How much of a document is described: one line per unit still in the
// project (unit, routines, described, percent, tab-separated), then a total
// line. Exit status 1 when the total falls below --min, so a build server
// can hold a team to a floor.
#include "store/Coverage.h"
#include "store/Database.h"
#include "store/Statement.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {

// The column is a number: the share without its percent sign.
QString percentColumn(int permille) {
    return permilleText(permille).chopped(1);
}

bool documentExists(Database& db, int docNo) {
    Statement doc(db, QStringLiteral("SELECT 1 FROM DocsLib WHERE DocNo = ?"));
    doc.bindInteger(1, docNo);
    return doc.step();
}

int runCoverage(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const QString minimumText = takeOption(args, QStringLiteral("--min"));
    QString storeProblem;
    const std::optional<DocumentArguments> document = takeDocumentArguments(args, &storeProblem);
    bool minimumOk = true;
    const double minimum = minimumText.isEmpty() ? 0.0 : minimumText.toDouble(&minimumOk);
    if (!document || !minimumOk || minimum < 0 || minimum > 100) {
        err << usageWithProblem("coverage DOCNO --data DIR|--db URL [--min PERCENT]", storeProblem);
        return 2;
    }
    const qint32 docNo = document->docNo;
    // It only reads: a store the user may not write is counted too.
    ReadOnlyToolStore store(document->store);
    Database& db = store.database();
    if (!documentExists(db, docNo)) {
        err << noSuchDocument(docNo, document->store) << '\n';
        return 1;
    }
    const DocumentCoverage coverage = ReadCoverage(db, docNo);
    for (const UnitCoverage& unit : coverage.units)
        if (!unit.missing)
            out << unit.unitName << '\t' << unit.routines << '\t' << unit.described << '\t'
                << percentColumn(unit.permille()) << '\n';
    out << "total\t" << coverage.routines << '\t' << coverage.described << '\t'
        << percentColumn(coverage.permille()) << '\n';
    if (!minimumText.isEmpty() && !coverage.reaches(minimum)) {
        out.flush();
        err << "Described " << coverage.percentText() << ", below the floor of " << minimumText
            << "%.\n";
        return 1;
    }
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("coverage"),
    QStringLiteral("coverage DOCNO --data DIR|--db URL [--min PERCENT]   how much of a document is "
                   "described"),
    runCoverage,
});

} // namespace
