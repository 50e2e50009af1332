#pragma once
#include <QList>
#include <QString>

namespace ink {

class Database;

// One unit or routine whose name or description matches a search.
struct SearchHit {
    int docNo = 0;
    QString docName;
    int unitNo = 0;
    QString unitName;
    int procNo = 0; // 0 for a unit
    QString procName;
    QString line; // the first line of the description that matches, else empty
};

// Makes the full-text index of unit and routine names and descriptions
// when the store has none yet, filled from the rows already there. From
// then on the writes keep it in step, whoever makes them; a search never
// builds it. The tables' opening calls it, so a store has its index from
// its first row. A batch indexes the rows it adds when it ends, so a search
// on its own connection in the middle of a batch does not yet see them.
void EnsureSearchIndex(Database& db);

// Every unit and routine of every document whose name or description holds
// words starting with each word typed, in list order (documents, units,
// routines), at most `limit` of them. Blank text finds nothing.
QList<SearchHit> SearchDocuments(Database& db, const QString& typed, int limit = 500);

} // namespace ink
