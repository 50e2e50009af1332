#pragma once
#include <QWidget>

#include "store/Coverage.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace ink {

// The "Coverage" page: the current document's units in list order, each
// with a drawn bar of its described routines, and the document's total.
// Sorting by the bar puts the least described first; choosing a unit
// (Enter or a double click) asks for it on the "Units" page.
class CoveragePage : public QWidget {
    Q_OBJECT
public:
    enum Column { UnitColumn, BarColumn, CountColumn, MissingColumn };

    explicit CoveragePage(QWidget* parent = nullptr);

    void showCoverage(const DocumentCoverage& coverage);
    QTreeWidget* list() const { return list_; }
    QLabel* total() const { return total_; }

signals:
    void unitChosen(int unitNo);

private:
    QTreeWidget* list_;
    QLabel* total_;
};

} // namespace ink
