// Searching on the embedded store: an FTS5 index over the names and
// descriptions, kept up to date by triggers on every write and by each
// batch for the rows it added.
#include "SqliteBackend.h"

#include <sqlite3.h>
#include <utility>
#include <vector>

#include "RoutineMarkers.h"

namespace ink {

namespace {

// Two external-content FTS5 tables, one over each table, so the index holds
// no copy of the text.
const char* const IndexTables = R"(
CREATE VIRTUAL TABLE UnitsSearch USING fts5(UnitName, Description, content='UnitsLib',
  content_rowid='UnitNo', tokenize="unicode61 tokenchars '_'", prefix='1 2 3');
CREATE VIRTUAL TABLE ProcsSearch USING fts5(ProcName, Description, content='ProcsLib',
  content_rowid='ProcNo', tokenize="unicode61 tokenchars '_'", prefix='1 2 3');
)";

// The triggers that keep the index in step with every write, whoever makes
// it. FTS5 writes out what it has gathered at every statement-level
// savepoint, and a trigger's statement has one: a row indexed by its own
// trigger costs ten times its share of one statement indexing many. So a
// batch (a build, a refresh, an import) notes in SearchDeferred how far each
// table was indexed when it began, the triggers leave rows past that mark
// alone, and the batch indexes them with one statement before it commits.
// The mark lives only inside the batch's transaction: a batch that is rolled
// back, or a process that dies, leaves no mark behind. Rows past the mark
// were never indexed, and an external-content index must never be told to
// delete a row it does not hold (it would subtract words it never counted),
// so the delete and update triggers heed the mark too. The update trigger
// fires only when a name or a description changed: a refresh stamps every
// routine, and should not rewrite the index for it.
const char* const IndexTriggers = R"(
CREATE TABLE SearchDeferred(TableName TEXT PRIMARY KEY, IndexedUpTo INTEGER NOT NULL);
CREATE TRIGGER UnitsSearchInsert AFTER INSERT ON UnitsLib
WHEN new.UnitNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
  WHERE TableName = 'UnitsLib'), new.UnitNo) BEGIN
  INSERT INTO UnitsSearch(rowid, UnitName, Description)
  VALUES (new.UnitNo, new.UnitName, new.Description);
END;
CREATE TRIGGER UnitsSearchDelete AFTER DELETE ON UnitsLib
WHEN old.UnitNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
  WHERE TableName = 'UnitsLib'), old.UnitNo) BEGIN
  INSERT INTO UnitsSearch(UnitsSearch, rowid, UnitName, Description)
  VALUES ('delete', old.UnitNo, old.UnitName, old.Description);
END;
CREATE TRIGGER UnitsSearchUpdate AFTER UPDATE ON UnitsLib
WHEN old.UnitName IS NOT new.UnitName OR old.Description IS NOT new.Description
  OR old.UnitNo IS NOT new.UnitNo BEGIN
  INSERT INTO UnitsSearch(UnitsSearch, rowid, UnitName, Description)
  SELECT 'delete', old.UnitNo, old.UnitName, old.Description
  WHERE old.UnitNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
    WHERE TableName = 'UnitsLib'), old.UnitNo);
  INSERT INTO UnitsSearch(rowid, UnitName, Description)
  SELECT new.UnitNo, new.UnitName, new.Description
  WHERE new.UnitNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
    WHERE TableName = 'UnitsLib'), new.UnitNo);
END;
CREATE TRIGGER ProcsSearchInsert AFTER INSERT ON ProcsLib
WHEN new.ProcNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
  WHERE TableName = 'ProcsLib'), new.ProcNo) BEGIN
  INSERT INTO ProcsSearch(rowid, ProcName, Description)
  VALUES (new.ProcNo, new.ProcName, new.Description);
END;
CREATE TRIGGER ProcsSearchDelete AFTER DELETE ON ProcsLib
WHEN old.ProcNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
  WHERE TableName = 'ProcsLib'), old.ProcNo) BEGIN
  INSERT INTO ProcsSearch(ProcsSearch, rowid, ProcName, Description)
  VALUES ('delete', old.ProcNo, old.ProcName, old.Description);
END;
CREATE TRIGGER ProcsSearchUpdate AFTER UPDATE ON ProcsLib
WHEN old.ProcName IS NOT new.ProcName OR old.Description IS NOT new.Description
  OR old.ProcNo IS NOT new.ProcNo BEGIN
  INSERT INTO ProcsSearch(ProcsSearch, rowid, ProcName, Description)
  SELECT 'delete', old.ProcNo, old.ProcName, old.Description
  WHERE old.ProcNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
    WHERE TableName = 'ProcsLib'), old.ProcNo);
  INSERT INTO ProcsSearch(rowid, ProcName, Description)
  SELECT new.ProcNo, new.ProcName, new.Description
  WHERE new.ProcNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
    WHERE TableName = 'ProcsLib'), new.ProcNo);
END;
)";

// The triggers of the stores made before batches indexed their own rows:
// they index every row as it is written.
const char* const OlderTriggers = R"(
DROP TRIGGER IF EXISTS UnitsSearchInsert; DROP TRIGGER IF EXISTS UnitsSearchDelete;
DROP TRIGGER IF EXISTS UnitsSearchUpdate; DROP TRIGGER IF EXISTS ProcsSearchInsert;
DROP TRIGGER IF EXISTS ProcsSearchDelete; DROP TRIGGER IF EXISTS ProcsSearchUpdate;
)";

const char* const FillIndex = R"(
INSERT INTO UnitsSearch(UnitsSearch) VALUES ('rebuild');
INSERT INTO ProcsSearch(ProcsSearch) VALUES ('rebuild');
)";

// The declarations' index, kept as the others are. Their names are single
// words and few have a description yet, so it holds no prefix tables, no
// word positions and no word counts per row (they serve only ranking, which
// a search here never asks for): a search asks only whether every word
// begins one there, and the build, which writes several declarations per
// routine, pays for no more than that. An index made before without
// columnsize=0 answers the same.
const char* const DeclsIndex = R"(
CREATE VIRTUAL TABLE DeclsSearch USING fts5(Owner, DeclName, Description, content='DeclsLib',
  content_rowid='DeclNo', tokenize="unicode61 tokenchars '_'", detail=none, columnsize=0);
CREATE TRIGGER DeclsSearchInsert AFTER INSERT ON DeclsLib
WHEN new.DeclNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
  WHERE TableName = 'DeclsLib'), new.DeclNo) BEGIN
  INSERT INTO DeclsSearch(rowid, Owner, DeclName, Description)
  VALUES (new.DeclNo, new.Owner, new.DeclName, new.Description);
END;
CREATE TRIGGER DeclsSearchDelete AFTER DELETE ON DeclsLib
WHEN old.DeclNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
  WHERE TableName = 'DeclsLib'), old.DeclNo) BEGIN
  INSERT INTO DeclsSearch(DeclsSearch, rowid, Owner, DeclName, Description)
  VALUES ('delete', old.DeclNo, old.Owner, old.DeclName, old.Description);
END;
CREATE TRIGGER DeclsSearchUpdate AFTER UPDATE ON DeclsLib
WHEN old.Owner IS NOT new.Owner OR old.DeclName IS NOT new.DeclName
  OR old.Description IS NOT new.Description OR old.DeclNo IS NOT new.DeclNo BEGIN
  INSERT INTO DeclsSearch(DeclsSearch, rowid, Owner, DeclName, Description)
  SELECT 'delete', old.DeclNo, old.Owner, old.DeclName, old.Description
  WHERE old.DeclNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
    WHERE TableName = 'DeclsLib'), old.DeclNo);
  INSERT INTO DeclsSearch(rowid, Owner, DeclName, Description)
  SELECT new.DeclNo, new.Owner, new.DeclName, new.Description
  WHERE new.DeclNo <= coalesce((SELECT IndexedUpTo FROM SearchDeferred
    WHERE TableName = 'DeclsLib'), new.DeclNo);
END;
INSERT INTO DeclsSearch(DeclsSearch) VALUES ('rebuild');
)";

// A batch's mark: every row there is now is in the index.
const char* const MarkIndexed = R"(
INSERT INTO SearchDeferred(TableName, IndexedUpTo)
SELECT 'UnitsLib', coalesce(max(UnitNo), 0) FROM UnitsLib UNION ALL
SELECT 'ProcsLib', coalesce(max(ProcNo), 0) FROM ProcsLib;
)";
const char* const MarkDeclsIndexed = R"(
INSERT INTO SearchDeferred(TableName, IndexedUpTo)
SELECT 'DeclsLib', coalesce(max(DeclNo), 0) FROM DeclsLib;
)";

// The rows a batch wrote past its mark, indexed as they stand at its end.
const char* const IndexPastMark = R"(
INSERT INTO UnitsSearch(rowid, UnitName, Description)
SELECT UnitNo, UnitName, Description FROM UnitsLib
WHERE UnitNo > (SELECT IndexedUpTo FROM SearchDeferred WHERE TableName = 'UnitsLib');
INSERT INTO ProcsSearch(rowid, ProcName, Description)
SELECT ProcNo, ProcName, Description FROM ProcsLib
WHERE ProcNo > (SELECT IndexedUpTo FROM SearchDeferred WHERE TableName = 'ProcsLib');
DELETE FROM SearchDeferred;
)";
const char* const IndexDeclsPastMark = R"(
INSERT INTO DeclsSearch(rowid, Owner, DeclName, Description)
SELECT DeclNo, Owner, DeclName, Description FROM DeclsLib
WHERE DeclNo > (SELECT IndexedUpTo FROM SearchDeferred WHERE TableName = 'DeclsLib');
)";

// A procedural type's row is no routine: the type is found as its declaration.
QString indexSearchSql() {
    return QStringLiteral("SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, 0, '', u.Description "
                          "FROM UnitsSearch s JOIN UnitsLib u ON u.UnitNo = s.rowid "
                          "JOIN DocsLib d ON d.DocNo = u.DocNo WHERE UnitsSearch MATCH ?1 "
                          "UNION ALL "
                          "SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, p.ProcNo, p.ProcName, "
                          "p.Description FROM ProcsSearch s JOIN ProcsLib p ON p.ProcNo = s.rowid "
                          "JOIN UnitsLib u ON u.UnitNo = p.UnitNo AND u.DocNo = p.DocNo "
                          "JOIN DocsLib d ON d.DocNo = p.DocNo WHERE ProcsSearch MATCH ?1 AND %1 "
                          "ORDER BY 1, 3, 5 LIMIT ?2")
        .arg(NotProcedureTypeMarkerSql(QStringLiteral("p.ProcName")));
}

const char* const IndexedDeclarationsSql =
    "SELECT s.DocNo, s.DocName, u.UnitNo, u.UnitName, d.DeclNo, d.Owner, d.DeclName, "
    "d.Description, d.DeclKind "
    "FROM DeclsSearch x JOIN DeclsLib d ON d.DeclNo = x.rowid "
    "JOIN UnitsLib u ON u.UnitNo = d.UnitNo AND u.DocNo = d.DocNo "
    "JOIN DocsLib s ON s.DocNo = d.DocNo WHERE DeclsSearch MATCH ?1 ORDER BY 1, 3, 5";

// Each word typed quoted (the query language is not the user's), as a prefix.
QString indexQuery(const QStringList& words) {
    QStringList terms;
    for (QString word : words)
        terms << QLatin1Char('"') + word.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                     QStringLiteral("\"*");
    return terms.join(QLatin1Char(' '));
}

} // namespace

// Made once, with the tables (or when an older store that has none is first
// opened for writing), so that no search ever waits for it to be built. A
// store whose index is kept row by row gains the batch-aware triggers; its
// index already holds every row and is kept as it is.
void SqliteBackend::ensureSearchIndex() {
    const bool indexed = tableExists(QStringLiteral("ProcsSearch"));
    const bool batchAware = tableExists(QStringLiteral("SearchDeferred"));
    // The declarations came later than the index: a store that has their
    // table and no index of them gains one, filled from the rows there.
    const bool declsWanted =
        tableExists(QStringLiteral("DeclsLib")) && !tableExists(QStringLiteral("DeclsSearch"));
    if (indexed && batchAware && !declsWanted)
        return;
    exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        if (!indexed || !batchAware) {
            if (indexed)
                exec(QString::fromLatin1(OlderTriggers));
            else
                exec(QString::fromLatin1(IndexTables));
            exec(QString::fromLatin1(IndexTriggers));
            if (!indexed)
                exec(QString::fromLatin1(FillIndex));
        }
        if (declsWanted)
            exec(QString::fromLatin1(DeclsIndex));
    } catch (...) {
        rollbackQuietly();
        throw;
    }
    if (!commit()) {
        const QString reason = lastErrorText();
        rollbackQuietly();
        fail(QStringLiteral("Cannot make the search index of"), reason);
    }
}

// Called inside a batch's fresh transaction.
void SqliteBackend::deferIndexing() {
    suspendedTriggers_.clear();
    indexDeferred_ = tableExists(QStringLiteral("SearchDeferred"));
    declsDeferred_ = indexDeferred_ && tableExists(QStringLiteral("DeclsSearch"));
    if (indexDeferred_)
        exec(QString::fromLatin1(MarkIndexed));
    if (declsDeferred_)
        exec(QString::fromLatin1(MarkDeclsIndexed));
    if (indexDeferred_)
        suspendInsertTriggers();
}

// Inside a batch the insert triggers pass over every row it adds (the new
// numbers lie past the mark), yet a trigger costs each insert all the same:
// SQLite runs its program and, since the program writes the index, keeps a
// statement journal that copies every page the insert touches. A build
// inserts some 600,000 rows, and that was a fifth of its time. So the batch
// takes the insert triggers off and puts them back, each as it was written,
// before it commits; both happen inside its transaction, so no other
// connection ever sees a table without them, and a batch rolled back (or a
// process that dies) never took them off. Rows a batch inserts with numbers
// of their own at or below the mark would go unindexed; only a copy into an
// empty store writes such numbers, and there the mark is 0.
void SqliteBackend::suspendInsertTriggers() {
    std::vector<std::pair<QByteArray, QByteArray>> found; // name, SQL
    {
        const std::unique_ptr<BackendStatement> triggers =
            prepare(QStringLiteral("SELECT name, sql FROM sqlite_schema WHERE type = 'trigger' "
                                   "AND name IN ('UnitsSearchInsert', 'ProcsSearchInsert', "
                                   "'DeclsSearchInsert') ORDER BY name"));
        while (triggers->step())
            found.emplace_back(triggers->textAt(0).toUtf8(), triggers->textAt(1).toUtf8());
    }
    for (const auto& [name, sql] : found) {
        exec(QStringLiteral("DROP TRIGGER \"%1\"").arg(QString::fromUtf8(name)));
        suspendedTriggers_.push_back(sql);
    }
}

// False, with the engine's error, when a trigger could not be put back.
bool SqliteBackend::restoreInsertTriggers() {
    for (const QByteArray& sql : suspendedTriggers_)
        if (sqlite3_exec(db_, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    suspendedTriggers_.clear();
    return true;
}

// Called before a batch's commit. False, with the engine's error, when the
// rows could not be indexed: the batch must not commit rows the search
// would not find.
bool SqliteBackend::indexDeferredRows() {
    if (!indexDeferred_)
        return true;
    indexDeferred_ = false;
    if (declsDeferred_ &&
        sqlite3_exec(db_, IndexDeclsPastMark, nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    return sqlite3_exec(db_, IndexPastMark, nullptr, nullptr, nullptr) == SQLITE_OK &&
           restoreInsertTriggers();
}

bool SqliteBackend::canSearch() {
    return tableExists(QStringLiteral("ProcsSearch"));
}

std::unique_ptr<BackendStatement>
SqliteBackend::declarationSearchStatement(const QStringList& words) {
    if (!tableExists(QStringLiteral("DeclsSearch")))
        return nullptr;
    std::unique_ptr<BackendStatement> candidates =
        prepare(QString::fromLatin1(IndexedDeclarationsSql));
    candidates->bindText(1, indexQuery(words));
    return candidates;
}

std::unique_ptr<BackendStatement> SqliteBackend::searchStatement(const QStringList& words,
                                                                 int limit) {
    std::unique_ptr<BackendStatement> hits = prepare(indexSearchSql());
    hits->bindText(1, indexQuery(words));
    hits->bindInteger(2, limit);
    return hits;
}

} // namespace ink
