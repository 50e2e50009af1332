#pragma once
#include <QDateTime>

#include "Statement.h"

namespace ink {

class Database;

// Records that a build found units and routines already stored: their
// LastSeen moves to the build's stamp. A refresh finds nearly every row
// again, so this is one prepared statement per row, not a cursor edit and
// post (which for a unit would also load its routines).
class SeenStamps {
public:
    SeenStamps(Database& db, const QDateTime& stamp);
    void routineSeen(qint64 procNo);
    void unitSeen(qint64 unitNo);

    // The stamp of a new scan of the document: now, in whole seconds, and
    // always later than the document's previous scan, so that two refreshes
    // within one second still tell what the second one did not find.
    static QDateTime nextScanStamp(Database& db, int docNo);

private:
    QDateTime stamp_;
    Statement update_;
    Statement updateUnit_;
};

} // namespace ink
