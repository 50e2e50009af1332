#include "CommentImport.h"

#include <QFileInfo>

#include "components/Dialogs.h"
#include "scan/DeclarationComments.h"
#include "scan/UnitSourceFinder.h"
#include "store/Coverage.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

namespace {

bool hasDocument(TDM1& dm) {
    return dm.tblDocs->isOpen() && dm.tblDocs->recordCount() > 0;
}

} // namespace

CommentImportPlan PlanCommentImport(TDM1& dm) {
    CommentImportPlan plan;
    if (!hasDocument(dm))
        return plan;
    dm.postPendingEdits();
    const QString projectPath = dm.tblDocsDPRFileName->asString();
    const QString projectFolder = QFileInfo(projectPath).absolutePath();
    TTable& units = *dm.tblUnits;
    TTable& procs = *dm.tblProc;
    const int unitRow = units.recNo();
    const int nameField = procs.definition().indexOf(QStringLiteral("ProcName"));
    const int numberField = procs.definition().indexOf(QStringLiteral("ProcNo"));
    const int textField = procs.definition().indexOf(QStringLiteral("Description"));
    UnitSourceFinder finder;
    for (int row = 0; row < units.recordCount(); ++row) {
        units.moveTo(row);
        const QString source = finder.find(projectPath, dm.tblUnitsUnitName->asString(),
                                           dm.tblUnitsUnitPath->asString());
        const DeclarationComments comments = ReadDeclarationComments(source, projectFolder);
        if (!comments.unit.isEmpty() && !IsDescribed(dm.tblUnitsDescription->asString())) {
            plan.fills.append(
                {DescriptionFill::Kind::Unit, dm.tblUnitsUnitNo->asInteger(), comments.unit});
            ++plan.units;
        }
        for (int r = 0; r < procs.recordCount(); ++r) {
            if (IsDescribed(procs.rowValue(r, textField).toString()))
                continue;
            const QString text =
                comments.routines.value(procs.rowValue(r, nameField).toString().toCaseFolded());
            if (text.isEmpty())
                continue;
            plan.fills.append({DescriptionFill::Kind::Routine,
                               procs.rowValue(r, numberField).toLongLong(), text});
            ++plan.routines;
        }
    }
    if (unitRow >= 0 && unitRow < units.recordCount())
        units.moveTo(unitRow);
    return plan;
}

int ApplyCommentImport(TDM1& dm, const CommentImportPlan& plan) {
    const int written = FillEmptyDescriptions(dm.database(), plan.fills);
    dm.tblUnits->refresh();
    dm.tblProc->refresh();
    return written;
}

void ImportDescriptionsFromComments(TDM1& dm, Dialogs& dialogs) {
    if (!hasDocument(dm))
        return;
    const CommentImportPlan plan = PlanCommentImport(dm);
    const QString caption = QStringLiteral("Import Descriptions from Comments");
    if (plan.fills.isEmpty()) {
        dialogs.information(caption,
                            QStringLiteral("No empty description of %1 has a comment to take.")
                                .arg(dm.tblDocsDocName->asString()));
        return;
    }
    if (!dialogs.confirm(QStringLiteral("Fill %1 unit and %2 routine descriptions of %3 from "
                                        "the comments in the source? Descriptions that hold "
                                        "text stay as they are.")
                             .arg(groupedNumber(plan.units), groupedNumber(plan.routines),
                                  dm.tblDocsDocName->asString())))
        return;
    ApplyCommentImport(dm, plan);
}

} // namespace ink
