#include "Coverage.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include "Database.h"
#include "DeclarationDescriptions.h"
#include "RoutineMarkers.h"
#include "Statement.h"

namespace ink {

namespace {

// What a store of any version keeps: a report reads stores as they are,
// also those from before scans were stamped, without bringing them up to
// date.
struct StoreShape {
    bool scanStamps = false;   // DocsLib.LastScan, UnitsLib.LastSeen, ProcsLib.LastSeen
    bool declarations = false; // DeclsLib
    bool declsSeen = false;    // UnitsLib.DeclsSeen
};

StoreShape shapeOf(Database& db) {
    auto has = [&db](const QStringList& columns, const char* column) {
        return columns.contains(QLatin1String(column), Qt::CaseInsensitive);
    };
    const QStringList units = db.columnsOf(QStringLiteral("UnitsLib"));
    StoreShape shape;
    shape.scanStamps = has(db.columnsOf(QStringLiteral("DocsLib")), "LastScan") &&
                       has(units, "LastSeen") &&
                       has(db.columnsOf(QStringLiteral("ProcsLib")), "LastSeen");
    shape.declarations = db.tableExists(QStringLiteral("DeclsLib"));
    shape.declsSeen = has(units, "DeclsSeen");
    return shape;
}

// Whether a row left the source, as an expression over the row's LastSeen
// and parameter ?1 (the document's LastScan); never in a store without
// stamps. The comparison comes first, so that a server learns the
// parameter's type from it.
QString missingTest(const StoreShape& shape, const QString& lastSeen) {
    return shape.scanStamps ? LeftTheSourceSql(lastSeen, QStringLiteral("?1"))
                            : QStringLiteral("(CAST(?1 AS TEXT) IS NOT NULL AND 0 = 1)");
}

// A row of a document in list order, as the figures count it.
struct RowFacts {
    int unitNo;
    int rowNo;
    bool counts; // a routine of the list (not a placeholder), or any declaration
    bool described;
    bool missing;
};

QList<RowFacts> readRoutines(Database& db, const StoreShape& shape, int docNo,
                             const QVariant& lastScan) {
    Statement rows(db, QStringLiteral("SELECT UnitNo, ProcNo, ProcName, Description, %1 "
                                      "FROM ProcsLib WHERE DocNo = ?2 ORDER BY UnitNo, ProcNo")
                           .arg(missingTest(shape, QStringLiteral("LastSeen"))));
    BindLastScan(rows, 1, lastScan);
    rows.bindInteger(2, docNo);
    QList<RowFacts> facts;
    while (rows.step())
        facts.append({int(rows.integerAt(0)), int(rows.integerAt(1)),
                      CountsAsRoutine(rows.textAt(2)),
                      !rows.isNullAt(3) && IsDescribed(rows.textAt(3)), rows.integerAt(4) != 0});
    return facts;
}

// The declarations of a document in list order, described by their own
// description or the one they share.
QList<RowFacts> readDeclarations(Database& db, const StoreShape& shape, int docNo,
                                 const QVariant& lastScan, const QStringList& kinds) {
    const QHash<int, QHash<QString, QString>> routines = RoutineDescriptions(db, docNo);
    // A store from before units kept DeclsSeen judges every declaration by
    // the document's scan.
    const QString missing =
        !shape.scanStamps ? missingTest(shape, QString())
        : shape.declsSeen ? DeclarationLeftTheSourceSql(QStringLiteral("d"), QStringLiteral("u"), 1)
                          : LeftTheSourceSql(QStringLiteral("d.LastSeen"), QStringLiteral("?1"));
    Statement rows(db, QStringLiteral("SELECT d.UnitNo, d.DeclNo, d.DeclKind, d.DeclName, "
                                      "d.Description, %1 FROM DeclsLib d LEFT JOIN UnitsLib u "
                                      "ON u.UnitNo = d.UnitNo WHERE d.DocNo = ?2 "
                                      "ORDER BY d.UnitNo, d.DeclNo")
                           .arg(missing));
    BindLastScan(rows, 1, lastScan);
    rows.bindInteger(2, docNo);
    QList<RowFacts> facts;
    while (rows.step()) {
        const QString kind = rows.textAt(2);
        if (!kinds.isEmpty() && !kinds.contains(kind, Qt::CaseInsensitive))
            continue;
        const int unitNo = int(rows.integerAt(0));
        const QString own = rows.isNullAt(4) ? QString() : rows.textAt(4);
        const DeclarationDescription shown =
            DescriptionShown(kind, rows.textAt(3), own, routines.value(unitNo));
        facts.append({unitNo, int(rows.integerAt(1)), true, IsDescribed(shown.text),
                      rows.integerAt(5) != 0});
    }
    return facts;
}

bool hasDeclarations(Database& db, const StoreShape& shape, int docNo) {
    if (!shape.declarations)
        return false;
    Statement any(db, QStringLiteral("SELECT 1 FROM DeclsLib WHERE DocNo = ?1 LIMIT 1"));
    any.bindInteger(1, docNo);
    return any.step();
}

// The document's units in list order, and where each stands in it.
QList<UnitCoverage> readUnits(Database& db, const StoreShape& shape, int docNo,
                              const QVariant& lastScan, QHash<int, qsizetype>* index) {
    Statement units(db, QStringLiteral("SELECT UnitNo, UnitName, Description, %1 FROM UnitsLib "
                                       "WHERE DocNo = ?2 ORDER BY UnitNo")
                            .arg(missingTest(shape, QStringLiteral("LastSeen"))));
    BindLastScan(units, 1, lastScan);
    units.bindInteger(2, docNo);
    QList<UnitCoverage> list;
    while (units.step()) {
        UnitCoverage unit;
        unit.unitNo = int(units.integerAt(0));
        unit.unitName = units.textAt(1);
        unit.unitDescribed = !units.isNullAt(2) && IsDescribed(units.textAt(2));
        unit.missing = units.integerAt(3) != 0;
        index->insert(unit.unitNo, list.size());
        list.append(unit);
    }
    return list;
}

// Adds each row to its unit's tally and the document's. Rows of a unit no
// longer listed (removed on its own) are never shown, so never counted.
void tally(DocumentCoverage& coverage, const QHash<int, qsizetype>& unitIndex,
           const QList<RowFacts>& rows, CoverageTally UnitCoverage::*unitTally,
           CoverageTally& documentTally) {
    for (const RowFacts& row : rows) {
        const auto found = unitIndex.constFind(row.unitNo);
        if (found == unitIndex.cend() || !row.counts)
            continue;
        UnitCoverage& unit = coverage.units[*found];
        CoverageTally& own = unit.*unitTally;
        if (row.missing || unit.missing) {
            ++own.missing;
            ++documentTally.missing;
            if (row.described) {
                ++own.missingDescribed;
                ++documentTally.missingDescribed;
            }
            continue;
        }
        ++own.count;
        ++documentTally.count;
        if (row.described) {
            ++own.described;
            ++documentTally.described;
        }
    }
}

DocumentCoverage readCoverage(Database& db, int docNo, bool withDeclarations,
                              const QStringList& kinds) {
    const StoreShape shape = shapeOf(db);
    const QVariant lastScan = shape.scanStamps ? StoredLastScan(db, docNo) : QVariant();
    DocumentCoverage coverage;
    if (withDeclarations && hasDeclarations(db, shape, docNo))
        coverage.counted = Counted::Declarations;
    QHash<int, qsizetype> unitIndex;
    coverage.units = readUnits(db, shape, docNo, lastScan, &unitIndex);
    for (UnitCoverage& unit : coverage.units) {
        unit.counted = coverage.counted;
        if (unit.missing)
            ++coverage.missingUnits;
    }
    tally(coverage, unitIndex, readRoutines(db, shape, docNo, lastScan), &UnitCoverage::routines,
          coverage.routines);
    if (coverage.counted == Counted::Declarations)
        tally(coverage, unitIndex, readDeclarations(db, shape, docNo, lastScan, kinds),
              &UnitCoverage::declarations, coverage.declarations);
    return coverage;
}

} // namespace

bool HasDeclarations(Database& db, int docNo) {
    return hasDeclarations(db, shapeOf(db), docNo);
}

// A report shows neither the placeholder nor a procedural type's row as a
// routine, so neither counts as one.
bool CountsAsRoutine(const QString& procName) {
    return IsRoutineRow(procName);
}

QString countedName(Counted counted) {
    return counted == Counted::Declarations ? QStringLiteral("declarations")
                                            : QStringLiteral("routines");
}

int describedPermille(qint64 described, qint64 routines) {
    return routines == 0 ? 0 : int(described * 1000 / routines);
}

QString permilleText(int permille) {
    return QStringLiteral("%1.%2%").arg(QString::number(permille / 10),
                                        QString::number(permille % 10));
}

QString DocumentCoverage::describedText() const {
    const CoverageTally& tally = countedTally();
    return QStringLiteral("%1 of %2 %3 (%4)")
        .arg(groupedNumber(tally.described), groupedNumber(tally.count), countedName(),
             percentText());
}

QString DocumentCoverage::statusText() const {
    return QStringLiteral("Described: ") + describedText();
}

bool DocumentCoverage::reaches(double minimumPercent) const {
    const CoverageTally& tally = countedTally();
    if (tally.count == 0)
        return minimumPercent <= 0;
    return double(tally.described) * 100.0 >= minimumPercent * double(tally.count);
}

QString groupedNumber(qint64 number) {
    QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(number);
}

DocumentCoverage ReadCoverage(Database& db, int docNo, const QStringList& kinds) {
    return readCoverage(db, docNo, true, kinds);
}

DocumentCoverage ReadRoutineCoverage(Database& db, int docNo) {
    return readCoverage(db, docNo, false, {});
}

std::optional<RoutinePlace> NextUndescribedRoutine(Database& db, int docNo, int unitNo,
                                                   int procNo) {
    const StoreShape shape = shapeOf(db);
    const QVariant lastScan = shape.scanStamps ? StoredLastScan(db, docNo) : QVariant();
    QHash<int, qsizetype> unitIndex;
    const QList<UnitCoverage> units = readUnits(db, shape, docNo, lastScan, &unitIndex);
    std::optional<RoutinePlace> first;
    for (const RowFacts& routine : readRoutines(db, shape, docNo, lastScan)) {
        const auto found = unitIndex.constFind(routine.unitNo);
        if (found == unitIndex.cend() || units[*found].missing || !routine.counts ||
            routine.missing || routine.described)
            continue;
        const RoutinePlace place{routine.unitNo, routine.rowNo};
        if (!first)
            first = place;
        if (routine.unitNo > unitNo || (routine.unitNo == unitNo && routine.rowNo > procNo))
            return place;
    }
    return first;
}

} // namespace ink
