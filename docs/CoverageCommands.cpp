#include "CoverageCommands.h"

#include "components/Dialogs.h"
#include "store/Coverage.h"
#include "store/MissingRows.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

namespace {

bool moveToRowWith(TTable& table, const char* fieldName, int value) {
    const int field = table.definition().indexOf(QLatin1String(fieldName));
    for (int row = 0; row < table.recordCount(); ++row) {
        if (table.rowValue(row, field).toInt() == value) {
            table.moveTo(row);
            return true;
        }
    }
    return false;
}

bool hasDocument(TDM1& dm) {
    return dm.tblDocs->isOpen() && dm.tblDocs->recordCount() > 0;
}

QString plural(int count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(groupedNumber(count),
                                       QLatin1String(count == 1 ? one : many));
}

} // namespace

bool GoToUnit(TDM1& dm, int unitNo) {
    return hasDocument(dm) && moveToRowWith(*dm.tblUnits, "UnitNo", unitNo);
}

bool GoToPlace(TDM1& dm, int docNo, int unitNo, int procNo) {
    if (!hasDocument(dm) || !moveToRowWith(*dm.tblDocs, "DocNo", docNo) ||
        !moveToRowWith(*dm.tblUnits, "UnitNo", unitNo))
        return false;
    return procNo == 0 || moveToRowWith(*dm.tblProc, "ProcNo", procNo);
}

bool GoToNextUndescribedRoutine(TDM1& dm) {
    if (!hasDocument(dm))
        return false;
    // What is being typed counts: the row is stored before the search.
    dm.postPendingEdits();
    const int unitNo = dm.tblUnits->recordCount() > 0 ? dm.tblUnitsUnitNo->asInteger() : 0;
    const int procNo = dm.tblProc->recordCount() > 0 ? dm.tblProcProcNo->asInteger() : 0;
    const auto next =
        NextUndescribedRoutine(dm.database(), dm.tblDocsDocNo->asInteger(), unitNo, procNo);
    if (!next)
        return false;
    if (next->unitNo != unitNo && !moveToRowWith(*dm.tblUnits, "UnitNo", next->unitNo))
        return false;
    return moveToRowWith(*dm.tblProc, "ProcNo", next->procNo);
}

void RemoveMissingRoutines(TDM1& dm, Dialogs& dialogs) {
    if (!hasDocument(dm))
        return;
    dm.postPendingEdits();
    const int docNo = dm.tblDocsDocNo->asInteger();
    const MissingRowsSummary missing = CountMissingRows(dm.database(), docNo);
    if (missing.units == 0 && missing.routines == 0 && missing.declarations == 0) {
        dialogs.information(QStringLiteral("Remove Missing Routines"),
                            QStringLiteral("Every unit and routine of %1 was found by its last "
                                           "refresh; nothing is missing.")
                                .arg(dm.tblDocsDocName->asString()));
        return;
    }
    bool move = false;
    QStringList fits;
    if (missing.movableDescriptions > 0)
        fits << QStringLiteral("%1 of the missing routines fit an undescribed routine of the same "
                               "name and owner in another unit.")
                    .arg(plural(missing.movableDescriptions, "description", "descriptions"));
    // A type or routine moved to another unit. A namesake in another type
    // may be another thing altogether: those are not moved from here.
    if (missing.movableDeclarations > 0)
        fits << QStringLiteral("%1 of the missing declarations fit an undescribed declaration of "
                               "the same name and owner that appeared in another unit.")
                    .arg(plural(missing.movableDeclarations, "description", "descriptions"));
    if (!fits.isEmpty())
        move = dialogs.confirm(fits.join(QLatin1Char(' ')) +
                               QStringLiteral(" Move the descriptions there before removing?"));
    QString question =
        missing.declarations == 0
            ? QStringLiteral("Remove %1 and %2 that left the source of %3?")
                  .arg(plural(missing.units, "missing unit", "missing units"),
                       plural(missing.routines, "missing routine", "missing routines"),
                       dm.tblDocsDocName->asString())
            : QStringLiteral("Remove %1, %2 and %3 that left the source of %4?")
                  .arg(plural(missing.units, "missing unit", "missing units"),
                       plural(missing.routines, "missing routine", "missing routines"),
                       plural(missing.declarations, "missing declaration", "missing declarations"),
                       dm.tblDocsDocName->asString());
    const int lost = missing.describedRoutines - (move ? missing.movableDescriptions : 0);
    if (missing.describedRoutines > 0)
        question += QStringLiteral(" %1 of the routines have descriptions; %2 with them.")
                        .arg(groupedNumber(missing.describedRoutines),
                             lost > 0 ? plural(lost, "description is lost", "descriptions are lost")
                                      : QStringLiteral("every one moves"));
    const int lostDeclarations =
        missing.describedDeclarations - (move ? missing.movableDeclarations : 0);
    if (lostDeclarations > 0)
        question += QStringLiteral(" %1 of their own go with the declarations.")
                        .arg(plural(lostDeclarations, "description", "descriptions"));
    const int offered = missing.offeredDescriptions + missing.offeredDeclarations;
    if (offered > 0)
        question += QStringLiteral(" %1 only a namesake in another type, and %2 not moved.")
                        .arg(plural(offered, "description fits", "descriptions fit"),
                             offered == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    if (!dialogs.confirm(question))
        return;
    RemoveMissingRows(dm.database(), docNo, move);
    dm.tblUnits->refresh();
    dm.tblProc->refresh();
    dm.tblDecls->refresh();
}

} // namespace ink
