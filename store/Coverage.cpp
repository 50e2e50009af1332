#include "Coverage.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include "Database.h"
#include "DeclarationDescriptions.h"
#include "Statement.h"

namespace ink {

namespace {

// The comparison comes first, so that a server learns the parameter's type
// from it.
const QString MissingTest = LeftTheSourceSql(QStringLiteral("LastSeen"), QStringLiteral("?1"));

// The routines of a document in list order, as the coverage needs them.
struct RoutineFacts {
    int unitNo;
    int procNo;
    bool placeholder;
    bool described;
    bool missing;
};

QList<RoutineFacts> readRoutines(Database& db, int docNo, const QVariant& lastScan) {
    Statement rows(
        db, QStringLiteral("SELECT UnitNo, ProcNo, ProcName = ?3, Description, ") + MissingTest +
                QStringLiteral(" FROM ProcsLib WHERE DocNo = ?2 ORDER BY UnitNo, ProcNo"));
    BindLastScan(rows, 1, lastScan);
    rows.bindInteger(2, docNo);
    rows.bindText(3, QString::fromLatin1(PlaceholderRoutineName));
    QList<RoutineFacts> facts;
    while (rows.step())
        facts.append({int(rows.integerAt(0)), int(rows.integerAt(1)), rows.integerAt(2) != 0,
                      !rows.isNullAt(3) && IsDescribed(rows.textAt(3)), rows.integerAt(4) != 0});
    return facts;
}

// The declarations of a document in list order, as routines are counted:
// described by their own description or the one they share.
QList<RoutineFacts> readDeclarations(Database& db, int docNo, const QVariant& lastScan,
                                     const QStringList& kinds) {
    const QHash<int, QHash<QString, QString>> routines = RoutineDescriptions(db, docNo);
    Statement rows(db,
                   QStringLiteral("SELECT d.UnitNo, d.DeclNo, d.DeclKind, d.DeclName, "
                                  "d.Description, ") +
                       DeclarationLeftTheSourceSql(QStringLiteral("d"), QStringLiteral("u"), 1) +
                       QStringLiteral(" FROM DeclsLib d LEFT JOIN UnitsLib u ON u.UnitNo = "
                                      "d.UnitNo WHERE d.DocNo = ?2 ORDER BY d.UnitNo, d.DeclNo"));
    BindLastScan(rows, 1, lastScan);
    rows.bindInteger(2, docNo);
    QList<RoutineFacts> facts;
    while (rows.step()) {
        const QString kind = rows.textAt(2);
        if (!kinds.isEmpty() && !kinds.contains(kind, Qt::CaseInsensitive))
            continue;
        const int unitNo = int(rows.integerAt(0));
        const QString own = rows.isNullAt(4) ? QString() : rows.textAt(4);
        const DeclarationDescription shown =
            DescriptionShown(kind, rows.textAt(3), own, routines.value(unitNo));
        facts.append({unitNo, int(rows.integerAt(1)), false, IsDescribed(shown.text),
                      rows.integerAt(5) != 0});
    }
    return facts;
}

} // namespace

bool HasDeclarations(Database& db, int docNo) {
    if (!db.tableExists(QStringLiteral("DeclsLib")))
        return false;
    Statement any(db, QStringLiteral("SELECT 1 FROM DeclsLib WHERE DocNo = ?1 LIMIT 1"));
    any.bindInteger(1, docNo);
    return any.step();
}

bool IsDescribed(const QString& description) {
    for (const QChar c : description)
        if (c.isLetterOrNumber())
            return true;
    return false;
}

bool LeftTheSource(const QVariant& lastSeen, const QVariant& lastScan) {
    if (lastScan.isNull())
        return false;
    return lastSeen.isNull() || lastSeen.toDateTime() < lastScan.toDateTime();
}

QString LeftTheSourceSql(const QString& lastSeen, const QString& lastScan) {
    return QStringLiteral("((%1 IS NULL OR %1 < %2) AND %2 IS NOT NULL)").arg(lastSeen, lastScan);
}

QVariant DeclarationsJudgedBy(const QVariant& declsSeen, const QVariant& lastScan) {
    return declsSeen.isNull() ? lastScan : declsSeen;
}

bool DeclarationLeftTheSource(const QVariant& lastSeen, const QVariant& declsSeen,
                              const QVariant& lastScan) {
    return LeftTheSource(lastSeen, DeclarationsJudgedBy(declsSeen, lastScan));
}

QString DeclarationLeftTheSourceSql(const QString& decls, const QString& units,
                                    int lastScanParameter) {
    return LeftTheSourceSql(decls + QStringLiteral(".LastSeen"),
                            QStringLiteral("COALESCE(%1.DeclsSeen, ?%2)")
                                .arg(units, QString::number(lastScanParameter)));
}

QVariant StoredLastScan(Database& db, int docNo) {
    Statement scan(db, QStringLiteral("SELECT LastScan FROM DocsLib WHERE DocNo = ?"));
    scan.bindInteger(1, docNo);
    if (!scan.step() || scan.isNullAt(0))
        return {};
    return scan.textAt(0);
}

void BindLastScan(Statement& statement, int parameter, const QVariant& lastScan) {
    if (lastScan.isNull())
        statement.bindNull(parameter);
    else
        statement.bindText(parameter, lastScan.toString());
}

bool IsPlaceholderRoutine(const QString& procName) {
    return procName == QLatin1String(PlaceholderRoutineName);
}

int describedPermille(qint64 described, qint64 routines) {
    return routines == 0 ? 0 : int(described * 1000 / routines);
}

QString permilleText(int permille) {
    return QStringLiteral("%1.%2%").arg(QString::number(permille / 10),
                                        QString::number(permille % 10));
}

QString DocumentCoverage::statusText() const {
    return QStringLiteral("Described: %1 of %2 %3 (%4)")
        .arg(groupedNumber(described), groupedNumber(routines), counted, percentText());
}

bool DocumentCoverage::reaches(double minimumPercent) const {
    if (routines == 0)
        return minimumPercent <= 0;
    return double(described) * 100.0 >= minimumPercent * double(routines);
}

QString groupedNumber(qint64 number) {
    QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(number);
}

DocumentCoverage ReadCoverage(Database& db, int docNo, CoverageOf of, const QStringList& kinds) {
    const QVariant lastScan = StoredLastScan(db, docNo);
    DocumentCoverage coverage;
    const bool declarations = of == CoverageOf::Declarations && HasDeclarations(db, docNo);
    if (declarations)
        coverage.counted = QStringLiteral("declarations");
    QHash<int, qsizetype> unitIndex;
    Statement units(db, QStringLiteral("SELECT UnitNo, UnitName, Description, ") + MissingTest +
                            QStringLiteral(" FROM UnitsLib WHERE DocNo = ?2 ORDER BY UnitNo"));
    BindLastScan(units, 1, lastScan);
    units.bindInteger(2, docNo);
    while (units.step()) {
        UnitCoverage unit;
        unit.unitNo = int(units.integerAt(0));
        unit.unitName = units.textAt(1);
        unit.unitDescribed = IsDescribed(units.textAt(2));
        unit.missing = units.integerAt(3) != 0;
        unitIndex.insert(unit.unitNo, coverage.units.size());
        coverage.units.append(unit);
        if (unit.missing)
            ++coverage.missingUnits;
    }
    const QList<RoutineFacts> counted = declarations ? readDeclarations(db, docNo, lastScan, kinds)
                                                     : readRoutines(db, docNo, lastScan);
    for (const RoutineFacts& routine : counted) {
        const auto found = unitIndex.constFind(routine.unitNo);
        if (found == unitIndex.cend() || routine.placeholder)
            continue; // the routines of a unit removed on its own are never shown
        UnitCoverage& unit = coverage.units[*found];
        if (routine.missing || unit.missing) {
            ++unit.missingRoutines;
            ++coverage.missingRoutines;
            if (routine.described) {
                ++unit.missingDescribed;
                ++coverage.missingDescribed;
            }
            continue;
        }
        ++unit.routines;
        ++coverage.routines;
        if (routine.described) {
            ++unit.described;
            ++coverage.described;
        }
    }
    return coverage;
}

std::optional<RoutinePlace> NextUndescribedRoutine(Database& db, int docNo, int unitNo,
                                                   int procNo) {
    const QVariant lastScan = StoredLastScan(db, docNo);
    const DocumentCoverage coverage = ReadCoverage(db, docNo);
    QHash<int, bool> unitMissing;
    for (const UnitCoverage& unit : coverage.units)
        unitMissing.insert(unit.unitNo, unit.missing);
    std::optional<RoutinePlace> first;
    for (const RoutineFacts& routine : readRoutines(db, docNo, lastScan)) {
        if (!unitMissing.contains(routine.unitNo) || unitMissing.value(routine.unitNo) ||
            routine.placeholder || routine.missing || routine.described)
            continue;
        const RoutinePlace place{routine.unitNo, routine.procNo};
        if (!first)
            first = place;
        if (routine.unitNo > unitNo || (routine.unitNo == unitNo && routine.procNo > procNo))
            return place;
    }
    return first;
}

} // namespace ink
