// inkwright-tool coverage DOCNO --data DIR|--db URL [--min PERCENT] [--kinds LIST]
// How much of a document is described: a heading line that names what is
// counted (`unit  declarations  described  percent`, or `routines` in a
// store not refreshed since declarations are kept), one line per unit still
// in the project, then a total line; tab-separated.
// --kinds counts only the declarations of those kinds or kind groups
// ("class,property", "routines"). Exit status 1 when the total falls below --min, so a build server
// can hold a team to a floor.
#include "scan/UnitDeclarations.h"
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

// The kind words a --kinds list names: kinds ("property") and kind groups
// ("routines") alike, comma separated. False for a word that names neither.
bool kindsOf(const QString& list, QStringList* kinds) {
    constexpr int KindCount = int(DeclKind::Field) + 1;
    for (const QString& word : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = word.trimmed().toLower();
        DeclKind kind;
        if (DeclKindFromName(name, &kind)) {
            *kinds << DeclKindName(kind);
            continue;
        }
        bool group = false;
        for (int k = 0; k < KindCount; ++k)
            if (DeclGroupName(DeclKindGroup(DeclKind(k))) == name) {
                *kinds << DeclKindName(DeclKind(k));
                group = true;
            }
        if (!group)
            return false;
    }
    return !kinds->isEmpty();
}

bool documentExists(Database& db, int docNo) {
    Statement doc(db, QStringLiteral("SELECT 1 FROM DocsLib WHERE DocNo = ?"));
    doc.bindInteger(1, docNo);
    return doc.step();
}

const QString Usage =
    QStringLiteral("coverage DOCNO --data DIR|--db URL [--min PERCENT] [--kinds LIST]");

int runCoverage(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const QString minimumText = takeOption(args, QStringLiteral("--min"));
    const bool kindsGiven = args.contains(QStringLiteral("--kinds"));
    const QString kindsText = takeOption(args, QStringLiteral("--kinds"));
    QStringList kinds;
    if (kindsGiven && !kindsOf(kindsText, &kinds)) {
        err << usageWithProblem(Usage, QStringLiteral("--kinds takes kinds or kind groups, comma "
                                                      "separated: class,property or routines"));
        return 2;
    }
    QString storeProblem;
    const std::optional<DocumentArguments> document = takeDocumentArguments(args, &storeProblem);
    bool minimumOk = true;
    const double minimum = minimumText.isEmpty() ? 0.0 : minimumText.toDouble(&minimumOk);
    if (!document || !minimumOk || minimum < 0 || minimum > 100) {
        err << usageWithProblem(Usage, storeProblem);
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
    const DocumentCoverage coverage = ReadCoverage(db, docNo, kinds);
    out << "unit\t" << coverage.countedName() << "\tdescribed\tpercent\n";
    for (const UnitCoverage& unit : coverage.units)
        if (!unit.missing)
            out << unit.unitName << '\t' << unit.countedTally().count << '\t'
                << unit.countedTally().described << '\t' << percentColumn(unit.permille()) << '\n';
    out << "total\t" << coverage.countedTally().count << '\t' << coverage.countedTally().described
        << '\t' << percentColumn(coverage.permille()) << '\n';
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
    QStringLiteral(
        "coverage DOCNO --data DIR|--db URL [--min PERCENT] [--kinds LIST]   how much of "
        "a document is described (LIST: kinds or kind groups, such as "
        "class,property or routines)"),
    runCoverage,
});

} // namespace
