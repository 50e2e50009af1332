#pragma once
#include <memory>
#include <optional>
#include <QString>
#include <QTemporaryDir>

#include "store/StoreAddress.h"
#include "store/TDM1.h"

namespace ink {

class AliasRegistry;
class Database;

// The documentation store of a data directory or a server, opened for one
// command-line run. The alias lives only in memory: a script's store never
// re-points the user's own "Quillmark".
class ToolStore {
public:
    enum class Missing { Create, Refuse };
    // Opens the store of `dataDirectory`. Only a build creates the directory
    // and the tables when missing; every other command is refused there, with
    // nothing made. Throws UserError.
    explicit ToolStore(const QString& dataDirectory, Missing missing = Missing::Refuse);
    // The same for either kind of store; on a server, an empty database is
    // refused (or, for a build, made a store).
    explicit ToolStore(const StoreAddress& address, Missing missing = Missing::Refuse);
    ~ToolStore();
    TDM1& dm() { return *dm_; }

private:
    void pointAtFolder(const QString& dataDirectory, Missing missing);
    void pointAtServer(const StoreAddress& address, Missing missing);

    QTemporaryDir scratch_;
    std::shared_ptr<AliasRegistry> registry_;
    std::unique_ptr<TDM1> dm_;
};

// A store opened only to be read (coverage, search), as the report reads
// it: also in a folder the user may not write, and never changed. A store
// that an older version wrote lacks fields the readers need; it is opened
// as ToolStore opens it instead, which adds them.
class ReadOnlyToolStore {
public:
    explicit ReadOnlyToolStore(const StoreAddress& address); // throws UserError
    ~ReadOnlyToolStore();
    Database& database();

private:
    std::unique_ptr<Database> reader_;
    std::unique_ptr<ToolStore> writer_;
};

// Refuses (UserError) a data directory that holds no store: only a build
// makes one.
void requireDatabaseFile(const QString& dataDirectory);

// The value following `option` in `args` ("--data DIR"), removed from the
// list with it; empty when absent.
QString takeOption(QStringList& args, const QString& option);

// Where a command works: "--data DIR" or "--db postgresql://user@host:port/
// database" (or libpq's "host=... dbname=..."), exactly one, removed from
// `args`. Nothing, with `problem` saying why, when neither or both are given
// or the address is not usable; no problem repeats a password.
std::optional<StoreAddress> takeStoreOption(QStringList& args, QString* problem);

// What a command on one document is given: "DOCNO --data DIR|--db URL".
struct DocumentArguments {
    qint32 docNo = 0;
    StoreAddress store;
};

// Takes the store option from `args` and then the document number, which
// must be all that is left: the command takes its own options first.
// Nothing when they do not fit, with `problem` saying why the store option
// was refused, if it was; the command then prints its usage.
std::optional<DocumentArguments> takeDocumentArguments(QStringList& args, QString* problem);

// "There is no document number N in STORE."
QString noSuchDocument(qint32 docNo, const StoreAddress& store);

// Makes document `docNo` current; false when the store holds none of that number.
bool moveToDocument(TDM1& dm, int docNo);

// "usage: inkwright-tool USAGE", and on a line of its own why the store
// option was refused, if it was.
QString usageWithProblem(const QString& usage, const QString& problem);

// How messages name a store: its folder, or user@server/database.
QString storeName(const StoreAddress& address);

} // namespace ink
