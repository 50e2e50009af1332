// Searching on the embedded store: an FTS5 index over the names and
// descriptions, kept up to date by triggers on every write.
#include "SqliteBackend.h"

#include "Database.h"

namespace ink {

namespace {

// Two external-content FTS5 tables, one over each table, so the index holds
// no copy of the text. The update triggers fire only when a name or a
// description changed: a refresh stamps every routine, and should not
// rewrite the index for it.
const char* const SearchSchema = R"(
CREATE VIRTUAL TABLE UnitsSearch USING fts5(UnitName, Description, content='UnitsLib',
  content_rowid='UnitNo', tokenize="unicode61 tokenchars '_'", prefix='1 2 3');
CREATE VIRTUAL TABLE ProcsSearch USING fts5(ProcName, Description, content='ProcsLib',
  content_rowid='ProcNo', tokenize="unicode61 tokenchars '_'", prefix='1 2 3');
CREATE TRIGGER UnitsSearchInsert AFTER INSERT ON UnitsLib BEGIN
  INSERT INTO UnitsSearch(rowid, UnitName, Description)
  VALUES (new.UnitNo, new.UnitName, new.Description);
END;
CREATE TRIGGER UnitsSearchDelete AFTER DELETE ON UnitsLib BEGIN
  INSERT INTO UnitsSearch(UnitsSearch, rowid, UnitName, Description)
  VALUES ('delete', old.UnitNo, old.UnitName, old.Description);
END;
CREATE TRIGGER UnitsSearchUpdate AFTER UPDATE ON UnitsLib
WHEN old.UnitName IS NOT new.UnitName OR old.Description IS NOT new.Description
  OR old.UnitNo IS NOT new.UnitNo BEGIN
  INSERT INTO UnitsSearch(UnitsSearch, rowid, UnitName, Description)
  VALUES ('delete', old.UnitNo, old.UnitName, old.Description);
  INSERT INTO UnitsSearch(rowid, UnitName, Description)
  VALUES (new.UnitNo, new.UnitName, new.Description);
END;
CREATE TRIGGER ProcsSearchInsert AFTER INSERT ON ProcsLib BEGIN
  INSERT INTO ProcsSearch(rowid, ProcName, Description)
  VALUES (new.ProcNo, new.ProcName, new.Description);
END;
CREATE TRIGGER ProcsSearchDelete AFTER DELETE ON ProcsLib BEGIN
  INSERT INTO ProcsSearch(ProcsSearch, rowid, ProcName, Description)
  VALUES ('delete', old.ProcNo, old.ProcName, old.Description);
END;
CREATE TRIGGER ProcsSearchUpdate AFTER UPDATE ON ProcsLib
WHEN old.ProcName IS NOT new.ProcName OR old.Description IS NOT new.Description
  OR old.ProcNo IS NOT new.ProcNo BEGIN
  INSERT INTO ProcsSearch(ProcsSearch, rowid, ProcName, Description)
  VALUES ('delete', old.ProcNo, old.ProcName, old.Description);
  INSERT INTO ProcsSearch(rowid, ProcName, Description)
  VALUES (new.ProcNo, new.ProcName, new.Description);
END;
INSERT INTO UnitsSearch(UnitsSearch) VALUES ('rebuild');
INSERT INTO ProcsSearch(ProcsSearch) VALUES ('rebuild');
)";

const char* const IndexSearchSql =
    "SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, 0, '', u.Description "
    "FROM UnitsSearch s JOIN UnitsLib u ON u.UnitNo = s.rowid "
    "JOIN DocsLib d ON d.DocNo = u.DocNo WHERE UnitsSearch MATCH ?1 "
    "UNION ALL "
    "SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, p.ProcNo, p.ProcName, p.Description "
    "FROM ProcsSearch s JOIN ProcsLib p ON p.ProcNo = s.rowid "
    "JOIN UnitsLib u ON u.UnitNo = p.UnitNo AND u.DocNo = p.DocNo "
    "JOIN DocsLib d ON d.DocNo = p.DocNo WHERE ProcsSearch MATCH ?1 "
    "ORDER BY 1, 3, 5 LIMIT ?2";

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
// opened for writing), so that no search ever waits for it to be built.
void SqliteBackend::ensureSearchIndex() {
    if (tableExists(QStringLiteral("ProcsSearch")))
        return;
    begin();
    try {
        exec(QString::fromLatin1(SearchSchema));
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

bool SqliteBackend::canSearch() {
    return tableExists(QStringLiteral("ProcsSearch"));
}

std::unique_ptr<BackendStatement> SqliteBackend::searchStatement(const QStringList& words,
                                                                 int limit) {
    std::unique_ptr<BackendStatement> hits = prepare(QString::fromLatin1(IndexSearchSql));
    hits->bindText(1, indexQuery(words));
    hits->bindInteger(2, limit);
    return hits;
}

} // namespace ink
