// The main window's counts and coverage: how many units and routines the
// lists hold, how much of the document is described (the status bar and the
// coverage page), and the walk to the next routine without a description.
#include "TfrmInkwright.h"

#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include "components/Dialogs.h"
#include "CoveragePage.h"
#include "DBGrid.h"
#include "DeclarationsPage.h"
#include "docs/CoverageCommands.h"
#include "ErrorGuard.h"
#include "store/Coverage.h"
#include "store/MissingRows.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

// The label shows the bare number beside the list's caption; a screen
// reader, which reads the label alone, hears what is counted ("59 units").
void TfrmInkwright::showCount(QLabel* label, int count, const QString& what) {
    label->setText(QString::number(count));
    label->setAccessibleName(QStringLiteral("%1 %2%3").arg(count).arg(
        what, count == 1 ? QString() : QStringLiteral("s")));
}

// The lists' "draw cell" events keep their counts up to date; the counts
// are also shown when others changed the store.
void TfrmInkwright::DBGrid2DrawColumnCell() {
    showUnitCount();
}

void TfrmInkwright::DBGrid3DrawColumnCell() {
    showRoutineCount();
}

void TfrmInkwright::showUnitCount() {
    if (dm_ && DBGrid2->dataSource()) {
        showCount(Label9, dm_->tblUnits->isOpen() ? dm_->tblUnits->recordCount() : 0,
                  QStringLiteral("unit"));
        const int missing = RowsLeftTheSource(*dm_, *dm_->tblUnits);
        Label9->setToolTip(missing ? QStringLiteral("%1 of them left the project").arg(missing)
                                   : QString());
    }
}

void TfrmInkwright::showRoutineCount() {
    if (dm_ && DBGrid3->dataSource()) {
        showCount(Label10, dm_->tblProc->isOpen() ? dm_->tblProc->recordCount() : 0,
                  QStringLiteral("routine"));
        const int missing = RowsLeftTheSource(*dm_, *dm_->tblProc);
        Label10->setToolTip(missing ? QStringLiteral("%1 of them left the source").arg(missing)
                                    : QString());
    }
}

void TfrmInkwright::scheduleCoverageUpdate() {
    if (coverageUpdatePending_)
        return;
    coverageUpdatePending_ = true;
    QTimer::singleShot(0, this, [this] {
        coverageUpdatePending_ = false;
        guarded([this] { ShowCoverage(); });
    });
}

void TfrmInkwright::ShowCoverage() {
    coverageUpdatePending_ = false;
    if (!dm_ || !dm_->tblDocs->isOpen() || dm_->tblDocs->recordCount() == 0) {
        coverageStatus->clear();
        coveragePage->showCoverage({});
        return;
    }
    const DocumentCoverage coverage = ReadCoverage(dm_->database(), dm_->tblDocsDocNo->asInteger());
    coverageStatus->setText(coverage.statusText());
    if (PageControl1->currentWidget() == coveragePage)
        coveragePage->showCoverage(coverage);
}

void TfrmInkwright::CoverageUnitChosen(int unitNo) {
    if (GoToUnit(*dm_, unitNo))
        PageControl1->setCurrentWidget(TabSheet7);
}

void TfrmInkwright::NextUndescribedRoutine1Click() {
    if (!dm_ || !DBGrid3->dataSource())
        return;
    // On the declarations page F3 walks the declarations instead.
    if (PageControl1->currentWidget() == declarationsPage) {
        if (!declarationsPage->goToNextUndescribed())
            dialogs_->information(QStringLiteral("Next Undescribed Declaration"),
                                  QStringLiteral("Every declaration of this document is "
                                                 "described."));
        return;
    }
    if (!GoToNextUndescribedRoutine(*dm_)) {
        dialogs_->information(QStringLiteral("Next Undescribed Routine"),
                              QStringLiteral("Every routine of this document is described."));
        return;
    }
    PageControl1->setCurrentWidget(TabSheet2);
}

} // namespace ink
