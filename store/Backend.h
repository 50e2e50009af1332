#pragma once
#include <memory>
#include <QList>
#include <QString>
#include <QStringList>

#include "StoreError.h"
#include "TableDef.h"

namespace ink {

// What the table engine needs of a database engine, and no more: prepared
// statements, transactions, row counts, and the tables' layout. SQLite (one
// file beside the program) and PostgreSQL (a server a team shares) each
// implement it; everything above speaks only to Database and Statement.
//
// SQL above this line is written once, in the form both engines accept:
// parameters as ?1, ?2 ... (or plain ?), identifiers through quoted(). Where
// the engines differ (a row's own number, a null-safe comparison, an insert
// that hands back its auto-number, column types, savepoints, searching, how
// others' changes are noticed, what an error leaves of a batch) the
// back-end decides, and nothing above asks which engine it is.

enum class Dialect { Sqlite, Postgres };

class BackendStatement {
public:
    virtual ~BackendStatement() = default;

    // Parameters count from 1.
    virtual void bindNull(int parameter) = 0;
    virtual void bindInteger(int parameter, qint64 value) = 0;
    virtual void bindText(int parameter, const QString& text) = 0;

    // True while a result row is ready. Throws UserError on failure, with
    // the statement reset and its bindings cleared.
    virtual bool step() = 0;
    virtual void reset(bool keepBindings) = 0;

    virtual qint64 integerAt(int column) const = 0;
    virtual QString textAt(int column) const = 0;
    virtual bool isNullAt(int column) const = 0;

    // Rows the last run inserted, changed or deleted.
    virtual qint64 rowsChanged() const = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual Dialect dialect() const = 0;
    // How messages name the store: the file's path or user@server/database.
    virtual const QString& name() const = 0;

    virtual std::unique_ptr<BackendStatement> prepare(const QString& sql) = 0;
    virtual void exec(const QString& sql) = 0;

    virtual bool tableExists(const QString& table) = 0;
    virtual QStringList columnsOf(const QString& table) = 0;
    // SQL identifiers as the engine stores them.
    virtual QString quoted(const QString& name) const = 0;
    // The limit that takes every row, for a query that skips rows with
    // OFFSET, which needs a LIMIT before it: SQLite's -1, the server's ALL.
    virtual QString allRows() const = 0;

    // Write transactions. `transactionEnded` is true when the engine already
    // gave up the open transaction after an error: nothing of it will commit.
    virtual void begin() = 0;
    virtual bool transactionEnded() = 0;
    // False, with lastErrorText() set, when the commit failed; the
    // transaction is then over.
    virtual bool commit() = 0;
    virtual void rollbackQuietly() = 0;
    virtual bool inTransaction() = 0;
    // Savepoints: several writes kept together or not at all, inside a
    // transaction or, outside one, as a transaction of their own.
    virtual void beginSavepoint() = 0;
    // False, with lastErrorText() set, when the savepoint was a transaction
    // of its own and its commit failed: nothing of it was kept.
    virtual bool releaseSavepoint() = 0;
    virtual void rollBackSavepoint() = 0;
    // Whether a batch that an error ended still commits what was written
    // before the error (the embedded store: rows posted before it remain),
    // or keeps nothing of it (a server: a failed statement dooms the
    // transaction anyway, and half a run beside another user's is worse
    // than none).
    virtual bool keepsWritesBeforeAnError() const = 0;
    // A consistent read of the whole store for as long as the connection
    // lives (the report's pages and their count agree).
    virtual void beginSnapshot() = 0;

    // Rows written through this connection since it opened.
    virtual quint64 rowsWritten() = 0;
    // Moves whenever another connection commits a change.
    virtual qint64 dataVersion() = 0;
    // Whether other users write to the store while it is open (a server a
    // team shares): the data module then asks dataVersion() now and then.
    // The embedded store is this program's own.
    virtual bool othersWrite() const = 0;
    virtual QString lastErrorText() const = 0;
    // The reason of the last failure reported by a throw, kept because later
    // calls may clear the engine's own.
    const QString& lastFailure() const { return lastFailure_; }

    // The SQL that differs between the engines, for the table engine.
    // The column that numbers a table's rows (SQLite's rowid; on a server
    // the auto-number field).
    virtual QString rowIdColumn(const TableDef& def) const = 0;
    // A condition that holds when `column` equals the parameter, nulls equal.
    virtual QString holdsValue(const FieldDef& field, const QString& column,
                               const QString& parameter) const = 0;
    // Inserts one row from parameters ?1..?n in field order; a null
    // auto-number is filled.
    virtual QString insertSql(const TableDef& def) const = 0;
    // The statement of insertSql(): its first step yields the new row's
    // number as its one result column, however the engine learns it. An
    // engine far away may hold the rows of a transaction back and send many
    // in one go, as long as every other statement sees them written.
    virtual std::unique_ptr<BackendStatement> prepareInsert(const TableDef& def) {
        return prepare(insertSql(def));
    }

    // The table's layout: creating it, checking a stored one (returning the
    // trailing fields it lacks), adding those.
    virtual QStringList createStatements(const TableDef& def) = 0;
    virtual QList<FieldDef> verifyLayout(const TableDef& def) = 0;
    virtual void addFields(const TableDef& def, const QList<FieldDef>& fields) = 0;
    // After rows were written with numbers of their own (a copied store):
    // the auto-number goes on after the highest one.
    virtual void syncAutoNumbers(const TableDef& def) = 0;

    // Searching units and routines by the words of their names and
    // descriptions. Makes the engine's index when the store has none, from
    // the rows already there; from then on the writes keep it up to date.
    // An engine that needs no index does nothing.
    virtual void ensureSearchIndex() {}
    // False when the store has no index and none may be made (a store opened
    // only to read it): the caller then matches the rows itself.
    virtual bool canSearch() = 0;
    // The units and routines where each of `words` begins a word of the name
    // or the description, without regard to case, in list order, at most
    // `limit`. Columns: DocNo, DocName, UnitNo, UnitName, ProcNo (0 for a
    // unit), ProcName, Description.
    virtual std::unique_ptr<BackendStatement> searchStatement(const QStringList& words,
                                                              int limit) = 0;

    // The declarations where each of `words` may begin a word of the owner,
    // the name or the description, found through the engine's index, in list
    // order; the caller narrows them to the exact matches. Columns: DocNo,
    // DocName, UnitNo, UnitName, DeclNo, Owner, DeclName, Description,
    // DeclKind.
    // Null when the engine keeps no such index: the caller reads the rows.
    virtual std::unique_ptr<BackendStatement> declarationSearchStatement(const QStringList&) {
        return nullptr;
    }

    // Reads the whole store and returns what is damaged in it, empty when
    // nothing is. Its cost grows with the store, so it runs on request only.
    virtual QStringList checkIntegrity() = 0;
    // A look for damage whose cost stays small whatever the store's size: a
    // store of up to `fullCheckBytes` is read whole, a larger one in samples.
    // What is damaged, empty when nothing was found. A server keeps its own
    // pages whole and reports damage on the read that meets it.
    virtual QStringList checkBriefly(qint64 fullCheckBytes) {
        Q_UNUSED(fullCheckBytes);
        return {};
    }
    // Why the store was found damaged (a StoreDamaged was raised), empty
    // while it was not. It stays: nothing read from it can be trusted since.
    const QString& damage() const { return damage_; }
    // Keeps why, and throws StoreDamaged.
    [[noreturn]] void refuseAsDamaged(const QString& detail) const {
        damage_ = StoreDamaged::textFor(name(), detail);
        throw StoreDamaged(damage_);
    }

protected:
    mutable QString lastFailure_;
    mutable QString damage_;
};

} // namespace ink
