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
    int procNo = 0;   // 0 for a unit; for a declaration, the routine row of its name, if any
    QString procName; // for a declaration, its owner and name: "TShape.Area"
    int declNo = 0;   // a declaration's; 0 for a unit or routine row
    QString line;     // the first line of the description that matches, else empty
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
// routines), at most `limit` of them; then, within each unit, its
// declarations whose owner, name or own description hold them (a
// unit-level routine without words of its own is found as its routine row).
// Blank text finds nothing.
QList<SearchHit> SearchDocuments(Database& db, const QString& typed, int limit = 500);

} // namespace ink
