#pragma once
#include <functional>
#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QTableView>

namespace ink {

class TDataSource;
class TTable;

struct GridColumn {
    QString fieldName;
    QString title;
    int width = 0; // pixels; 0 takes the field's default width
    QColor background;
    QFont font;
    QColor textColor;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// The rows of a table's scope as a read-only model, formatted as the grid
// shows them. The vertical header is the row indicator.
class DBGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DBGridModel(QObject* parent) : QAbstractTableModel(parent) {}

    void setTable(TTable* table); // nullptr: no rows
    void setColumns(QList<GridColumn> columns);
    const QList<GridColumn>& columns() const { return columns_; }
    // Rows for which `test` holds are drawn grey and struck through.
    void setRowDimmed(std::function<bool(int row)> test) { dimmed_ = std::move(test); }
    bool isRowDimmed(int row) const { return dimmed_ && dimmed_(row); }
    // A row's own hint, shown over its cells; an empty one leaves the grid's.
    void setRowHint(std::function<QString(int row)> hint) { hint_ = std::move(hint); }
    void reload();
    void currentRowMoved(int previous, int current);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TTable* table_ = nullptr;
    QList<GridColumn> columns_;
    QList<int> fieldIndexes_;
    std::function<bool(int row)> dimmed_;
    std::function<QString(int row)> hint_;
};

// A data grid over a data source: whole-row selection, a row indicator, no
// cell editing and no rows added from the keyboard. Clicking or moving with
// the keys moves the table's current row; Ctrl+Delete asks to delete it.
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    TDBGrid(QWidget* parent, const QString& objectName);

    void setDataSource(TDataSource* source); // nullptr detaches
    TDataSource* dataSource() const { return source_; }
    void setColumns(const QList<GridColumn>& columns);
    DBGridModel* gridModel() const { return model_; }

signals:
    void cellClicked();        // a click in a data cell, after the row moved
    void keyReleased(int key); // any key released while the grid has the focus
    void deleteRequested();    // Ctrl+Delete on a non-empty list
    void contentsShown();      // the grid shows fresh rows of its data source

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void reloadRows();
    void followCurrentRow();
    void markCurrentRow(int row);
    void onViewRowChanged(const QModelIndex& current);
    void applyColumnWidths();

    DBGridModel* model_;
    TDataSource* source_ = nullptr;
    QList<QMetaObject::Connection> connections_;
    int shownRow_ = -1;
    int column_ = 0; // the current cell's column, kept while the grid is out of focus
    bool syncing_ = false;
};

} // namespace ink
