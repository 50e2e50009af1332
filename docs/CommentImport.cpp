#include "CommentImport.h"

#include <QFileInfo>
#include <QHash>

#include "components/Dialogs.h"
#include "scan/DeclarationComments.h"
#include "scan/UnitSourceFinder.h"
#include "store/Coverage.h"
#include "store/DeclarationDescriptions.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

namespace {

bool hasDocument(TDM1& dm) {
    return dm.tblDocs->isOpen() && dm.tblDocs->recordCount() > 0;
}

// The current unit's declarations that show no description and carry a
// comment of their own. `typed` holds the unit's routine rows' descriptions
// from before the import, `planned` those it gives them, by folded name.
void planDeclarations(TDM1& dm, const QString& unitSource, const QHash<QString, QString>& typed,
                      const QHash<QString, QString>& planned,
                      QHash<QString, QHash<int, QString>>& commentsByFile,
                      CommentImportPlan& plan) {
    const TTable& decls = *dm.tblDecls;
    if (!decls.isOpen())
        return;
    for (int r = 0; r < decls.recordCount(); ++r) {
        auto value = [&](TField* field) {
            return decls.rowValue(r, field->index());
        };
        const QString kind = value(dm.tblDeclsDeclKind).toString();
        const QString name = value(dm.tblDeclsDeclName).toString();
        if (IsDescribed(
                DescriptionShown(kind, name, value(dm.tblDeclsDescription).toString(), typed).text))
            continue;
        // An include file is named; the unit's own file is not.
        QString file = value(dm.tblDeclsSourceFile).toString();
        if (file.isEmpty())
            file = unitSource;
        auto comments = commentsByFile.find(file);
        if (comments == commentsByFile.end())
            comments = commentsByFile.insert(file, ReadCommentsByLine(file));
        const QString text = comments->value(value(dm.tblDeclsSourceLine).toInt());
        if (text.isEmpty())
            continue;
        // The routine row of its name takes this very comment: shared, not copied.
        if (SharesRoutineDescription(kind) && planned.value(name.toCaseFolded()) == text)
            continue;
        plan.fills.append(
            {DescriptionFill::Kind::Declaration, value(dm.tblDeclsDeclNo).toLongLong(), text});
        ++plan.declarations;
    }
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
    // Include files are shared between units: each is read once.
    QHash<QString, QHash<int, QString>> commentsByFile;
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
        // The routine rows' descriptions, for the declarations that share them.
        QHash<QString, QString> typed;
        QHash<QString, QString> planned;
        for (int r = 0; r < procs.recordCount(); ++r) {
            const QString name = procs.rowValue(r, nameField).toString().toCaseFolded();
            if (IsDescribed(procs.rowValue(r, textField).toString())) {
                typed.insert(name, procs.rowValue(r, textField).toString());
                continue;
            }
            const QString text = comments.routines.value(name);
            if (text.isEmpty())
                continue;
            planned.insert(name, text);
            plan.fills.append({DescriptionFill::Kind::Routine,
                               procs.rowValue(r, numberField).toLongLong(), text});
            ++plan.routines;
        }
        planDeclarations(dm, source, typed, planned, commentsByFile, plan);
    }
    if (unitRow >= 0 && unitRow < units.recordCount())
        units.moveTo(unitRow);
    return plan;
}

int ApplyCommentImport(TDM1& dm, const CommentImportPlan& plan) {
    const int written = FillEmptyDescriptions(dm.database(), plan.fills);
    dm.tblUnits->refresh();
    dm.tblProc->refresh();
    dm.tblDecls->refresh();
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
    const QString counts = plan.declarations == 0
                               ? QStringLiteral("%1 unit and %2 routine")
                                     .arg(groupedNumber(plan.units), groupedNumber(plan.routines))
                               : QStringLiteral("%1 unit, %2 routine and %3 declaration")
                                     .arg(groupedNumber(plan.units), groupedNumber(plan.routines),
                                          groupedNumber(plan.declarations));
    if (!dialogs.confirm(QStringLiteral("Fill %1 descriptions of %2 from the comments in the "
                                        "source? Descriptions that hold text stay as they are.")
                             .arg(counts, dm.tblDocsDocName->asString())))
        return;
    ApplyCommentImport(dm, plan);
}

} // namespace ink
