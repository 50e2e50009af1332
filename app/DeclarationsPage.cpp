#include "DeclarationsPage.h"

#include <algorithm>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "DBMemo.h"
#include "docs/CoverageCommands.h"
#include "ErrorGuard.h"
#include "FixedPitchFont.h"
#include "scan/PathParts.h"
#include "store/Coverage.h"
#include "store/DeclarationDescriptions.h"
#include "store/MissingRows.h"
#include "store/TDataSource.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "store/UndescribedDeclarations.h"

namespace ink {

namespace {

constexpr int DeclNoRole = Qt::UserRole;

// Types with their members first, as a reader of the unit meets its API,
// then the unit's routines, constants and variables.
int sectionOf(const QString& kind) {
    static const QStringList routines{"procedure", "function", "constructor", "destructor",
                                      "operator"};
    static const QStringList constants{"const", "resourcestring"};
    static const QStringList variables{"var", "threadvar", "field", "property"};
    if (routines.contains(kind))
        return 1;
    if (constants.contains(kind))
        return 2;
    if (variables.contains(kind))
        return 3;
    return 0;
}

QLabel* note(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->hide();
    return label;
}

} // namespace

DeclarationsPage::DeclarationsPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DeclarationsPage"));
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(8, 4, 8, 4);
    columns->setSpacing(6);

    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    unitLabel_ = new QLabel(this);
    unitLabel_->setObjectName(QStringLiteral("DeclarationsUnit"));
    left->addWidget(unitLabel_);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("DeclarationsTree"));
    tree_->setAccessibleName(QStringLiteral("Declarations"));
    tree_->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Kind"), QStringLiteral("Visibility")});
    tree_->setUniformRowHeights(true);
    tree_->setAllColumnsShowFocus(true);
    // The name takes what the kind and the visibility leave: an overload's
    // parameters need the room, and a column of "protected" needs no more
    // than that word. What is still cut is in the name's tip.
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    tree_->setColumnWidth(KindColumn, 84);
    tree_->setColumnWidth(VisibilityColumn,
                          tree_->fontMetrics().horizontalAdvance(QStringLiteral("protected")) + 14);
    tree_->setIndentation(10);
    unitLabel_->setBuddy(tree_);
    left->addWidget(tree_);
    // The tree takes the larger share: its three columns want the room more
    // than the declaration, which wraps.
    columns->addLayout(left, 3);

    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    auto* declarationLabel = new QLabel(QStringLiteral("&Declaration:"), this);
    declarationLabel->setObjectName(QStringLiteral("DeclarationLabel"));
    right->addWidget(declarationLabel);
    declaration_ = new QPlainTextEdit(this);
    declaration_->setObjectName(QStringLiteral("DeclarationText"));
    declaration_->setReadOnly(true);
    // Read-only, yet the keys reach it, so its text can be read and copied.
    declaration_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    declaration_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    declaration_->setFont(fixedPitchFont(11));
    declaration_->setFixedHeight(62);
    declarationLabel->setBuddy(declaration_);
    right->addWidget(declaration_);

    changedNote_ = note(this, QStringLiteral("SignatureChanged"));
    QPalette warn = changedNote_->palette();
    warn.setColor(QPalette::WindowText, QColor(0xa0, 0x30, 0x00));
    changedNote_->setPalette(warn);
    right->addWidget(changedNote_);
    markReviewed_ = new QPushButton(QStringLiteral("Mark &Reviewed"), this);
    markReviewed_->setObjectName(QStringLiteral("MarkReviewed"));
    markReviewed_->hide();
    right->addWidget(markReviewed_, 0, Qt::AlignLeft);

    auto* descriptionLabel = new QLabel(QStringLiteral("Desc&ription:"), this);
    descriptionLabel->setObjectName(QStringLiteral("DeclarationDescriptionLabel"));
    right->addWidget(descriptionLabel);
    sharedNote_ = note(this, QStringLiteral("SharedDescriptionNote"));
    QPalette grey = sharedNote_->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    sharedNote_->setPalette(grey);
    right->addWidget(sharedNote_);
    description_ = new TDBMemo(this, QStringLiteral("DeclarationDescription"));
    description_->setToolTip(QStringLiteral("Right click here to checkspell the text !"));
    descriptionLabel->setBuddy(description_);
    right->addWidget(description_, 1);
    columns->addLayout(right, 2);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("DeclarationDescriptionMenu"));
    spellIt_ = menu_->addAction(QStringLiteral("&Spell It!"));
    spellIt_->setObjectName(QStringLiteral("DeclarationSpellIt"));
    menu_->addSeparator();
    insertSeparator_ = menu_->addAction(QStringLiteral("Insert a separator line"));
    insertSeparator_->setObjectName(QStringLiteral("DeclarationInsertSeparator"));
    selectAll_ = menu_->addAction(QStringLiteral("Select All\tCtrl+A"));
    selectAll_->setObjectName(QStringLiteral("DeclarationSelectAll"));
    description_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(description_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // The menu's commands act on the editor, which takes the focus first.
        description_->setFocus(Qt::OtherFocusReason);
        menu_->popup(description_->viewport()->mapToGlobal(at));
    });
    connect(selectAll_, &QAction::triggered, description_, &QPlainTextEdit::selectAll);
    connect(description_, &TDBMemo::exited, this, &DeclarationsPage::descriptionExited);
    connect(markReviewed_, &QPushButton::clicked, this,
            [this] { guarded([this] { markReviewed(); }); });
    // Moving to another row stores what was typed in the last one, which may fail.
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { guarded([&] { itemChosen(item); }); });
}

void DeclarationsPage::bindDataModule(TDM1* dm) {
    dm_ = dm;
    description_->setDataField(QStringLiteral("Description"));
    setAttached(true);
    connect(dm_->dsDecls, &TDataSource::currentChanged, this, [this] {
        if (attached_ && isVisible())
            guarded([this] {
                rebuildIfChanged();
                selectCurrentRow();
                showDetails();
            });
    });
    for (TDataSource* source : {dm_->dsDecls, dm_->dsDocs})
        connect(source, &TDataSource::dataChanged, this, [this] {
            if (attached_ && isVisible())
                guarded([this] {
                    rebuildIfChanged();
                    showDetails();
                });
        });
}

void DeclarationsPage::setAttached(bool attached) {
    attached_ = attached;
    description_->setDataSource(attached && dm_ ? dm_->dsDecls : nullptr);
    if (attached)
        showDeclarations();
}

void DeclarationsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    showDeclarations();
}

void DeclarationsPage::showDeclarations() {
    if (!isVisible())
        return;
    rebuild();
    selectCurrentRow();
    showDetails();
}

int DeclarationsPage::rowOf(int declNo) const {
    const TTable& table = *dm_->tblDecls;
    const int field = dm_->tblDeclsDeclNo->index();
    for (int row = 0; row < table.recordCount(); ++row)
        if (table.rowValue(row, field).toInt() == declNo)
            return row;
    return -1;
}

// What the tree shows of the table: the unit, and per row what places and
// names it. A description typed or a row stored changes none of it.
QString DeclarationsPage::scopeKey() const {
    QString key;
    const TTable& table = *dm_->tblDecls;
    if (!table.isOpen() || !dm_->tblUnits->isOpen())
        return key;
    key = dm_->tblUnitsUnitNo->asString() + dm_->tblUnitsUnitName->asString();
    for (int row = 0; row < table.recordCount(); ++row) {
        for (TField* field : {dm_->tblDeclsDeclNo, dm_->tblDeclsParentNo, dm_->tblDeclsDeclKind,
                              dm_->tblDeclsDeclName, dm_->tblDeclsVisibility,
                              dm_->tblDeclsOverloadKey, dm_->tblDeclsSourceLine})
            key += QChar(1) + table.rowValue(row, field->index()).toString();
        key += RowLeftTheSource(*dm_, table, row) ? QChar('x') : QChar('-');
    }
    return key;
}

void DeclarationsPage::rebuildIfChanged() {
    if (scopeKey() != shownKey_)
        rebuild();
}

void DeclarationsPage::rebuild() {
    const QScopedValueRollback following(following_, true);
    tree_->clear();
    items_.clear();
    shownKey_.clear();
    routineDescriptions_.clear();
    if (!dm_ || !attached_ || !dm_->tblDecls->isOpen() || !dm_->tblUnits->isOpen() ||
        dm_->tblUnits->recordCount() == 0) {
        unitLabel_->setText(QStringLiteral("No unit chosen"));
        tree_->setAccessibleName(QStringLiteral("Declarations"));
        return;
    }
    const QString unitName = FileNamePart(dm_->tblUnitsUnitName->asString());
    unitLabel_->setText(QStringLiteral("Declarations of %1:").arg(unitName));
    tree_->setAccessibleName(QStringLiteral("Declarations of %1").arg(unitName));
    routineDescriptions_ = RoutineDescriptions(dm_->database(), dm_->tblUnitsDocNo->asInteger(),
                                               dm_->tblUnitsUnitNo->asInteger())
                               .value(dm_->tblUnitsUnitNo->asInteger());

    const TTable& table = *dm_->tblDecls;
    auto value = [&table](int row, TField* field) {
        return table.rowValue(row, field->index());
    };
    struct Row {
        int row, declNo, parentNo, section, fileRank, line;
    };
    QList<Row> rows;
    QHash<QString, int> fileRanks; // files in the order their first declaration was read
    QHash<QString, int> namesakes; // parent, name, kind group: how many share them
    for (int row = 0; row < table.recordCount(); ++row) {
        const QString file = value(row, dm_->tblDeclsSourceFile).toString();
        if (!fileRanks.contains(file))
            fileRanks.insert(file, int(fileRanks.size()));
        const QString kind = value(row, dm_->tblDeclsDeclKind).toString();
        const int parentNo = value(row, dm_->tblDeclsParentNo).toInt();
        // A type's members keep their source order, whatever their kind.
        const int section = parentNo ? 0 : sectionOf(kind);
        rows.append({row, value(row, dm_->tblDeclsDeclNo).toInt(), parentNo, section,
                     fileRanks.value(file), value(row, dm_->tblDeclsSourceLine).toInt()});
        namesakes[QString::number(parentNo) + QChar(1) +
                  value(row, dm_->tblDeclsDeclName).toString().toCaseFolded() + QChar(1) +
                  QString::number(sectionOf(kind))] += 1;
    }
    // Source order within each section; a declaration a refresh added later
    // still stands where it is written.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return std::tie(a.section, a.fileRank, a.line, a.declNo) <
               std::tie(b.section, b.fileRank, b.line, b.declNo);
    });
    for (const Row& r : rows) {
        const QString name = value(r.row, dm_->tblDeclsDeclName).toString();
        const QString kind = value(r.row, dm_->tblDeclsDeclKind).toString();
        QString shown = name;
        // Overloads apart: each says which parameters it takes.
        if (namesakes.value(QString::number(r.parentNo) + QChar(1) + name.toCaseFolded() +
                            QChar(1) + QString::number(sectionOf(kind))) > 1)
            shown += QChar('(') + value(r.row, dm_->tblDeclsOverloadKey).toString() + QChar(')');
        auto* item =
            new QTreeWidgetItem({shown, kind, value(r.row, dm_->tblDeclsVisibility).toString()});
        item->setData(NameColumn, DeclNoRole, r.declNo);
        // The unit's own file is stored as an empty SourceFile; only an
        // include file is named in the row.
        const QString sourceFile = value(r.row, dm_->tblDeclsSourceFile).toString();
        item->setToolTip(NameColumn,
                         QStringLiteral("%1\n%2:%3")
                             .arg(shown, sourceFile.isEmpty() ? unitName : FileNamePart(sourceFile),
                                  QString::number(r.line)));
        if (RowLeftTheSource(*dm_, table, r.row)) {
            for (int column = 0; column < 3; ++column) {
                QFont font = item->font(column);
                font.setStrikeOut(true);
                item->setFont(column, font);
                item->setForeground(column, QColor(Qt::gray));
            }
            item->setToolTip(KindColumn, QStringLiteral("Left the source"));
        }
        items_.insert(r.declNo, item);
    }
    // Members under their types; a member whose type is gone stands at unit level.
    for (const Row& r : rows) {
        QTreeWidgetItem* item = items_.value(r.declNo);
        QTreeWidgetItem* parent = r.parentNo ? items_.value(r.parentNo) : nullptr;
        if (parent && parent != item)
            parent->addChild(item);
        else
            tree_->addTopLevelItem(item);
    }
    tree_->expandAll();
    // A store made before declarations were kept gets them at the document's
    // next refresh; till then a unit with routines shows none, and says why.
    if (table.recordCount() == 0 && hasRoutines())
        unitLabel_->setText(
            QStringLiteral("Declarations of %1: not read yet; Refresh reads them.").arg(unitName));
    shownKey_ = scopeKey();
}

void DeclarationsPage::selectCurrentRow() {
    if (!dm_ || !dm_->tblDecls->isOpen() || dm_->tblDecls->recordCount() == 0)
        return;
    QTreeWidgetItem* item = items_.value(dm_->tblDeclsDeclNo->asInteger());
    if (!item || item == tree_->currentItem())
        return;
    const QScopedValueRollback following(following_, true);
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item);
}

void DeclarationsPage::itemChosen(QTreeWidgetItem* item) {
    if (following_ || !item || !dm_)
        return;
    const int row = rowOf(item->data(NameColumn, DeclNoRole).toInt());
    if (row >= 0 && row != dm_->tblDecls->recNo()) {
        const QScopedValueRollback following(following_, true);
        dm_->tblDecls->moveTo(row);
    }
    showDetails();
}

void DeclarationsPage::showDetails() {
    const bool hasRow = dm_ && attached_ && dm_->tblDecls->isOpen() &&
                        dm_->tblDecls->recordCount() > 0 &&
                        items_.contains(dm_->tblDeclsDeclNo->asInteger());
    if (!hasRow) {
        declaration_->clear();
        description_->setPlaceholderText({});
        sharedNote_->hide();
        changedNote_->hide();
        markReviewed_->hide();
        return;
    }
    declaration_->setPlainText(dm_->tblDeclsDeclaration->asString());
    // Read again each time: the Procedures page may have changed the words shared.
    routineDescriptions_ = RoutineDescriptions(dm_->database(), dm_->tblDeclsDocNo->asInteger(),
                                               dm_->tblDeclsUnitNo->asInteger())
                               .value(dm_->tblDeclsUnitNo->asInteger());
    const QString name = dm_->tblDeclsDeclName->asString();
    const DeclarationDescription shown =
        DescriptionShown(dm_->tblDeclsDeclKind->asString(), name,
                         dm_->tblDeclsDescription->asString(), routineDescriptions_);
    // The shared words stand greyed in the empty editor: the first key typed
    // gives the declaration a description of its own.
    description_->setPlaceholderText(shown.shared ? shown.text : QString());
    sharedNote_->setVisible(shown.shared);
    sharedNote_->setText(shown.shared ? QStringLiteral("Shared with the routine %1 of the "
                                                       "Procedures page; typing here gives "
                                                       "this declaration its own.")
                                            .arg(name)
                                      : QString());
    description_->setAccessibleDescription(
        shown.shared ? QStringLiteral("Shows the shared description: ") + shown.text : QString());
    const QString changedFrom = dm_->tblDeclsChangedFrom->asString();
    const bool changed = !changedFrom.isEmpty();
    changedNote_->setText(changed ? QStringLiteral("Signature changed: was %1").arg(changedFrom)
                                  : QString());
    changedNote_->setVisible(changed);
    markReviewed_->setVisible(changed);
    // The note is no stop of the keys: the button says it to a screen reader.
    markReviewed_->setAccessibleDescription(changedNote_->text());
}

void DeclarationsPage::markReviewed() {
    if (!dm_ || !dm_->tblDecls->isOpen() || dm_->tblDecls->recordCount() == 0)
        return;
    dm_->tblDecls->edit();
    dm_->tblDeclsChangedFrom->setValue(QVariant());
    dm_->tblDecls->post();
    showDetails();
    description_->setFocus(Qt::OtherFocusReason);
}

QList<QTreeWidgetItem*> DeclarationsPage::itemsInOrder() const {
    QList<QTreeWidgetItem*> order;
    QList<QTreeWidgetItem*> pending;
    for (int i = tree_->topLevelItemCount() - 1; i >= 0; --i)
        pending.append(tree_->topLevelItem(i));
    while (!pending.isEmpty()) {
        QTreeWidgetItem* item = pending.takeLast();
        order.append(item);
        for (int i = item->childCount() - 1; i >= 0; --i)
            pending.append(item->child(i));
    }
    return order;
}

bool DeclarationsPage::hasRoutines() const {
    const TTable& routines = *dm_->tblProc;
    if (!routines.isOpen())
        return false;
    for (int row = 0; row < routines.recordCount(); ++row)
        if (!IsPlaceholderRoutine(routines.rowValue(row, dm_->tblProcProcName->index()).toString()))
            return true;
    return false;
}

bool DeclarationsPage::undescribedAt(int row) const {
    const TTable& table = *dm_->tblDecls;
    if (row < 0 || RowLeftTheSource(*dm_, table, row))
        return false;
    const DeclarationDescription shown = DescriptionShown(
        table.rowValue(row, dm_->tblDeclsDeclKind->index()).toString(),
        table.rowValue(row, dm_->tblDeclsDeclName->index()).toString(),
        table.rowValue(row, dm_->tblDeclsDescription->index()).toString(), routineDescriptions_);
    return !IsDescribed(shown.text);
}

bool DeclarationsPage::goToNextUndescribed() {
    if (!dm_ || !attached_ || !dm_->tblDocs->isOpen() || dm_->tblDocs->recordCount() == 0 ||
        dm_->tblUnits->recordCount() == 0)
        return false;
    // What is being typed counts: the row is stored before the search.
    dm_->postPendingEdits();
    rebuild();
    auto firstUndescribed = [this](qsizetype from) -> QTreeWidgetItem* {
        const QList<QTreeWidgetItem*> order = itemsInOrder();
        for (qsizetype i = from; i < order.size(); ++i)
            if (undescribedAt(rowOf(order.at(i)->data(NameColumn, DeclNoRole).toInt())))
                return order.at(i);
        return nullptr;
    };
    auto choose = [this](QTreeWidgetItem* item) {
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item);
        return true;
    };
    const int currentDecl = dm_->tblDecls->recordCount() > 0 ? dm_->tblDeclsDeclNo->asInteger() : 0;
    const qsizetype here = itemsInOrder().indexOf(items_.value(currentDecl));
    if (QTreeWidgetItem* item = firstUndescribed(here + 1))
        return choose(item);
    const QSet<int> units =
        UnitsWithUndescribedDeclarations(dm_->database(), dm_->tblDocsDocNo->asInteger());
    TTable& unitTable = *dm_->tblUnits;
    const int count = unitTable.recordCount();
    const int start = unitTable.recNo();
    // Every other unit in list order, then the current one from its top.
    for (int step = 1; step <= count; ++step) {
        const int row = (start + step) % count;
        if (!units.contains(unitTable.rowValue(row, dm_->tblUnitsUnitNo->index()).toInt()))
            continue;
        if (row != unitTable.recNo())
            unitTable.moveTo(row);
        rebuild();
        if (QTreeWidgetItem* item = firstUndescribed(0))
            return choose(item);
    }
    return false;
}

bool DeclarationsPage::goToDeclaration(int docNo, int unitNo, int declNo) {
    if (!dm_ || !GoToPlace(*dm_, docNo, unitNo, 0))
        return false;
    const int row = rowOf(declNo);
    if (row < 0)
        return false;
    dm_->tblDecls->moveTo(row);
    showDeclarations();
    return true;
}

} // namespace ink
