// The main window's store: which one is open (shared or local) and its name
// on the status bar, damage found in it and the commands closed with it, and
// "Refresh Row" on the table being edited.
#include "TfrmInkwright.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScopeGuard>
#include <QTabWidget>

#include "DBGrid.h"
#include "DBMemo.h"
#include "DeclarationsPage.h"
#include "docs/StoreCommands.h"
#include "ErrorGuard.h"
#include "store/StoreError.h"
#include "store/TDM1.h"
#include "store/TTable.h"
#include "store/WholeStoreCheck.h"

namespace ink {

void TfrmInkwright::ShowStoreName() {
    const QString name = dm_ ? dm_->storeName() : QString();
    const QString damage = dm_ ? dm_->storeDamage() : QString();
    const QString text = !damage.isEmpty() ? QStringLiteral("Damaged store, closed")
                         : name.isEmpty()  ? QStringLiteral("No store open")
                                           : name;
    // A socket folder makes a long name: its middle gives way, the tip has it all.
    storeStatus->setToolTip(damage.isEmpty() ? text : damage);
    storeStatus->setAccessibleName(QStringLiteral("Store: ") + text);
    storeStatus->setText(storeStatus->fontMetrics().elidedText(text, Qt::ElideMiddle, 200));
    // Going back to the local store means something only away from it; with
    // no store open it is the way back to one.
    UseLocalDatabase1->setEnabled(name != QLatin1String("Local"));
}

void TfrmInkwright::ConnecttoSharedDatabase1Click() {
    const auto show = qScopeGuard([this] {
        ShowStoreName();
        CheckWholeStoreInBackground();
    });
    if (storeCommands_->connectToShared())
        enableStoreCommands(true);
}

void TfrmInkwright::UseLocalDatabase1Click() {
    const auto show = qScopeGuard([this] {
        ShowStoreName();
        CheckWholeStoreInBackground();
    });
    storeCommands_->useLocal();
    enableStoreCommands(true);
}

void TfrmInkwright::CheckWholeStoreInBackground() {
    const QString file = storeCommands_ ? storeCommands_->fileCheckedBySamples() : QString();
    if (wholeStoreCheck_ && file == checkedWholeFile_)
        return; // the same store, still being read or already read
    wholeStoreCheck_.reset();
    checkedWholeFile_ = file;
    if (file.isEmpty() || !dm_ || !dm_->storeDamage().isEmpty())
        return;
    // The result comes back through the event loop, to this window only
    // while it lives (the check is stopped before it goes).
    wholeStoreCheck_ = std::make_unique<WholeStoreCheck>(file, [this,
                                                                file](const QStringList& found) {
        if (found.isEmpty())
            return;
        QMetaObject::invokeMethod(
            this, [this, file, detail = found.first()] { WholeStoreFoundDamaged(file, detail); },
            Qt::QueuedConnection);
    });
}

void TfrmInkwright::WholeStoreFoundDamaged(const QString& file, const QString& detail) {
    // The store read may have been left for another meanwhile.
    if (!dm_ || storeCommands_->fileCheckedBySamples() != file || !dm_->storeDamage().isEmpty())
        return;
    dm_->noteDamage(detail);
    // Said as any damage a read meets is; the box's aftermath closes the store.
    guarded([this] { throw StoreDamaged(dm_->storeDamage()); });
}

void TfrmInkwright::StoreFoundDamaged() {
    if (!dm_ || dm_->storeDamage().isEmpty())
        return;
    dm_->closeDamagedStore();
    forgetShownDamage();
    enableStoreCommands(false);
    ShowStoreName();
    ShowCoverage();
}

void TfrmInkwright::enableStoreCommands(bool enabled) {
    for (QPushButton* button : {Button26, Button27, Button28, Button2, Button29, Button1})
        button->setEnabled(enabled);
}

// The innermost table with a row being edited; else the one of the list or
// editor with the focus, or of the page in sight.
TTable* TfrmInkwright::tableBeingEdited() const {
    for (TTable* table : {dm_->tblDecls, dm_->tblProc, dm_->tblUnits, dm_->tblDocs})
        if (table->isOpen() && table->state() != TTable::State::Browsing)
            return table;
    const QWidget* focus = QApplication::focusWidget();
    if (PageControl1->currentWidget() == declarationsPage)
        return dm_->tblDecls;
    if (focus == DBGrid3 || focus == DBMemo2 || PageControl1->currentWidget() == TabSheet2)
        return dm_->tblProc;
    if (focus == DBGrid2 || focus == DBMemo1 || PageControl1->currentWidget() == TabSheet7)
        return dm_->tblUnits;
    return dm_->tblDocs;
}

void TfrmInkwright::Action2Execute() {
    if (dm_)
        refreshRowOf(*tableBeingEdited());
}

void TfrmInkwright::RefreshRow1Click() {
    refreshRowOf(*dm_->tblUnits);
}

void TfrmInkwright::RefreshRow2Click() {
    refreshRowOf(*dm_->tblProc);
}

void TfrmInkwright::refreshRowOf(TTable& table) {
    const QScopedValueRollback choosing(choosingVersion_, true);
    storeCommands_->refreshRow(table);
}

void TfrmInkwright::OthersChanged() {
    showUnitCount();
    showRoutineCount();
    scheduleCoverageUpdate();
}

} // namespace ink
