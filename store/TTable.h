#pragma once
#include <functional>
#include <memory>
#include <QList>
#include <QObject>
#include <QVariant>

#include "TableDef.h"

namespace ink {

class Database;
class TDataSource;
class TField;

// A table of the store with a cursor, as the commands and widgets see it.
//
// The table holds the rows of its scope in memory (loaded by one prepared
// query whenever the scope changes), a current row, a state, and while
// editing or inserting a pending row. A detail table's scope is the rows whose
// link fields equal its master's current row; a table without master sees the
// whole table. Rows are ordered by the primary index.
//
// Cursor rules:
// - Moving (first, next, prior, last, moveTo, locate, append) finishes a
//   pending change first: posted if changed, abandoned if not.
// - When a master's current row moves or is posted, each detail finishes its
//   own pending change the same way, then takes the new scope (on its first
//   row) if the link values differ, else keeps its current row.
// - Errors are UserError with the engine's text; a failed post keeps the row
//   pending.
class TTable : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Browsing, Editing, Inserting };

    TTable(TableDef definition, QObject* owner, const QString& objectName);
    ~TTable() override;

    const TableDef& definition() const { return def_; }

    // Where the table's database comes from (the data module resolves its
    // alias); asked for at open and create.
    void setDatabaseProvider(std::function<Database&()> provider);
    Database& database() const;

    // Makes this table a detail of `master`: its link fields (same names in
    // both tables, e.g. {"DocNo", "UnitNo"}) follow the master's current row.
    void setMasterSource(TDataSource* master, const QStringList& linkFields);

    // Lifecycle. open() fails (UserError) when the table does not exist
    // (TableMissing) or its layout differs from the definition; it never
    // changes the stored table. create() makes the empty table.
    void open();
    void create();
    void close();
    bool isOpen() const { return state_ != State::Closed; }
    State state() const { return state_; }

    // Navigation within the scope.
    void first();
    void next();
    void prior();
    void last();
    void moveTo(int row); // 0-based row of the scope
    bool eof() const;     // true once next() was tried on the last row, or when empty
    int recordCount() const;
    int recNo() const; // 0-based current row, -1 when the scope is empty
    bool isEmpty() const { return recordCount() == 0; }

    // Any row of the scope, for list views (row 0-based, field by position).
    QVariant rowValue(int row, int field) const;

    int fieldCount() const;
    TField* field(int index) const;
    TField* fieldByName(const QString& name) const; // any letter case; throws when unknown

    // Editing.
    void edit(); // on an empty scope starts a new row (inserting)
    void setFieldValue(int field, const QVariant& value); // cuts text to width
    void post();   // writes the pending row, even unchanged; refuses empty required fields
    void cancel(); // abandons the pending row
    bool isModified() const;

    // Writes a new row at once from values in field order (missing or null
    // values stay empty; auto-numbers filled by the store); it becomes current.
    void append(const QVariantList& values);

    // First row of the scope whose text field equals `value` as a whole,
    // ignoring letter case; it becomes current. False leaves the row alone.
    bool locate(const QString& fieldName, const QString& value);

    // Removes the current row; the next (or previous, or none) becomes current.
    // While inserting, abandons the new row instead. Empty scope: UserError
    // "Cannot perform this operation on an empty dataset".
    void deleteRow();
    // As deleteRow(), and also removes every row below it in the detail
    // tables (a unit's routines; a document's units and their routines).
    void deleteWithDetails();

    // Reloads the scope from the store, keeping the current row where it still exists.
    void refresh();
    // Reads the current row again as the store holds it now (another user's
    // change) and returns those values. While editing, what the user typed
    // stays pending, and the next post writes it over the version just read
    // (the user has seen it); while browsing, the row shows the new version.
    // Throws RowChanged when the row is gone.
    QVariantList refreshRow();
    // Reads this scope and every detail's again, keeping the current row and
    // a pending row as they are: after others changed the store, or after
    // the store lost writes this table already shows (a failed commit).
    void reloadKeepingPending();

    // Value of a field of the current (or pending) row; null without one.
    QVariant currentValue(int field) const;

signals:
    void currentChanged();        // the current row moved or the scope changed
    void dataChanged();           // rows of the scope were written, added, removed or reloaded
    void stateChanged();          // browsing / editing / inserting / closed
    void fieldChanged(int field); // a value of the pending row was set

private:
    struct Impl;
    void requireOpen() const;
    void removeCurrent(bool withDetails);

    TableDef def_;
    State state_ = State::Closed;
    std::unique_ptr<Impl> d_;
};

} // namespace ink
