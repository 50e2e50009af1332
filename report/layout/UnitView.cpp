#include "UnitView.h"

#include "ClassHierarchy.h"
#include "model/DeclarationKinds.h"
#include "ReportSiteNames.h"

namespace ink {

UnitView::UnitView(const ReportUnit& unit) : unit_(unit) {
    entries_.reserve(unit.declarations.size() + unit.otherRoutines.size());
    for (const ReportDeclaration& d : unit.declarations) {
        Entry entry;
        entry.declaration = &d;
        entry.heading = d.heading;
        entry.depth = d.depth;
        entry.isType = KindWordIsType(d.kind);
        entry.isUnitLevelRoutine = d.depth == 0 && KindWordIsRoutine(d.kind);
        entry.inHierarchy = ClassHierarchy::takes(d);
        entries_.append(entry);
    }
    // A store without declarations for the unit shows its routine rows;
    // else those rows no declaration stands for, under a caption of their own.
    const QList<ReportRoutine>& routines =
        unit.declarations.isEmpty() ? unit.routines : unit.otherRoutines;
    for (const ReportRoutine& routine : routines) {
        Entry entry;
        entry.routine = &routine;
        entry.isUnitLevelRoutine = true;
        if (&routine == &routines.front() && !unit.declarations.isEmpty())
            entry.heading = QString::fromLatin1(OtherRoutinesCaption);
        entries_.append(entry);
    }
}

QStringList UnitView::anchors(PageAnchors& pageAnchors) const {
    QStringList ids;
    ids.reserve(entries_.size());
    for (const Entry& entry : entries_)
        ids.append(pageAnchors.take(entry.owner(), entry.name()));
    return ids;
}

bool indexesBefore(QStringView name, QStringView owner, QStringView unitName, QStringView otherName,
                   QStringView otherOwner, QStringView otherUnitName) {
    if (const int c = name.compare(otherName, Qt::CaseInsensitive))
        return c < 0;
    if (const int c = owner.compare(otherOwner, Qt::CaseInsensitive))
        return c < 0;
    return unitName.compare(otherUnitName, Qt::CaseInsensitive) < 0;
}

QChar indexLetter(QStringView name) {
    return name.isEmpty() ? QChar() : name.front().toUpper();
}

} // namespace ink
