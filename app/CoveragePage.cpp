#include "CoveragePage.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ink {

namespace {

constexpr int SortRole = Qt::UserRole;
constexpr int ShareRole = Qt::UserRole + 1; // described share in tenths of a percent, -1 for none
constexpr int UnitNoRole = Qt::UserRole + 2;

// Sorts each column by its own key, not by the text shown.
class CoverageItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return data(column, SortRole).toLongLong() < other.data(column, SortRole).toLongLong();
    }
};

// The bar: the described share in green over a grey track, its number on it.
class BarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        // The cell's own background (selection, focus) without its text,
        // which is drawn once, over the bar.
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        const QWidget* view = option.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, view);
        const int share = index.data(ShareRole).toInt();
        const QRect track = option.rect.adjusted(3, 3, -3, -3);
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0xdd, 0xdd, 0xdd));
        painter->drawRect(track);
        if (share > 0) {
            QRect filled = track;
            filled.setWidth(qMax(1, int(qint64(track.width()) * share / 1000)));
            painter->setBrush(share == 1000 ? QColor(0x2e, 0x8b, 0x3a) : QColor(0x6a, 0xb0, 0x4c));
            painter->drawRect(filled);
        }
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(track, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

QString shareText(const UnitCoverage& unit) {
    return unit.countedTally().count == 0 ? QStringLiteral("-") : permilleText(unit.permille());
}

} // namespace

CoveragePage::CoveragePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CoveragePage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(4);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("CoverageList"));
    list_->setAccessibleName(QStringLiteral("Coverage by unit"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels({QStringLiteral("Unit Name"), QStringLiteral("Described"),
                            QStringLiteral("Routines"), QStringLiteral("Missing")});
    list_->setItemDelegateForColumn(BarColumn, new BarDelegate(list_));
    list_->setColumnWidth(UnitColumn, 150);
    list_->setColumnWidth(BarColumn, 150);
    list_->setColumnWidth(CountColumn, 100);
    list_->setColumnWidth(MissingColumn, 60);
    list_->setSortingEnabled(true);
    list_->sortByColumn(UnitColumn, Qt::AscendingOrder);
    list_->header()->setSortIndicatorShown(true);
    layout->addWidget(list_);
    total_ = new QLabel(this);
    total_->setObjectName(QStringLiteral("CoverageTotal"));
    layout->addWidget(total_);
    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item)
            emit unitChosen(item->data(UnitColumn, UnitNoRole).toInt());
    });
}

void CoveragePage::showCoverage(const DocumentCoverage& coverage) {
    list_->setSortingEnabled(false);
    list_->clear();
    // What is counted: the declarations, or a store's routines until its
    // declarations are read.
    QString counted = coverage.countedName();
    counted[0] = counted[0].toUpper();
    list_->headerItem()->setText(CountColumn, counted);
    QList<QTreeWidgetItem*> items;
    int position = 0;
    for (const UnitCoverage& unit : coverage.units) {
        auto* item = new CoverageItem;
        const CoverageTally& tally = unit.countedTally();
        const int share = tally.count == 0 ? -1 : unit.permille();
        item->setText(UnitColumn, unit.unitName);
        item->setData(UnitColumn, SortRole, position++);
        item->setData(UnitColumn, UnitNoRole, unit.unitNo);
        item->setText(BarColumn, shareText(unit));
        item->setData(BarColumn, ShareRole, unit.missing ? 0 : share);
        // Least described first; units with nothing to describe, and those
        // that left the project, last.
        item->setData(BarColumn, SortRole, unit.missing ? 2000 : share < 0 ? 1001 : share);
        item->setText(CountColumn,
                      QStringLiteral("%1 of %2")
                          .arg(QString::number(tally.described), QString::number(tally.count)));
        item->setData(CountColumn, SortRole, tally.count - tally.described);
        item->setText(MissingColumn,
                      unit.missing ? QStringLiteral("unit") : QString::number(tally.missing));
        item->setData(MissingColumn, SortRole, unit.missing ? 1 << 30 : tally.missing);
        item->setTextAlignment(CountColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(MissingColumn, Qt::AlignRight | Qt::AlignVCenter);
        if (unit.missing) {
            for (int column = 0; column < 4; ++column) {
                QFont font = item->font(column);
                font.setStrikeOut(true);
                item->setFont(column, font);
                item->setForeground(column, QColor(Qt::gray));
            }
        }
        items.append(item);
    }
    list_->addTopLevelItems(items);
    list_->setSortingEnabled(true);
    QString text = QStringLiteral("Total: ") + coverage.statusText();
    const int missing = coverage.countedTally().missing;
    if (coverage.missingUnits > 0 || missing > 0)
        text += QStringLiteral("; left the source: %1 units, %2 %3")
                    .arg(groupedNumber(coverage.missingUnits), groupedNumber(missing),
                         coverage.countedName());
    total_->setText(text);
}

} // namespace ink
