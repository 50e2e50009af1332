// Searching on a server: no index of our own, the same matches as the
// embedded store's FTS5 index by regular expression over the tables.
#include "PostgresBackend.h"

#include "RoutineMarkers.h"

namespace ink {

namespace {

// A word typed matches where a word of the name or the description begins
// (?1 ...), the limit last. A procedural type's row is no routine: the type
// is found as its declaration.
QString searchSql(qsizetype wordCount) {
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
                          "JOIN DocsLib d ON d.DocNo = p.DocNo WHERE %2 AND %3 "
                          "ORDER BY 1, 3, 5 LIMIT ?%4")
        .arg(matching("u.UnitName", "u.Description"), matching("p.ProcName", "p.Description"),
             NotProcedureTypeMarkerSql(QStringLiteral("p.ProcName")))
        .arg(wordCount + 1);
}

} // namespace

std::unique_ptr<BackendStatement> PostgresBackend::searchStatement(const QStringList& words,
                                                                   int limit) {
    std::unique_ptr<BackendStatement> hits = prepare(searchSql(words.size()));
    // The words hold letters, digits and underscores only: nothing in them
    // is taken for a pattern.
    for (int i = 0; i < words.size(); ++i)
        hits->bindText(i + 1, QStringLiteral("\\m") + words[i]);
    hits->bindInteger(int(words.size()) + 1, limit);
    return hits;
}

} // namespace ink
