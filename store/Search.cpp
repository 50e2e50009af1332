// The search over every document's unit and routine names and descriptions,
// and the index it reads.
#include "Search.h"

#include <algorithm>
#include <QRegularExpression>

#include "Backend.h"
#include "Database.h"
#include "Statement.h"

namespace ink {

namespace {

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

// The declarations whose owner, name or description may hold every word
// typed: a plain containment test both engines spell alike (?1 ... one
// pattern per word), narrowed in the code to words that begin there. The
// routine row a routine declaration shares its name with is where the
// window goes for it.
QString declarationCandidatesSql(qsizetype wordCount) {
    QStringList each;
    for (int i = 1; i <= wordCount; ++i)
        each << QStringLiteral("(lower(d.DeclName) LIKE ?%1 ESCAPE '!' OR lower(d.Owner) LIKE "
                               "?%1 ESCAPE '!' OR lower(d.Description) LIKE ?%1 ESCAPE '!')")
                    .arg(i);
    return QStringLiteral(
               "SELECT s.DocNo, s.DocName, u.UnitNo, u.UnitName, d.DeclNo, d.Owner, d.DeclName, "
               "d.Description, d.DeclKind, (SELECT MIN(p.ProcNo) FROM ProcsLib p WHERE "
               "p.DocNo = d.DocNo AND p.UnitNo = d.UnitNo AND lower(p.ProcName) = "
               "lower(d.DeclName) AND d.DeclKind IN ('procedure', 'function')) "
               "FROM DeclsLib d JOIN UnitsLib u ON u.UnitNo = d.UnitNo AND u.DocNo = d.DocNo "
               "JOIN DocsLib s ON s.DocNo = d.DocNo WHERE %1 ORDER BY 1, 3, 5")
        .arg(each.join(QStringLiteral(" AND ")));
}

QList<SearchHit> searchDeclarations(Database& db, const QStringList& words, int limit) {
    if (!db.tableExists(QStringLiteral("DeclsLib")))
        return {};
    Statement rows(db, declarationCandidatesSql(words.size()));
    for (int i = 0; i < words.size(); ++i) {
        QString pattern = words[i].toLower();
        pattern.replace(QLatin1Char('!'), QLatin1String("!!"));
        pattern.replace(QLatin1Char('_'), QLatin1String("!_"));
        rows.bindText(i + 1, QLatin1Char('%') + pattern + QLatin1Char('%'));
    }
    QList<SearchHit> hits;
    while (hits.size() < limit && rows.step()) {
        const QString owner = rows.isNullAt(5) ? QString() : rows.textAt(5);
        const QString name = rows.textAt(6);
        const QString description = rows.isNullAt(7) ? QString() : rows.textAt(7);
        const QString kind = rows.textAt(8);
        if (owner.isEmpty() && description.trimmed().isEmpty() &&
            (kind == QLatin1String("procedure") || kind == QLatin1String("function")))
            continue; // its routine row is the hit
        if (!everyWordBegins(words, wordsOf(owner) + wordsOf(name) + wordsOf(description)))
            continue;
        SearchHit hit{int(rows.integerAt(0)),
                      rows.textAt(1),
                      int(rows.integerAt(2)),
                      rows.textAt(3),
                      rows.isNullAt(9) ? 0 : int(rows.integerAt(9)),
                      owner.isEmpty() ? name : owner + QLatin1Char('.') + name,
                      int(rows.integerAt(4)),
                      matchingLine(description, words)};
        hits.append(hit);
    }
    return hits;
}

// Declarations after the units and routines of their unit, in list order.
QList<SearchHit> merged(QList<SearchHit> hits, const QList<SearchHit>& declarations, int limit) {
    hits += declarations;
    std::stable_sort(hits.begin(), hits.end(), [](const SearchHit& a, const SearchHit& b) {
        if (a.docNo != b.docNo)
            return a.docNo < b.docNo;
        if (a.unitNo != b.unitNo)
            return a.unitNo < b.unitNo;
        const int aRank = a.declNo != 0 ? 2 : a.procNo != 0 ? 1 : 0;
        const int bRank = b.declNo != 0 ? 2 : b.procNo != 0 ? 1 : 0;
        return aRank < bRank;
    });
    if (hits.size() > limit)
        hits.resize(limit);
    return hits;
}

} // namespace

void EnsureSearchIndex(Database& db) {
    db.backend().ensureSearchIndex();
}

QList<SearchHit> SearchDocuments(Database& db, const QString& typed, int limit) {
    const QStringList words = wordsOf(typed);
    if (words.isEmpty())
        return {};
    // A store opened only to read it (in a folder the user may not write)
    // may have no index, and none can be made: every row is read and
    // matched here instead, which takes longer but finds the same rows.
    if (!db.backend().canSearch()) {
        Statement rows(db, QString::fromLatin1(AllRowsSql));
        QList<SearchHit> result;
        while (result.size() < limit && rows.step()) {
            const QString description = rows.isNullAt(6) ? QString() : rows.textAt(6);
            if (!everyWordBegins(words, wordsOf(rows.textAt(7)) + wordsOf(description)))
                continue;
            result.append({int(rows.integerAt(0)), rows.textAt(1), int(rows.integerAt(2)),
                           rows.textAt(3), int(rows.integerAt(4)), rows.textAt(5), 0,
                           matchingLine(description, words)});
        }
        return merged(result, searchDeclarations(db, words, limit), limit);
    }
    Statement hits(db.backend().searchStatement(words, limit));
    QList<SearchHit> result;
    while (hits.step())
        result.append({int(hits.integerAt(0)), hits.textAt(1), int(hits.integerAt(2)),
                       hits.textAt(3), int(hits.integerAt(4)), hits.textAt(5), 0,
                       matchingLine(hits.textAt(6), words)});
    return merged(result, searchDeclarations(db, words, limit), limit);
}

} // namespace ink
