#include "MissingRows.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <tuple>

#include "Coverage.h"
#include "Database.h"
#include "FieldValue.h"
#include "model/DeclarationIdentity.h"
#include "model/DeclarationKinds.h"
#include "Statement.h"
#include "TDM1.h"
#include "TField.h"
#include "TTable.h"

namespace ink {

namespace {

struct Row {
    qint64 number;
    int unitNo;
    QString name;
    QString description;
    bool missing;
};

// Missing row (by index) -> present row (by index) its words go to, those
// under the same owner apart from those under another.
struct Moves {
    QHash<int, int> sameOwner;
    QHash<int, int> acrossOwners;
};

const FieldDef& lastSeen(const TableDef& def) {
    return def.fields[def.indexOf(QStringLiteral("LastSeen"))];
}

struct DeclRow {
    qint64 number;
    int unitNo;
    QString owner;
    QString name;
    DeclarationIdentity identity; // without its overload key: a move may change it
    QString description;          // its own, never the one it shares
    bool missing;
};

// Everything the removal decides on, read in one go.
struct DocumentRows {
    QList<Row> units;
    QList<Row> routines;
    QList<DeclRow> declarations;
    QSet<int> missingUnits;
    // The owners of the routine declarations behind each routine row, by
    // unit and case-folded name: those of any state, and those present.
    QHash<std::pair<int, QString>, QSet<QString>> routineOwners;
    QHash<std::pair<int, QString>, QSet<QString>> presentRoutineOwners;

    DocumentRows(Database& db, int docNo) {
        Statement scan(db, QStringLiteral("SELECT LastScan FROM DocsLib WHERE DocNo = ?"));
        scan.bindInteger(1, docNo);
        const TableDef& docs = TDM1::docsDefinition();
        const QVariant lastScan =
            scan.step() ? readValue(scan, 0, docs.fields[docs.indexOf(QStringLiteral("LastScan"))])
                        : QVariant();
        Statement unitRows(db, QStringLiteral("SELECT UnitNo, UnitName, Description, LastSeen "
                                              "FROM UnitsLib WHERE DocNo = ? ORDER BY UnitNo"));
        unitRows.bindInteger(1, docNo);
        while (unitRows.step()) {
            const bool missing =
                LeftTheSource(readValue(unitRows, 3, lastSeen(TDM1::unitsDefinition())), lastScan);
            units.append({unitRows.integerAt(0), int(unitRows.integerAt(0)), unitRows.textAt(1),
                          unitRows.textAt(2), missing});
            if (missing)
                missingUnits.insert(int(unitRows.integerAt(0)));
        }
        Statement procRows(db, QStringLiteral("SELECT ProcNo, UnitNo, ProcName, Description, "
                                              "LastSeen FROM ProcsLib WHERE DocNo = ? "
                                              "ORDER BY UnitNo, ProcNo"));
        procRows.bindInteger(1, docNo);
        while (procRows.step()) {
            const int unitNo = int(procRows.integerAt(1));
            const bool missing =
                missingUnits.contains(unitNo) ||
                LeftTheSource(readValue(procRows, 4, lastSeen(TDM1::procsDefinition())), lastScan);
            routines.append(
                {procRows.integerAt(0), unitNo, procRows.textAt(2), procRows.textAt(3), missing});
        }
        if (!db.tableExists(QStringLiteral("DeclsLib")))
            return;
        Statement declRows(
            db, QStringLiteral("SELECT d.DeclNo, d.UnitNo, d.Owner, d.DeclName, d.DeclKind, "
                               "d.Description, ") +
                    DeclarationLeftTheSourceSql(QStringLiteral("d"), QStringLiteral("u"), 1) +
                    QStringLiteral(" FROM DeclsLib d LEFT JOIN UnitsLib u ON u.UnitNo = d.UnitNo "
                                   "WHERE d.DocNo = ?2 ORDER BY d.UnitNo, d.DeclNo"));
        BindLastScan(declRows, 1, StoredLastScan(db, docNo));
        declRows.bindInteger(2, docNo);
        while (declRows.step()) {
            const int unitNo = int(declRows.integerAt(1));
            const bool missing = missingUnits.contains(unitNo) || declRows.integerAt(6) != 0;
            const QString owner = declRows.textAt(2);
            const QString name = declRows.textAt(3);
            declarations.append({declRows.integerAt(0), unitNo, owner, name,
                                 IdentityOf(declRows.textAt(4), owner, name, QString()),
                                 declRows.textAt(5), missing});
            const DeclRow& d = declarations.last();
            if (!KindWordIsRoutine(declRows.textAt(4)))
                continue;
            const std::pair<int, QString> key{unitNo, d.identity.name};
            routineOwners[key].insert(d.identity.owner);
            if (!missing)
                presentRoutineOwners[key].insert(d.identity.owner);
        }
    }

    // Whether the missing routine row `from` and the present one `to` stand
    // for a routine of one owner: the unit's own, or one type's moved to
    // another unit. Without declarations to tell, they do not.
    bool sameRoutineOwner(const Row& from, const Row& to) const {
        const QSet<QString> fromOwners =
            routineOwners.value({from.unitNo, from.name.toCaseFolded()});
        const QSet<QString> toOwners =
            presentRoutineOwners.value({to.unitNo, to.name.toCaseFolded()});
        return fromOwners.intersects(toOwners);
    }

    QString unitName(int unitNo) const {
        for (const Row& unit : units)
            if (unit.unitNo == unitNo)
                return unit.name;
        return {};
    }

    QString place(const DeclRow& d) const {
        return unitName(d.unitNo) + QStringLiteral(": ") +
               (d.owner.isEmpty() ? d.name : d.owner + QLatin1Char('.') + d.name);
    }

    // Missing declaration (by index) -> present declaration (by index), and
    // whether the move is to another owner.
    QList<std::tuple<int, int, bool>> declarationMoves() const {
        QHash<QString, QList<int>> openByName;
        for (int i = 0; i < declarations.size(); ++i) {
            const DeclRow& d = declarations[i];
            if (!d.missing && unitPresent(d.unitNo) && !IsDescribed(d.description))
                openByName[d.identity.namesakeKey()].append(i);
        }
        QList<std::tuple<int, int, bool>> result;
        QSet<int> taken;
        QSet<int> moved;
        // Every declaration that moved to another unit under its owner is
        // placed first, so no guess across owners takes its place.
        for (const bool acrossOwners : {false, true}) {
            for (int i = 0; i < declarations.size(); ++i) {
                const DeclRow& d = declarations[i];
                if (!d.missing || !IsDescribed(d.description) || moved.contains(i))
                    continue;
                const QList<int> open = openByName.value(d.identity.namesakeKey());
                for (int t : open) {
                    const bool sameOwner = declarations[t].identity.owner == d.identity.owner;
                    const bool fits =
                        acrossOwners ? !sameOwner : sameOwner && declarations[t].unitNo != d.unitNo;
                    if (fits && !taken.contains(t)) {
                        taken.insert(t);
                        moved.insert(i);
                        result.append({i, t, acrossOwners});
                        break;
                    }
                }
            }
        }
        return result;
    }

    bool unitPresent(int unitNo) const {
        for (const Row& unit : units)
            if (unit.unitNo == unitNo)
                return !unit.missing;
        return false;
    }

    // Where the words of each missing routine row can go: the undescribed
    // present row of its name in another unit.
    Moves moves() const {
        QHash<QString, QList<int>> openByName;
        for (int i = 0; i < routines.size(); ++i) {
            const Row& r = routines[i];
            if (!r.missing && unitPresent(r.unitNo) && !IsDescribed(r.description))
                openByName[r.name.toCaseFolded()].append(i);
        }
        Moves result;
        QSet<int> taken;
        for (const bool acrossOwners : {false, true}) {
            QHash<int, int>& found = acrossOwners ? result.acrossOwners : result.sameOwner;
            for (int i = 0; i < routines.size(); ++i) {
                const Row& r = routines[i];
                if (!r.missing || IsPlaceholderRoutine(r.name) || !IsDescribed(r.description) ||
                    result.sameOwner.contains(i))
                    continue;
                for (int target : openByName.value(r.name.toCaseFolded())) {
                    const Row& to = routines[target];
                    if (to.unitNo != r.unitNo && !taken.contains(target) &&
                        (acrossOwners || sameRoutineOwner(r, to))) {
                        found.insert(i, target);
                        taken.insert(target);
                        break;
                    }
                }
            }
        }
        return result;
    }
};

} // namespace

MissingRowsSummary CountMissingRows(Database& db, int docNo) {
    const DocumentRows rows(db, docNo);
    MissingRowsSummary summary;
    summary.units = int(rows.missingUnits.size());
    for (const Row& r : rows.routines) {
        if (!r.missing || IsPlaceholderRoutine(r.name))
            continue;
        ++summary.routines;
        if (IsDescribed(r.description))
            ++summary.describedRoutines;
    }
    const Moves moves = rows.moves();
    summary.movableDescriptions = int(moves.sameOwner.size());
    summary.offeredDescriptions = int(moves.acrossOwners.size());
    for (const DeclRow& d : rows.declarations) {
        if (!d.missing)
            continue;
        ++summary.declarations;
        if (IsDescribed(d.description))
            ++summary.describedDeclarations;
    }
    for (const auto& [from, to, acrossOwners] : rows.declarationMoves())
        ++(acrossOwners ? summary.offeredDeclarations : summary.movableDeclarations);
    return summary;
}

QList<DeclarationMove> DeclarationMoves(Database& db, int docNo) {
    const DocumentRows rows(db, docNo);
    QList<DeclarationMove> moves;
    for (const auto& [from, to, acrossOwners] : rows.declarationMoves())
        moves.append({rows.declarations[from].number, rows.declarations[to].number,
                      rows.place(rows.declarations[from]), rows.place(rows.declarations[to]),
                      acrossOwners});
    return moves;
}

void RemoveMissingRows(Database& db, int docNo, bool moveDescriptions, bool acrossOwners) {
    const DocumentRows rows(db, docNo);
    Batch batch(db);
    if (moveDescriptions) {
        Statement setRoutine(
            db, QStringLiteral("UPDATE ProcsLib SET Description = ? WHERE ProcNo = ?"));
        // Which present unit took how many words from each missing unit.
        QHash<int, QHash<int, int>> takenBy;
        const Moves found = rows.moves();
        QHash<int, int> moves = found.sameOwner;
        if (acrossOwners)
            moves.insert(found.acrossOwners);
        for (auto move = moves.cbegin(); move != moves.cend(); ++move) {
            const Row& from = rows.routines[move.key()];
            const Row& to = rows.routines[move.value()];
            setRoutine.bindText(1, from.description);
            setRoutine.bindInteger(2, to.number);
            setRoutine.run();
            ++takenBy[from.unitNo][to.unitNo];
        }
        QSet<int> given;
        Statement setUnit(db,
                          QStringLiteral("UPDATE UnitsLib SET Description = ? WHERE UnitNo = ?"));
        for (const Row& unit : rows.units) {
            if (!unit.missing || !IsDescribed(unit.description) || !takenBy.contains(unit.unitNo))
                continue;
            const QHash<int, int>& targets = takenBy[unit.unitNo];
            int best = -1;
            for (auto t = targets.cbegin(); t != targets.cend(); ++t)
                if (best < 0 || t.value() > targets.value(best) ||
                    (t.value() == targets.value(best) && t.key() < best))
                    best = t.key();
            for (const Row& target : rows.units) {
                if (target.unitNo == best && !IsDescribed(target.description) &&
                    !given.contains(best)) {
                    given.insert(best);
                    setUnit.bindText(1, unit.description);
                    setUnit.bindInteger(2, best);
                    setUnit.run();
                }
            }
        }
    }
    if (moveDescriptions && !rows.declarations.isEmpty()) {
        Statement setDeclaration(
            db, QStringLiteral("UPDATE DeclsLib SET Description = ? WHERE DeclNo = ?"));
        for (const auto& [from, to, toAnotherOwner] : rows.declarationMoves()) {
            if (toAnotherOwner && !acrossOwners)
                continue;
            setDeclaration.bindText(1, rows.declarations[from].description);
            setDeclaration.bindInteger(2, rows.declarations[to].number);
            setDeclaration.run();
        }
    }
    if (!rows.declarations.isEmpty()) {
        Statement dropDeclaration(db, QStringLiteral("DELETE FROM DeclsLib WHERE DeclNo = ?"));
        for (const DeclRow& d : rows.declarations) {
            if (!d.missing)
                continue;
            dropDeclaration.bindInteger(1, d.number);
            dropDeclaration.run();
        }
    }
    Statement dropRoutine(db, QStringLiteral("DELETE FROM ProcsLib WHERE ProcNo = ?"));
    for (const Row& r : rows.routines) {
        if (!r.missing)
            continue;
        dropRoutine.bindInteger(1, r.number);
        dropRoutine.run();
    }
    Statement dropUnit(db, QStringLiteral("DELETE FROM UnitsLib WHERE UnitNo = ?"));
    for (int unitNo : rows.missingUnits) {
        dropUnit.bindInteger(1, unitNo);
        dropUnit.run();
    }
}

bool RowLeftTheSource(const TDM1& dm, const TTable& table, int row) {
    if (!table.isOpen() || !dm.tblDocs->isOpen())
        return false;
    const int lastSeen = table.definition().indexOf(QStringLiteral("LastSeen"));
    // The declarations in view are the current unit's.
    if (&table == dm.tblDecls)
        return dm.tblUnits->isOpen() &&
               DeclarationLeftTheSource(table.rowValue(row, lastSeen),
                                        dm.tblUnitsDeclsSeen->value(), dm.tblDocsLastScan->value());
    return LeftTheSource(table.rowValue(row, lastSeen), dm.tblDocsLastScan->value());
}

int RowsLeftTheSource(const TDM1& dm, const TTable& table) {
    if (!table.isOpen())
        return 0;
    int missing = 0;
    for (int row = 0; row < table.recordCount(); ++row)
        missing += RowLeftTheSource(dm, table, row) ? 1 : 0;
    return missing;
}

} // namespace ink
