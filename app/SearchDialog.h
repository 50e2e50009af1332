#pragma once
#include <functional>
#include <QDialog>

#include "store/Search.h"

class QLineEdit;
class QTreeWidget;

namespace ink {

// The search box of Ctrl+F: results as the user types, over every
// document; Enter on a result (or in the field, for the first) chooses it.
// It stays open beside the window, so the user can go on to the next result.
class SearchDialog : public QDialog {
    Q_OBJECT
public:
    using Search = std::function<QList<SearchHit>(const QString& text)>;
    SearchDialog(QWidget* parent, Search search);

    QLineEdit* text() const { return text_; }
    QTreeWidget* results() const { return results_; }
    void showResultsFor(const QString& typed);

signals:
    void chosen(const ink::SearchHit& hit);

private:
    void choose(int index);

    Search search_;
    QList<SearchHit> hits_;
    QLineEdit* text_;
    QTreeWidget* results_;
};

} // namespace ink
