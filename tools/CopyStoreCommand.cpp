// inkwright-tool copy-store --from DIR|URL --to DIR|URL
// Moves a store: every document, unit and routine, with its numbers and all
// its fields, into an empty store (a folder without a database, or an empty
// server database), in one transaction that is kept only when the three
// tables' counts then match the source's. Prints documents, units and
// routines, tab-separated.
#include <QDir>

#include "store/Database.h"
#include "store/FieldValue.h"
#include "store/Savepoint.h"
#include "store/Statement.h"
#include "store/StoreAddress.h"
#include "store/TableStore.h"
#include "store/TDM1.h"
#include "store/UserError.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {

// A URL or a keyword/value string names a server; anything else is a data
// folder (one whose name starts "word=" is written "./word=...").
std::optional<StoreAddress> addressOf(const QString& text, QString* problem) {
    if (StoreAddress::namesServer(text))
        return StoreAddress::fromText(text, problem);
    return StoreAddress::local(QDir(text).absolutePath());
}

// A folder as two spellings of it compare: the real path once it exists; a
// folder not made yet has no real path, so its absolute path stands in.
QString folderIdentity(const QString& folder) {
    const QString real = QDir(folder).canonicalPath();
    return real.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : real;
}

qint64 rowCount(Database& db, const TableDef& def) {
    Statement count(db, QStringLiteral("SELECT COUNT(*) FROM %1").arg(db.quoted(def.name)));
    count.step();
    return count.integerAt(0);
}

// Every row of a table of the source, in its order, field by field; a field
// an older source lacks stays empty.
qint64 copyTable(Database& from, Database& to, const TableDef& def) {
    const QStringList present = from.columnsOf(def.name);
    QStringList columns;
    for (const FieldDef& field : def.fields)
        columns << (present.contains(field.name, Qt::CaseInsensitive) ? from.quoted(field.name)
                                                                      : QStringLiteral("NULL"));
    Statement rows(from, QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                             .arg(columns.join(QLatin1String(", ")), from.quoted(def.name),
                                  from.quoted(def.fields[0].name)));
    TableStore target(to, def, {});
    qint64 copied = 0;
    while (rows.step()) {
        QVariantList values;
        for (int i = 0; i < def.fields.size(); ++i)
            values << readValue(rows, i, def.fields[i]);
        target.insert(values);
        ++copied;
    }
    to.backend().syncAutoNumbers(def);
    return copied;
}

void requireEmpty(Database& db, const QString& name) {
    for (const TableDef& def : TDM1::tableDefinitions())
        if (db.tableExists(def.name) && rowCount(db, def) > 0)
            throw UserError(QStringLiteral("The store %1 is not empty (its table %2 holds rows); "
                                           "copy into a new folder or an empty database.")
                                .arg(name, def.name));
}

int runCopyStore(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const QString fromText = takeOption(args, QStringLiteral("--from"));
    const QString toText = takeOption(args, QStringLiteral("--to"));
    QString problem;
    std::optional<StoreAddress> from;
    std::optional<StoreAddress> to;
    if (!fromText.isEmpty() && !toText.isEmpty()) {
        from = addressOf(fromText, &problem);
        if (from)
            to = addressOf(toText, &problem);
    }
    if (!args.isEmpty() || !from || !to) {
        err << usageWithProblem(QStringLiteral("copy-store --from DIR|URL --to DIR|URL"), problem);
        return 2;
    }
    if (!from->isServer() && !to->isServer() &&
        folderIdentity(from->folder) == folderIdentity(to->folder))
        throw UserError(QStringLiteral("The source and the target are the same store."));

    Database source(*from, {}, Database::Access::ReadOnly);
    source.beginSnapshot();
    ToolStore target(*to, ToolStore::Missing::Create);
    Database& db = target.dm().database();

    QList<qint64> counts;
    {
        // Emptiness is checked under the write lock, so two copies into one
        // new store cannot both find it empty.
        Batch batch(db);
        requireEmpty(db, storeName(*to));
        Savepoint whole(db);
        for (const TableDef& def : TDM1::tableDefinitions()) {
            // A source made before the table was added has none of its rows.
            if (def.addedLater && !source.tableExists(def.name)) {
                counts << 0;
                continue;
            }
            qint64 copied = 0;
            try {
                copied = copyTable(source, db, def);
            } catch (const UserError& e) {
                // The savepoint undoes every row copied before, of every table.
                QString message = e.message();
                if (!message.endsWith(QLatin1Char('.')))
                    message += QLatin1Char('.');
                throw UserError(message + QStringLiteral(" Nothing was copied."));
            }
            const qint64 there = rowCount(source, def);
            if (copied != there || rowCount(db, def) != there)
                throw UserError(
                    QStringLiteral("The copy of %1 holds %2 rows, the source %3; "
                                   "nothing was copied.")
                        .arg(def.name, QString::number(rowCount(db, def)), QString::number(there)));
            counts << there;
        }
        whole.commit();
    }
    out << "documents\t" << counts[0] << "\tunits\t" << counts[1] << "\troutines\t" << counts[2]
        << "\tdeclarations\t" << counts[3] << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("copy-store"),
    QStringLiteral("copy-store --from DIR|URL --to DIR|URL   copy every document into an empty "
                   "store, numbers and descriptions kept"),
    runCopyStore,
});

} // namespace
