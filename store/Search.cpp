// The search over every document's unit and routine names and descriptions,
// and the index it reads.
#include "Search.h"

#include <algorithm>
#include <initializer_list>
#include <QHash>

#include "Backend.h"
#include "Database.h"
#include "model/Described.h"
#include "model/RoutineDescriptions.h"
#include "RoutineMarkers.h"
#include "Statement.h"

namespace ink {

namespace {

// A word is a run of letters, digits and underscores, as the index reads
// them. Found by hand: the words of every row that matched are looked at,
// and a regular expression per row cost more than the query.
bool isWordCharacter(char32_t c) {
    return c == U'_' || QChar::isLetterOrNumber(c);
}

// Calls `each` with the words of `text` in order until it returns true;
// true when one did.
template <typename Each> bool anyWord(QStringView text, Each each) {
    qsizetype start = -1;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype width = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            width = 2;
        }
        if (isWordCharacter(c)) {
            if (start < 0)
                start = i;
        } else if (start >= 0) {
            if (each(text.mid(start, i - start)))
                return true;
            start = -1;
        }
        i += width;
    }
    return start >= 0 && each(text.mid(start));
}

QStringList wordsOf(const QString& typed) {
    QStringList words;
    anyWord(typed, [&words](QStringView word) {
        words << word.toString();
        return false;
    });
    return words;
}

bool beginsAWord(QStringView text, const QString& typed) {
    return anyWord(
        text, [&typed](QStringView word) { return word.startsWith(typed, Qt::CaseInsensitive); });
}

// Whether each word typed begins a word of one of `texts`, as the index
// matches.
bool everyWordBegins(const QStringList& typedWords, std::initializer_list<QStringView> texts) {
    return std::all_of(typedWords.begin(), typedWords.end(), [&texts](const QString& typed) {
        return std::any_of(texts.begin(), texts.end(),
                           [&typed](QStringView text) { return beginsAWord(text, typed); });
    });
}

// The first line of a description that holds a word beginning with one of
// the words typed, without regard to case.
QString matchingLine(QStringView description, const QStringList& words) {
    qsizetype start = 0;
    while (start <= description.size()) {
        qsizetype end = start;
        while (end < description.size() && description[end] != QLatin1Char('\r') &&
               description[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = description.mid(start, end - start);
        for (const QString& word : words)
            if (beginsAWord(line, word))
                return line.trimmed().toString();
        if (end + 1 < description.size() && description[end] == QLatin1Char('\r') &&
            description[end + 1] == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return {};
}

// Every unit and routine with its document, in list order, for a search
// that cannot use the index. A procedural type's row is no routine: the
// type is found as its declaration.
QString allRowsSql() {
    return QStringLiteral(
               "SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, 0, '', u.Description, u.UnitName "
               "FROM UnitsLib u JOIN DocsLib d ON d.DocNo = u.DocNo "
               "UNION ALL "
               "SELECT d.DocNo, d.DocName, u.UnitNo, u.UnitName, p.ProcNo, p.ProcName, "
               "p.Description, p.ProcName FROM ProcsLib p "
               "JOIN UnitsLib u ON u.UnitNo = p.UnitNo AND u.DocNo = p.DocNo "
               "JOIN DocsLib d ON d.DocNo = p.DocNo WHERE %1 ORDER BY 1, 3, 5")
        .arg(NotProcedureTypeMarkerSql(QStringLiteral("p.ProcName")));
}

// The declarations whose owner, name or description may hold every word
// typed: a plain containment test both engines spell alike (?1 ... one
// pattern per word), narrowed in the code to words that begin there.
QString declarationCandidatesSql(qsizetype wordCount) {
    QStringList each;
    for (int i = 1; i <= wordCount; ++i)
        each << QStringLiteral("(lower(d.DeclName) LIKE ?%1 ESCAPE '!' OR lower(d.Owner) LIKE "
                               "?%1 ESCAPE '!' OR lower(d.Description) LIKE ?%1 ESCAPE '!')")
                    .arg(i);
    return QStringLiteral(
               "SELECT s.DocNo, s.DocName, u.UnitNo, u.UnitName, d.DeclNo, d.Owner, d.DeclName, "
               "d.Description, d.DeclKind "
               "FROM DeclsLib d JOIN UnitsLib u ON u.UnitNo = d.UnitNo AND u.DocNo = d.DocNo "
               "JOIN DocsLib s ON s.DocNo = d.DocNo WHERE %1 ORDER BY 1, 3, 5")
        .arg(each.join(QStringLiteral(" AND ")));
}

// The routine row a routine declaration shares its name with (without
// regard to case; the first of them) is where the window goes for it. The
// declarations come unit by unit, so each unit's routines are read once,
// not once for every declaration of it that matched.
class RoutineRows {
public:
    explicit RoutineRows(Database& db)
        : rows_(db, QStringLiteral("SELECT ProcNo, ProcName FROM ProcsLib WHERE DocNo = ?1 AND "
                                   "UnitNo = ?2 ORDER BY ProcNo")) {}

    int procNo(int docNo, int unitNo, const QString& name) {
        if (docNo != docNo_ || unitNo != unitNo_) {
            docNo_ = docNo;
            unitNo_ = unitNo;
            byName_.clear();
            rows_.bindInteger(1, docNo);
            rows_.bindInteger(2, unitNo);
            while (rows_.step()) {
                const QString key = rows_.textAt(1).toLower();
                if (!byName_.contains(key))
                    byName_.insert(key, int(rows_.integerAt(0)));
            }
            rows_.reset();
        }
        return byName_.value(name.toLower(), 0);
    }

private:
    Statement rows_;
    int docNo_ = 0;
    int unitNo_ = 0;
    QHash<QString, int> byName_;
};

// The declarations that may match, through the engine's index where it
// keeps one, else by reading every row.
Statement declarationCandidates(Database& db, const QStringList& words) {
    if (std::unique_ptr<BackendStatement> indexed = db.backend().declarationSearchStatement(words))
        return Statement(std::move(indexed));
    Statement rows(db, declarationCandidatesSql(words.size()));
    for (int i = 0; i < words.size(); ++i) {
        QString pattern = words[i].toLower();
        pattern.replace(QLatin1Char('!'), QLatin1String("!!"));
        pattern.replace(QLatin1Char('_'), QLatin1String("!_"));
        rows.bindText(i + 1, QLatin1Char('%') + pattern + QLatin1Char('%'));
    }
    return rows;
}

QList<SearchHit> searchDeclarations(Database& db, const QStringList& words, int limit) {
    if (!db.tableExists(QStringLiteral("DeclsLib")))
        return {};
    Statement rows = declarationCandidates(db, words);
    RoutineRows routines(db);
    QList<SearchHit> hits;
    while (hits.size() < limit && rows.step()) {
        const QString owner = rows.isNullAt(5) ? QString() : rows.textAt(5);
        const QString name = rows.textAt(6);
        const QString description = rows.isNullAt(7) ? QString() : rows.textAt(7);
        const QString kind = rows.textAt(8);
        const bool routine = SharesRoutineDescription(kind);
        if (routine && owner.isEmpty() && !IsDescribed(description))
            continue; // its routine row is the hit
        if (!everyWordBegins(words, {owner, name, description}))
            continue;
        const int docNo = int(rows.integerAt(0));
        const int unitNo = int(rows.integerAt(2));
        SearchHit hit{docNo,
                      rows.textAt(1),
                      unitNo,
                      rows.textAt(3),
                      routine ? routines.procNo(docNo, unitNo, name) : 0,
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
        Statement rows(db, allRowsSql());
        QList<SearchHit> result;
        while (result.size() < limit && rows.step()) {
            const QString description = rows.isNullAt(6) ? QString() : rows.textAt(6);
            if (!everyWordBegins(words, {rows.textAt(7), description}))
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
