// inkwright-tool check --data DIR|--db URL
// Reads the whole store and reports what is damaged in it. Opening a store
// looks only at its header and schema, so that it costs the same for any
// size; this is the full look, for a user or a script that wants one.
// Prints "ok" and exits 0 for a sound store; else one line per problem and
// exit status 1.
#include "store/Database.h"
#include "store/StoreError.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {

int runCheck(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    QString storeProblem;
    const std::optional<StoreAddress> data = takeStoreOption(args, &storeProblem);
    if (!args.isEmpty() || !data) {
        err << usageWithProblem("check --data DIR|--db URL", storeProblem);
        return 2;
    }
    if (!data->isServer())
        requireDatabaseFile(data->folder);
    // Read-only: a check changes nothing, and a damaged store can still be
    // looked at.
    Database db(*data, {}, Database::Access::ReadOnly);
    QStringList problems;
    try {
        problems = db.checkIntegrity();
    } catch (const StoreDamaged&) {
        // A file too damaged to be read through: SQLite's own words.
        problems << db.backend().lastFailure();
    } catch (const UserError& error) {
        problems << error.message();
    }
    if (problems.isEmpty()) {
        out << "ok\n";
        return 0;
    }
    out.flush();
    err << "The store " << storeName(*data) << " is damaged:\n";
    for (const QString& problem : problems)
        err << "  " << problem << '\n';
    return 1;
}

const ToolCommandRegistration registration({
    QStringLiteral("check"),
    QStringLiteral("check --data DIR|--db URL   reads the whole store and reports damage"),
    runCheck,
});

} // namespace
