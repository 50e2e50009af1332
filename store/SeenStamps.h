#pragma once
#include <QDateTime>
#include <QList>

#include "Statement.h"

namespace ink {

class Database;

// Records that a build found units and routines already stored: their
// LastSeen moves to the build's stamp. A refresh finds nearly every row
// again, so this is a prepared statement, not a cursor edit and post (which
// for a unit would also load its routines); routines go a few hundred to one
// statement (on a server, one round trip each).
class SeenStamps {
public:
    SeenStamps(Database& db, const QDateTime& stamp);
    // Writes what is still held, if it can: the build's own end calls
    // finish(), where a failure is reported.
    ~SeenStamps();
    SeenStamps(const SeenStamps&) = delete;
    SeenStamps& operator=(const SeenStamps&) = delete;

    void routineSeen(qint64 procNo);
    void unitSeen(qint64 unitNo);
    // Writes the routines' stamps still held.
    void finish();

    // The stamp of a new scan of the document: now, in whole seconds, and
    // always later than the document's previous scan, so that two refreshes
    // within one second still tell what the second one did not find.
    static QDateTime nextScanStamp(Database& db, int docNo);

private:
    static constexpr int RowsPerUpdate = 256;
    Statement update_;
    Statement updateUnit_;
    QList<qint64> held_;
};

} // namespace ink
