#include "TTable.h"

#include <algorithm>

#include "Database.h"
#include "FieldValue.h"
#include "Savepoint.h"
#include "ScopeCache.h"
#include "StoreError.h"
#include "TableSchema.h"
#include "TableStore.h"
#include "TDataSource.h"
#include "TField.h"

namespace ink {

namespace {

const char* const EmptyDataSet = "Cannot perform this operation on an empty dataset";
const char* const ClosedDataSet = "Cannot perform this operation on a closed dataset";
const char* const OpenDataSet = "Cannot perform this operation on an open dataset";
const char* const NotEditing = "Dataset not in edit or insert mode";

bool hasNull(const QVariantList& values) {
    return std::any_of(values.begin(), values.end(), [](const QVariant& v) { return v.isNull(); });
}

} // namespace

// Everything behind the cursor: the scope's rows, the current row, the
// pending row and the links to master and details.
struct TTable::Impl {
    TTable* q;
    std::function<Database&()> provider;
    Database* db = nullptr;
    std::unique_ptr<TableStore> store;
    QList<TField*> fields;
    QList<int> orderFields; // the primary index, as field positions

    TTable* master = nullptr;
    QList<int> linkFields;       // in this table
    QList<int> masterLinkFields; // the same fields in the master
    QList<TTable*> details;

    QVariantList scopeKey; // the master's link values the rows belong to
    bool scopeLoaded = false;
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    int current = -1;
    bool eof = true;

    Row pending; // while editing or inserting
    Row read;    // while editing: the row as it was when the edit began
    bool modified = false;

    ScopeCache cache;

    explicit Impl(TTable* table) : q(table) {}

    const TableDef& def() const { return q->def_; }
    int count() const { return int(rows->size()); }
    bool pendingRow() const { return q->state_ == State::Editing || q->state_ == State::Inserting; }

    // --- scope ---------------------------------------------------------

    QVariantList masterKey() const {
        QVariantList key;
        for (int field : masterLinkFields)
            key << (master ? master->currentValue(field) : QVariant());
        return key;
    }

    bool belongsToScope(const Row& row) const {
        if (!master)
            return true;
        if (hasNull(scopeKey))
            return false;
        for (int i = 0; i < linkFields.size(); ++i)
            if (compareValues(row.values[linkFields[i]], scopeKey[i]) != 0)
                return false;
        return true;
    }

    QVariantList keyOf(const Row& row) const {
        QVariantList key;
        for (int field : linkFields)
            key << row.values[field];
        return key;
    }

    std::shared_ptr<Rows> rowsOf(const QVariantList& key) {
        if (!master)
            return std::make_shared<Rows>(store->load({}));
        // Without a master row (none, or one not yet written) nothing is in scope.
        if (hasNull(key))
            return std::make_shared<Rows>();
        cache.revalidate(db->changeStamp(), db->dataVersion());
        if (auto kept = cache.find(key))
            return kept;
        auto loaded = std::make_shared<Rows>(store->load(key));
        cache.keep(key, loaded);
        return loaded;
    }

    // Takes the scope of `key` and puts the cursor on its first row.
    void takeScope(const QVariantList& key) {
        scopeKey = key;
        try {
            rows = rowsOf(key);
            scopeLoaded = true;
        } catch (...) {
            rows = std::make_shared<Rows>();
            scopeLoaded = false;
            current = -1;
            eof = true;
            throw;
        }
        current = rows->empty() ? -1 : 0;
        eof = rows->empty();
    }

    // A master moved, was posted or changed state.
    void followMaster() {
        if (!q->isOpen())
            return;
        finishPendingChange();
        const QVariantList key = masterKey();
        if (scopeLoaded && key == scopeKey)
            return;
        takeScope(key);
        emit q->dataChanged();
        currentMoved();
    }

    void currentMoved() {
        for (TTable* detail : details)
            detail->d_->followMaster();
        emit q->currentChanged();
    }

    void moveCurrent(int row) {
        eof = rows->empty();
        if (row != current)
            setCurrent(row);
    }

    // Also when the number stays: the rows under it shifted.
    void setCurrent(int row) {
        current = row;
        eof = rows->empty();
        currentMoved();
    }

    // --- pending changes ------------------------------------------------

    // Before the cursor moves: details first, then this table. A changed
    // pending row is posted, an unchanged one abandoned.
    void finishPendingChange() {
        finishDetailChanges();
        if (!pendingRow())
            return;
        if (modified)
            q->post();
        else
            q->cancel();
    }

    void finishDetailChanges() {
        for (TTable* detail : details)
            detail->d_->finishPendingChange();
    }

    Row newRow() const {
        Row row;
        row.values.resize(def().fields.size());
        const QVariantList key = masterKey();
        for (int i = 0; i < linkFields.size(); ++i)
            row.values[linkFields[i]] = key[i];
        return row;
    }

    void setState(State state) {
        if (q->state_ == state)
            return;
        q->state_ = state;
        emit q->stateChanged();
    }

    void dropPending() {
        pending = Row();
        read = Row();
        modified = false;
        setState(State::Browsing);
    }

    void refuseEmpty(const Row& row, bool requiredOnly) const {
        for (int i = 0; i < def().fields.size(); ++i) {
            // Only an empty value is looked up: every appended row comes here.
            if (!row.values[i].isNull())
                continue;
            const FieldDef& field = def().fields[i];
            const bool checked =
                requiredOnly ? field.required
                             : def().notNullFields.contains(field.name, Qt::CaseInsensitive);
            if (checked)
                throw UserError(QStringLiteral("Field '%1' must have a value").arg(field.name));
        }
    }

    // --- writing ---------------------------------------------------------

    // Writes `row` as a new row; fills its row id and auto-number.
    void insertRow(Row& row) {
        cache.checkBeforeOwnWrite(db->changeStamp());
        row.rowid = store->insert(row.values);
        const int autoField = autoNumberField(def());
        if (autoField >= 0)
            row.values[autoField] = int(row.rowid);
        cache.acceptOwnWrite(db->changeStamp());
    }

    void updateRow(const Row& read, const Row& row) {
        cache.checkBeforeOwnWrite(db->changeStamp());
        store->update(read, row.values);
        cache.acceptOwnWrite(db->changeStamp());
    }

    int sortedPosition(const Row& row) const {
        const auto before = [this](const Row& a, const Row& b) {
            for (int field : orderFields) {
                const int order = compareValues(a.values[field], b.values[field]);
                if (order != 0)
                    return order < 0;
            }
            return a.rowid < b.rowid;
        };
        // A row appended by a build has the highest number yet: it goes last,
        // found without a search.
        if (rows->empty() || !before(row, rows->back()))
            return count();
        return int(std::upper_bound(rows->begin(), rows->end(), row, before) - rows->begin());
    }

    // True when a posted row's link and order fields are those of the row it
    // replaces, so it stays at the current position.
    bool keepsItsPlace(const Row& row) const {
        const Row& was = (*rows)[current];
        for (const QList<int>* fields : {&linkFields, &orderFields})
            for (int field : *fields)
                if (compareValues(was.values[field], row.values[field]) != 0 ||
                    was.values[field].isNull() != row.values[field].isNull())
                    return false;
        return true;
    }

    // Puts a written row where it belongs in the scope; returns its position
    // there, or -1 when its link values took it out of the scope.
    int placeRow(const Row& row) {
        if (!belongsToScope(row)) {
            cache.forget(keyOf(row));
            return -1;
        }
        const int at = sortedPosition(row);
        rows->insert(rows->begin() + at, row);
        return at;
    }

    // After the scope was read again: the row that was current if it is
    // still there, else the one now at its place (or the last); -1 if none.
    int positionAfterReload(qint64 keptRowid, int oldPosition) const {
        for (int row = 0; row < count(); ++row)
            if ((*rows)[row].rowid == keptRowid)
                return row;
        return rows->empty() ? -1 : std::max(std::min(oldPosition, count() - 1), 0);
    }

    // Rows in memory may show writes the store no longer holds: read the
    // scope again, here and below, without touching a pending row (what the
    // user typed stays; its post will say if its row is gone).
    void reloadKeepingPending() {
        if (!q->isOpen())
            return;
        cache.clear();
        const qint64 keep = current >= 0 ? (*rows)[current].rowid : -1;
        const int oldPosition = current;
        scopeKey = master ? masterKey() : scopeKey;
        rows = master && hasNull(scopeKey) ? std::make_shared<Rows>()
                                           : std::make_shared<Rows>(store->load(scopeKey));
        scopeLoaded = true;
        current = positionAfterReload(keep, oldPosition);
        eof = rows->empty();
        emit q->dataChanged();
        for (TTable* detail : details)
            detail->d_->reloadKeepingPending();
        emit q->currentChanged();
    }

    void removeRowsBelow(const Row& row) {
        for (TTable* detail : details) {
            detail->requireOpen();
            Impl& below = *detail->d_;
            QVariantList key;
            for (int field : below.masterLinkFields)
                key << row.values[field];
            if (!below.details.isEmpty())
                for (const Row& child : below.store->load(key))
                    below.removeRowsBelow(child);
            below.store->removeScope(key);
        }
    }
};

TTable::TTable(TableDef definition, QObject* owner, const QString& objectName)
    : QObject(owner), def_(std::move(definition)), d_(std::make_unique<Impl>(this)) {
    setObjectName(objectName);
    for (int i = 0; i < def_.fields.size(); ++i)
        d_->fields << new TField(this, i, objectName + def_.fields[i].name);
    for (const QString& name : def_.primaryIndex.fields)
        d_->orderFields << def_.indexOf(name);
}

TTable::~TTable() {
    if (d_->master)
        d_->master->d_->details.removeOne(this);
    for (TTable* detail : d_->details)
        detail->d_->master = nullptr;
    d_->store.reset();
}

void TTable::setDatabaseProvider(std::function<Database&()> provider) {
    d_->provider = std::move(provider);
}

Database& TTable::database() const {
    if (!d_->provider)
        throw UserError(QStringLiteral("%1: no database is set").arg(objectName()));
    return d_->provider();
}

void TTable::setMasterSource(TDataSource* master, const QStringList& linkFields) {
    TTable* masterTable = master->dataSet();
    d_->linkFields.clear();
    d_->masterLinkFields.clear();
    for (const QString& name : linkFields) {
        d_->linkFields << fieldByName(name)->index();
        d_->masterLinkFields << masterTable->fieldByName(name)->index();
    }
    d_->master = masterTable;
    masterTable->d_->details << this;
}

// --- lifecycle ----------------------------------------------------------

void TTable::open() {
    if (isOpen())
        return;
    Database& db = database();
    if (!db.tableExists(def_.name))
        throw TableMissing(
            QStringLiteral("Table \"%1\" does not exist in \"%2\"").arg(def_.name, db.name()));
    // An older store gains the fields added since, all in one step.
    if (const QList<FieldDef> missing = verifyLayout(db, def_); !missing.isEmpty()) {
        Savepoint together(db);
        addFields(db, def_, missing);
        together.commit();
    }
    d_->store = std::make_unique<TableStore>(db, def_, d_->linkFields);
    d_->db = &db;
    state_ = State::Browsing;
    try {
        d_->takeScope(d_->masterKey());
    } catch (...) {
        d_->store.reset();
        state_ = State::Closed;
        throw;
    }
    emit stateChanged();
    emit dataChanged();
    d_->currentMoved();
}

void TTable::create() {
    if (isOpen())
        throw UserError(QString::fromLatin1(OpenDataSet));
    Database& db = database();
    Savepoint together(db);
    for (const QString& sql : createStatements(db, def_))
        db.exec(sql);
    together.commit();
}

void TTable::close() {
    if (!isOpen())
        return;
    d_->pending = Row();
    d_->modified = false;
    d_->rows = std::make_shared<Rows>();
    d_->current = -1;
    d_->eof = true;
    d_->scopeLoaded = false;
    d_->cache.clear();
    d_->store.reset();
    d_->db = nullptr;
    state_ = State::Closed;
    emit stateChanged();
    emit dataChanged();
    d_->currentMoved();
}

void TTable::requireOpen() const {
    if (!isOpen())
        throw UserError(QStringLiteral("%1: %2").arg(objectName(), ClosedDataSet));
}

// --- navigation ---------------------------------------------------------

void TTable::first() {
    requireOpen();
    d_->finishPendingChange();
    d_->moveCurrent(d_->rows->empty() ? -1 : 0);
}

void TTable::next() {
    requireOpen();
    d_->finishPendingChange();
    if (d_->current + 1 < d_->count())
        d_->moveCurrent(d_->current + 1);
    else
        d_->eof = true;
}

void TTable::prior() {
    requireOpen();
    d_->finishPendingChange();
    d_->moveCurrent(std::max(d_->current - 1, d_->rows->empty() ? -1 : 0));
}

void TTable::last() {
    requireOpen();
    d_->finishPendingChange();
    d_->moveCurrent(d_->count() - 1);
}

void TTable::moveTo(int row) {
    requireOpen();
    d_->finishPendingChange();
    d_->moveCurrent(d_->rows->empty() ? -1 : std::clamp(row, 0, d_->count() - 1));
}

bool TTable::eof() const {
    return d_->eof || d_->rows->empty();
}

int TTable::recordCount() const {
    return d_->count();
}

int TTable::recNo() const {
    return d_->current;
}

QVariant TTable::rowValue(int row, int field) const {
    if (row < 0 || row >= d_->count() || field < 0 || field >= fieldCount())
        return {};
    if (row == d_->current && state_ == State::Editing)
        return d_->pending.values[field];
    return (*d_->rows)[row].values[field];
}

int TTable::fieldCount() const {
    return int(def_.fields.size());
}

TField* TTable::field(int index) const {
    return d_->fields.value(index);
}

TField* TTable::fieldByName(const QString& name) const {
    const int index = def_.indexOf(name);
    if (index < 0)
        throw UserError(QStringLiteral("%1: Field '%2' not found").arg(objectName(), name));
    return d_->fields[index];
}

QVariant TTable::currentValue(int field) const {
    if (field < 0 || field >= fieldCount())
        return {};
    if (d_->pendingRow())
        return d_->pending.values[field];
    if (d_->current < 0)
        return {};
    return (*d_->rows)[d_->current].values[field];
}

// --- editing ------------------------------------------------------------

void TTable::edit() {
    requireOpen();
    if (state_ != State::Browsing)
        return;
    d_->modified = false;
    if (d_->current >= 0) {
        d_->pending = (*d_->rows)[d_->current];
        d_->read = d_->pending;
        d_->setState(State::Editing);
    } else {
        d_->pending = d_->newRow();
        d_->setState(State::Inserting);
    }
}

void TTable::setFieldValue(int field, const QVariant& value) {
    requireOpen();
    if (!d_->pendingRow())
        throw UserError(QStringLiteral("%1: %2").arg(objectName(), NotEditing));
    const FieldDef& def = def_.fields.at(field);
    if (def.type == FieldType::AutoInc)
        throw UserError(QStringLiteral("Field '%1' cannot be modified").arg(def.name));
    const QVariant stored = storedValue(def, value);
    QVariant& slot = d_->pending.values[field];
    if (stored.isNull() == slot.isNull() && compareValues(stored, slot) == 0)
        return;
    slot = stored;
    d_->modified = true;
    emit fieldChanged(field);
}

void TTable::post() {
    requireOpen();
    if (!d_->pendingRow())
        return;
    d_->finishDetailChanges();
    d_->refuseEmpty(d_->pending, true);
    Row row = d_->pending;
    const bool inserting = state_ == State::Inserting;
    if (inserting)
        d_->insertRow(row);
    else
        d_->updateRow(d_->read, row);

    // The row may move within the scope, or leave it when its link changed;
    // most posts change neither, and the row is replaced where it stands.
    int at = -1;
    if (!inserting && d_->keepsItsPlace(row)) {
        at = d_->current;
        (*d_->rows)[at] = row;
    } else {
        if (!inserting)
            d_->rows->erase(d_->rows->begin() + d_->current);
        at = d_->placeRow(row);
    }
    d_->dropPending();
    emit dataChanged();
    d_->setCurrent(at >= 0 ? at : std::min(d_->current, d_->count() - 1));
}

void TTable::cancel() {
    requireOpen();
    if (!d_->pendingRow())
        return;
    d_->dropPending();
    emit dataChanged();
}

bool TTable::isModified() const {
    return d_->modified;
}

void TTable::append(const QVariantList& values) {
    requireOpen();
    if (values.size() > fieldCount())
        throw UserError(QStringLiteral("%1: too many values").arg(objectName()));
    d_->finishPendingChange();
    Row row;
    row.values.resize(fieldCount());
    for (int i = 0; i < values.size(); ++i) {
        const FieldDef& field = def_.fields[i];
        if (field.type == FieldType::AutoInc && !values[i].isNull())
            throw UserError(QStringLiteral("Field '%1' cannot be modified").arg(field.name));
        row.values[i] = storedValue(field, values[i]);
    }
    d_->refuseEmpty(row, false);
    d_->insertRow(row);
    const int at = d_->placeRow(row);
    emit dataChanged();
    if (at >= 0)
        d_->setCurrent(at);
}

bool TTable::locate(const QString& fieldName, const QString& value) {
    requireOpen();
    const int field = fieldByName(fieldName)->index();
    d_->finishPendingChange();
    for (int row = 0; row < d_->count(); ++row) {
        if ((*d_->rows)[row].values[field].toString().compare(value, Qt::CaseInsensitive) == 0) {
            d_->moveCurrent(row);
            return true;
        }
    }
    return false;
}

void TTable::deleteRow() {
    removeCurrent(false);
}

void TTable::deleteWithDetails() {
    removeCurrent(true);
}

void TTable::removeCurrent(bool withDetails) {
    requireOpen();
    if (state_ == State::Inserting) {
        cancel();
        return;
    }
    if (d_->rows->empty())
        throw UserError(QString::fromLatin1(EmptyDataSet));
    d_->finishDetailChanges();
    const Row row = (*d_->rows)[d_->current];
    Database& db = *d_->db;
    d_->cache.checkBeforeOwnWrite(db.changeStamp());
    {
        Savepoint together(db);
        if (withDetails)
            d_->removeRowsBelow(row);
        d_->store->remove(row.rowid);
        together.commit();
    }
    d_->cache.acceptOwnWrite(db.changeStamp());
    d_->pending = Row();
    d_->modified = false;
    d_->setState(State::Browsing);

    const int position = d_->current;
    d_->rows->erase(d_->rows->begin() + position);
    emit dataChanged();
    d_->setCurrent(std::min(position, d_->count() - 1));
}

void TTable::reloadKeepingPending() {
    d_->reloadKeepingPending();
}

QVariantList TTable::refreshRow() {
    requireOpen();
    if (d_->current < 0 || state_ == State::Inserting)
        return d_->pendingRow() ? d_->pending.values : QVariantList();
    const qint64 rowid = (*d_->rows)[d_->current].rowid;
    const std::optional<Row> now = d_->store->loadRow(rowid);
    if (!now)
        throw RowChanged(QStringLiteral("This row of \"%1\" was deleted by another user. What "
                                        "you typed is kept: copy it, or cancel the change.")
                             .arg(def_.name));
    (*d_->rows)[d_->current] = *now;
    d_->cache.clear();
    if (state_ == State::Editing)
        d_->read = *now;
    emit dataChanged();
    return now->values;
}

void TTable::refresh() {
    requireOpen();
    d_->finishPendingChange();
    const qint64 keep = d_->current >= 0 ? (*d_->rows)[d_->current].rowid : -1;
    const int oldPosition = d_->current;
    d_->cache.clear();
    d_->takeScope(d_->master ? d_->masterKey() : d_->scopeKey);
    emit dataChanged();
    d_->setCurrent(d_->positionAfterReload(keep, oldPosition));
}

} // namespace ink
