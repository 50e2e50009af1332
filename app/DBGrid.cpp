#include "DBGrid.h"

#include <QScopedValueRollback>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ErrorGuard.h"
#include "store/TDataSource.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

namespace {
// Width a grid gives a field with no width of its own, as for a text of the
// field's size or a number.
int defaultWidthFor(const TTable* table, int field) {
    if (!table || field < 0)
        return 64;
    const FieldDef& def = table->definition().fields[field];
    return def.type == FieldType::Text ? qBound(40, def.size * 7, 300) : 72;
}
} // namespace

void DBGridModel::setTable(TTable* table) {
    beginResetModel();
    table_ = table;
    fieldIndexes_.clear();
    for (const GridColumn& c : columns_)
        fieldIndexes_.append(table_ ? table_->definition().indexOf(c.fieldName) : -1);
    endResetModel();
}

void DBGridModel::setColumns(QList<GridColumn> columns) {
    columns_ = std::move(columns);
    setTable(table_);
}

void DBGridModel::reload() {
    beginResetModel();
    endResetModel();
}

void DBGridModel::currentRowMoved(int previous, int current) {
    for (int row : {previous, current})
        if (row >= 0 && row < rowCount())
            emit headerDataChanged(Qt::Vertical, row, row);
}

int DBGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !table_ || !table_->isOpen())
        return 0;
    return table_->recordCount();
}

int DBGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant DBGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const GridColumn& column = columns_[index.column()];
    const int field = fieldIndexes_.value(index.column(), -1);
    switch (role) {
    case Qt::DisplayRole:
        return field < 0
                   ? QVariant()
                   : table_->field(field)->displayTextOf(table_->rowValue(index.row(), field));
    case Qt::BackgroundRole:
        return column.background.isValid() ? QVariant(column.background) : QVariant();
    case Qt::ForegroundRole:
        if (isRowDimmed(index.row()))
            return QColor(Qt::gray);
        return column.textColor.isValid() ? QVariant(column.textColor) : QVariant();
    case Qt::FontRole: {
        if (!isRowDimmed(index.row()))
            return column.font;
        QFont struck = column.font;
        struck.setStrikeOut(true);
        return struck;
    }
    case Qt::TextAlignmentRole:
        return int(column.alignment);
    case Qt::ToolTipRole: {
        const QString hint = hint_ ? hint_(index.row()) : QString();
        return hint.isEmpty() ? QVariant() : QVariant(hint);
    }
    default:
        return {};
    }
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section < columns_.size())
            return columns_[section].title;
        return {};
    }
    // Only the text is ours: other roles (font, colours) stay empty, so the
    // header uses its own. An empty string there would be a font description.
    if (role != Qt::DisplayRole)
        return {};
    if (!table_ || section != table_->recNo())
        return QString();
    // The row indicator: the current row, marked by the table's state.
    switch (table_->state()) {
    case TTable::State::Editing:
        return QStringLiteral("I");
    case TTable::State::Inserting:
        return QStringLiteral("*");
    default:
        return QStringLiteral("\u25B6");
    }
}

TDBGrid::TDBGrid(QWidget* parent, const QString& objectName)
    : QTableView(parent), model_(new DBGridModel(this)) {
    setObjectName(objectName);
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(17);
    verticalHeader()->setFixedWidth(12);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setHighlightSections(false);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { onViewRowChanged(current); });
}

void TDBGrid::setDataSource(TDataSource* source) {
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
    source_ = source;
    model_->setTable(source_ ? source_->dataSet() : nullptr);
    if (source_) {
        connections_ << connect(source_, &TDataSource::dataChanged, this, &TDBGrid::reloadRows)
                     << connect(source_, &TDataSource::currentChanged, this,
                                &TDBGrid::followCurrentRow)
                     << connect(source_, &TDataSource::stateChanged, this,
                                [this] { model_->currentRowMoved(shownRow_, shownRow_); });
    }
    reloadRows();
}

void TDBGrid::setColumns(const QList<GridColumn>& columns) {
    model_->setColumns(columns);
    applyColumnWidths();
}

void TDBGrid::applyColumnWidths() {
    const auto& columns = model_->columns();
    TTable* table = source_ ? source_->dataSet() : nullptr;
    for (int i = 0; i < columns.size(); ++i) {
        const int field = table ? table->definition().indexOf(columns[i].fieldName) : -1;
        setColumnWidth(i, columns[i].width > 0 ? columns[i].width : defaultWidthFor(table, field));
    }
}

void TDBGrid::reloadRows() {
    {
        const QScopedValueRollback syncing(syncing_, true);
        model_->reload();
    }
    applyColumnWidths();
    followCurrentRow();
}

void TDBGrid::followCurrentRow() {
    TTable* table = source_ ? source_->dataSet() : nullptr;
    const int row = table && table->isOpen() ? table->recNo() : -1;
    {
        // What the view does now is the grid following the table, not the user.
        const QScopedValueRollback syncing(syncing_, true);
        if (model_->rowCount() != (table && table->isOpen() ? table->recordCount() : 0))
            model_->reload(); // the scope changed under us (a master moved)
        markCurrentRow(row);
    }
    model_->currentRowMoved(shownRow_, row);
    shownRow_ = row;
    viewport()->update();
    emit contentsShown();
}

// The table's current row is the selected one. It is the view's current
// cell only while the grid has the focus: a screen reader takes the current
// cell for the focused object, and a list out of focus, or on a hidden page,
// must not claim the focus from the control that has it.
void TDBGrid::markCurrentRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        selectionModel()->clear();
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : column_;
    const QModelIndex index = model_->index(row, qMax(0, column));
    const auto rowSelected = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    if (hasFocus()) {
        selectionModel()->setCurrentIndex(index, rowSelected);
    } else {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        selectionModel()->select(index, rowSelected);
    }
    scrollTo(index);
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
    {
        const QScopedValueRollback syncing(syncing_, true);
        TTable* table = source_ ? source_->dataSet() : nullptr;
        if (table && table->isOpen() && table->recNo() >= 0 && table->recNo() < model_->rowCount())
            selectionModel()->setCurrentIndex(model_->index(table->recNo(), qMax(0, column_)),
                                              QItemSelectionModel::NoUpdate);
    }
    QTableView::focusInEvent(event);
}

void TDBGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    const QScopedValueRollback syncing(syncing_, true);
    if (currentIndex().isValid())
        column_ = currentIndex().column();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void TDBGrid::onViewRowChanged(const QModelIndex& current) {
    if (syncing_ || !source_ || !current.isValid())
        return;
    TTable* table = source_->dataSet();
    if (current.row() == table->recNo())
        return;
    if (!guarded([&] { table->moveTo(current.row()); }))
        followCurrentRow(); // the move was refused: show where the table really is
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    // Any button makes the row under the pointer current, so a right click
    // opens the pop-up menu for that row.
    if (index.isValid() && event->button() != Qt::LeftButton)
        setCurrentIndex(index);
    QTableView::mousePressEvent(event);
    if (index.isValid() && event->button() == Qt::LeftButton)
        emit cellClicked();
}

// The selected row is the current row, always: Ctrl with a click or a key
// would otherwise deselect it or move on without it, and a screen reader
// would then name another row than the one the editors show.
QItemSelectionModel::SelectionFlags TDBGrid::selectionCommand(const QModelIndex& index,
                                                              const QEvent*) const {
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        if (source_ && source_->dataSet()->isOpen() && source_->dataSet()->recordCount() > 0)
            emit deleteRequested();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::keyReleaseEvent(QKeyEvent* event) {
    QTableView::keyReleaseEvent(event);
    emit keyReleased(event->key());
}

} // namespace ink
