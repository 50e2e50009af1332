// The search over every document's unit and routine names and descriptions,
// and the index it reads.
#include "Search.h"

#include <QRegularExpression>

#include "Database.h"
#include "Statement.h"

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

QStringList wordsOf(const QString& typed) {
    static const QRegularExpression separators(QStringLiteral("[^\\w]+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    return typed.split(separators, Qt::SkipEmptyParts);
}

// The first line of a description that holds a word beginning with one of
// the words typed, without regard to case.
QString matchingLine(const QString& description, const QStringList& words) {
    const QStringList lines = description.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    for (const QString& line : lines) {
        for (const QString& lineWord : wordsOf(line))
            for (const QString& word : words)
                if (lineWord.startsWith(word, Qt::CaseInsensitive))
                    return line.trimmed();
    }
    return {};
}

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

// A server has no FTS5: the same matches by regular expression, a word
// typed matching where a word of the name or description begins (?1 ...),
// the limit last.
QString serverSearchSql(qsizetype wordCount) {
    auto matching = [wordCount](const char* name, const char* description) {
        QStringList each;
        for (int i = 0; i < wordCount; ++i)
            each << QStringLiteral("(%1 ~* ?%3 OR %2 ~* ?%3)")
                        .arg(QLatin1String(name), QLatin1String(description))
                        .arg(i + 1);
        return each.join(QStringLiteral(" AND "));
    };
    return QStringLiteral("SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, 0, '', u.Description "
                          "FROM UnitsLib u JOIN DocsLib d ON d.DocNo = u.DocNo WHERE %1 "
                          "UNION ALL "
                          "SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, p.ProcNo, p.ProcName, "
                          "p.Description FROM ProcsLib p "
                          "JOIN UnitsLib u ON u.UnitNo = p.UnitNo AND u.DocNo = p.DocNo "
                          "JOIN DocsLib d ON d.DocNo = p.DocNo WHERE %2 "
                          "ORDER BY 1, 3, 5 LIMIT ?%3")
        .arg(matching("u.UnitName", "u.Description"), matching("p.ProcName", "p.Description"))
        .arg(wordCount + 1);
}

// Every unit and routine with its document, in list order, for a search
// that cannot use the index.
const char* const AllRowsSql =
    "SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, 0, '', u.Description, u.UnitName "
    "FROM UnitsLib u JOIN DocsLib d ON d.DocNo = u.DocNo "
    "UNION ALL "
    "SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, p.ProcNo, p.ProcName, p.Description, "
    "p.ProcName FROM ProcsLib p "
    "JOIN UnitsLib u ON u.UnitNo = p.UnitNo AND u.DocNo = p.DocNo "
    "JOIN DocsLib d ON d.DocNo = p.DocNo ORDER BY 1, 3, 5";

// Whether each word typed begins a word of `text`, as the index matches.
bool everyWordBegins(const QStringList& typedWords, const QStringList& textWords) {
    for (const QString& typed : typedWords) {
        bool found = false;
        for (const QString& word : textWords)
            if (word.startsWith(typed, Qt::CaseInsensitive)) {
                found = true;
                break;
            }
        if (!found)
            return false;
    }
    return true;
}

} // namespace

void EnsureSearchIndex(Database& db) {
    // A server searches the tables themselves (see below).
    if (db.isServer())
        return;
    if (db.tableExists(QStringLiteral("ProcsSearch")))
        return;
    Batch batch(db);
    db.exec(QString::fromLatin1(SearchSchema));
}

QString SearchQueryFor(const QString& typed) {
    QStringList terms;
    for (const QString& word : wordsOf(typed))
        terms << QLatin1Char('"') + word + QStringLiteral("\"*");
    return terms.join(QLatin1Char(' '));
}

QList<SearchHit> SearchDocuments(Database& db, const QString& typed, int limit) {
    const QString query = SearchQueryFor(typed);
    if (query.isEmpty())
        return {};
    const QStringList words = wordsOf(typed);
    // A store opened only to read it (in a folder the user may not write)
    // may have no index yet, and none can be made: every row is read and
    // matched here instead, which takes longer but finds the same rows.
    if (!db.isServer() && db.isReadOnly() && !db.tableExists(QStringLiteral("ProcsSearch"))) {
        Statement rows(db, QString::fromLatin1(AllRowsSql));
        QList<SearchHit> result;
        while (result.size() < limit && rows.step()) {
            const QString description = rows.isNullAt(6) ? QString() : rows.textAt(6);
            if (!everyWordBegins(words, wordsOf(rows.textAt(7)) + wordsOf(description)))
                continue;
            result.append({int(rows.integerAt(0)), rows.textAt(1), int(rows.integerAt(2)),
                           rows.textAt(3), int(rows.integerAt(4)), rows.textAt(5),
                           matchingLine(description, words)});
        }
        return result;
    }
    EnsureSearchIndex(db);
    Statement hits(db, db.isServer() ? serverSearchSql(words.size()) : QString(IndexSearchSql));
    if (db.isServer()) {
        // Each word typed begins a word of the name or the description.
        for (int i = 0; i < words.size(); ++i)
            hits.bindText(i + 1, QStringLiteral("\\m") + words[i]);
    } else {
        hits.bindText(1, query);
    }
    hits.bindInteger(db.isServer() ? int(words.size()) + 1 : 2, limit);
    QList<SearchHit> result;
    while (hits.step())
        result.append({int(hits.integerAt(0)), hits.textAt(1), int(hits.integerAt(2)),
                       hits.textAt(3), int(hits.integerAt(4)), hits.textAt(5),
                       matchingLine(hits.textAt(6), words)});
    return result;
}

} // namespace ink
