#include "Coverage.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include "FieldValue.h"
#include "Statement.h"
#include "TDM1.h"

namespace ink {

namespace {

const FieldDef& fieldOf(const TableDef& def, const char* name) {
    return def.fields[def.indexOf(QLatin1String(name))];
}

QVariant lastScanOf(Database& db, int docNo) {
    Statement scan(db, QStringLiteral("SELECT LastScan FROM DocsLib WHERE DocNo = ?"));
    scan.bindInteger(1, docNo);
    if (!scan.step())
        return {};
    return readValue(scan, 0, fieldOf(TDM1::docsDefinition(), "LastScan"));
}

// The routines of a document in list order, as the coverage needs them.
struct RoutineFacts {
    int unitNo;
    int procNo;
    bool placeholder;
    bool described;
    bool missing;
};

QList<RoutineFacts> readRoutines(Database& db, int docNo, const QVariant& lastScan) {
    const FieldDef& seen = fieldOf(TDM1::procsDefinition(), "LastSeen");
    Statement rows(db, QStringLiteral("SELECT UnitNo, ProcNo, ProcName, Description, LastSeen "
                                      "FROM ProcsLib WHERE DocNo = ? ORDER BY UnitNo, ProcNo"));
    rows.bindInteger(1, docNo);
    QList<RoutineFacts> facts;
    while (rows.step())
        facts.append({int(rows.integerAt(0)), int(rows.integerAt(1)),
                      IsPlaceholderRoutine(rows.textAt(2)), HoldsWord(rows.textAt(3)),
                      LeftTheSource(readValue(rows, 4, seen), lastScan)});
    return facts;
}

} // namespace

bool HoldsWord(const QString& description) {
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

bool IsPlaceholderRoutine(const QString& procName) {
    return procName == QLatin1String("N/A");
}

int DocumentCoverage::permille() const {
    return routines == 0 ? 0 : int(qint64(described) * 1000 / routines);
}

QString DocumentCoverage::percentText() const {
    const int tenths = permille();
    return QStringLiteral("%1.%2%").arg(tenths / 10).arg(tenths % 10);
}

QString DocumentCoverage::statusText() const {
    return QStringLiteral("Described: %1 of %2 routines (%3)")
        .arg(groupedNumber(described), groupedNumber(routines), percentText());
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

DocumentCoverage ReadCoverage(Database& db, int docNo) {
    const QVariant lastScan = lastScanOf(db, docNo);
    const FieldDef& seen = fieldOf(TDM1::unitsDefinition(), "LastSeen");
    DocumentCoverage coverage;
    QHash<int, qsizetype> unitIndex;
    Statement units(db, QStringLiteral("SELECT UnitNo, UnitName, Description, LastSeen "
                                       "FROM UnitsLib WHERE DocNo = ? ORDER BY UnitNo"));
    units.bindInteger(1, docNo);
    while (units.step()) {
        UnitCoverage unit;
        unit.unitNo = int(units.integerAt(0));
        unit.unitName = units.textAt(1);
        unit.unitDescribed = HoldsWord(units.textAt(2));
        unit.missing = LeftTheSource(readValue(units, 3, seen), lastScan);
        unitIndex.insert(unit.unitNo, coverage.units.size());
        coverage.units.append(unit);
        if (unit.missing)
            ++coverage.missingUnits;
    }
    for (const RoutineFacts& routine : readRoutines(db, docNo, lastScan)) {
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
    const QVariant lastScan = lastScanOf(db, docNo);
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
