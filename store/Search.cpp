// The search over every document's unit and routine names and descriptions,
// and the index it reads.
#include "Search.h"

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
                           rows.textAt(3), int(rows.integerAt(4)), rows.textAt(5),
                           matchingLine(description, words)});
        }
        return result;
    }
    Statement hits(db.backend().searchStatement(words, limit));
    QList<SearchHit> result;
    while (hits.step())
        result.append({int(hits.integerAt(0)), hits.textAt(1), int(hits.integerAt(2)),
                       hits.textAt(3), int(hits.integerAt(4)), hits.textAt(5),
                       matchingLine(hits.textAt(6), words)});
    return result;
}

} // namespace ink
