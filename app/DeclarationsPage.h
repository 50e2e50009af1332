#pragma once
#include <QHash>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ink {

class TDBMemo;
class TDM1;

// The "Declarations" page: the current unit's declarations as a tree (types
// with their members, then the unit's routines, constants and variables),
// the whole declaration of the one selected, and its description. A routine
// without a description of its own shows the shared one of its routine row,
// greyed; a description written for a signature that has since changed says
// so until it is marked reviewed.
//
// The page follows the declarations table of the data module: the tree is
// made again when the unit changes or rows come and go, and choosing an item
// makes its row current, so the editor writes to that row.
class DeclarationsPage : public QWidget {
    Q_OBJECT
public:
    enum Column { NameColumn, KindColumn, VisibilityColumn };

    explicit DeclarationsPage(QWidget* parent = nullptr);

    void bindDataModule(TDM1* dm);
    // While a build rewrites the document the page lets go of the table and
    // follows none of its changes; attached again, it shows what is there.
    void setAttached(bool attached);
    // Shows the current unit's declarations again; nothing while hidden.
    void showDeclarations();
    // "Next Undescribed Declaration": the next one still in the source with
    // no description to show, in the tree's order, across the document's
    // units from the current one, starting over at the first. False, with
    // nothing moved, when every one is described.
    bool goToNextUndescribed();
    // Makes the declaration of that number current, with its document and unit.
    bool goToDeclaration(int docNo, int unitNo, int declNo);
    // Clears the note that the signature changed under the description.
    void markReviewed();

    QTreeWidget* tree() const { return tree_; }
    QLabel* unitLabel() const { return unitLabel_; }
    QPlainTextEdit* declarationText() const { return declaration_; }
    TDBMemo* description() const { return description_; }
    QLabel* sharedNote() const { return sharedNote_; }
    QLabel* changedNote() const { return changedNote_; }
    QPushButton* markReviewedButton() const { return markReviewed_; }
    QMenu* descriptionMenu() const { return menu_; }
    QAction* spellIt() const { return spellIt_; }
    QAction* insertSeparator() const { return insertSeparator_; }
    QAction* selectAll() const { return selectAll_; }

signals:
    void descriptionExited();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString scopeKey() const;
    void rebuildIfChanged();
    void rebuild();
    void selectCurrentRow();
    void showDetails();
    void itemChosen(QTreeWidgetItem* item);
    bool undescribedAt(int row) const;
    bool hasRoutines() const;
    int rowOf(int declNo) const;
    QList<QTreeWidgetItem*> itemsInOrder() const;

    TDM1* dm_ = nullptr;
    QTreeWidget* tree_;
    QLabel* unitLabel_;
    QPlainTextEdit* declaration_;
    QLabel* sharedNote_;
    QLabel* changedNote_;
    QPushButton* markReviewed_;
    TDBMemo* description_;
    QMenu* menu_;
    QAction* spellIt_;
    QAction* insertSeparator_;
    QAction* selectAll_;
    // What the tree shows, to tell whether a change of the table needs a new tree.
    QString shownKey_;
    QHash<int, QTreeWidgetItem*> items_; // by DeclNo
    QHash<QString, QString> routineDescriptions_;
    bool following_ = false; // the table's row follows the tree: no echo back
    bool attached_ = true;
};

} // namespace ink
