#include "SearchDialog.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ErrorGuard.h"

namespace ink {

namespace {
constexpr int HitRole = Qt::UserRole;
}

SearchDialog::SearchDialog(QWidget* parent, Search search)
    : QDialog(parent), search_(std::move(search)) {
    setObjectName(QStringLiteral("SearchDialog"));
    setWindowTitle(QStringLiteral("Search"));
    resize(620, 360);
    auto* layout = new QVBoxLayout(this);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("searchText"));
    text_->setPlaceholderText(QStringLiteral("Unit or routine name, or words of a description"));
    text_->setAccessibleName(QStringLiteral("Search for"));
    layout->addWidget(text_);
    results_ = new QTreeWidget(this);
    results_->setObjectName(QStringLiteral("searchResults"));
    results_->setAccessibleName(QStringLiteral("Search results"));
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setAllColumnsShowFocus(true);
    results_->setHeaderLabels({QStringLiteral("Document"), QStringLiteral("Unit"),
                               QStringLiteral("Routine"), QStringLiteral("Description")});
    results_->setColumnWidth(0, 110);
    results_->setColumnWidth(1, 130);
    results_->setColumnWidth(2, 150);
    layout->addWidget(results_);
    connect(text_, &QLineEdit::textChanged, this,
            [this](const QString& typed) { guarded([&] { showResultsFor(typed); }); });
    connect(text_, &QLineEdit::returnPressed, this, [this] {
        const int current =
            results_->currentItem() ? results_->indexOfTopLevelItem(results_->currentItem()) : 0;
        choose(current);
    });
    connect(results_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { choose(item ? item->data(0, HitRole).toInt() : -1); });
}

void SearchDialog::showResultsFor(const QString& typed) {
    hits_ = search_(typed);
    results_->clear();
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < hits_.size(); ++i) {
        const SearchHit& hit = hits_[i];
        auto* item = new QTreeWidgetItem({hit.docName, hit.unitName, hit.procName, hit.line});
        item->setData(0, HitRole, i);
        items.append(item);
    }
    results_->addTopLevelItems(items);
    if (!items.isEmpty())
        results_->setCurrentItem(items.first());
}

void SearchDialog::choose(int index) {
    if (index < 0 || index >= hits_.size())
        return;
    emit chosen(hits_[index]);
}

} // namespace ink
