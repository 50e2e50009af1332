#pragma once
#include <QDateTime>
#include <QList>

#include "Statement.h"

namespace ink {

class Database;

// Records that a build found routines already stored: their LastSeen moves
// to the build's stamp. A refresh finds nearly every routine again, so this
// is one prepared statement for a few hundred rows at a time (on a server,
// a round trip each), not a cursor edit and post.
class SeenStamps {
public:
    SeenStamps(Database& db, const QDateTime& stamp);
    // Writes what is still held, if it can: the build's own end calls
    // finish(), where a failure is reported.
    ~SeenStamps();
    SeenStamps(const SeenStamps&) = delete;
    SeenStamps& operator=(const SeenStamps&) = delete;

    void routineSeen(qint64 procNo);
    // Writes the stamps still held.
    void finish();

    // The stamp of a new scan of the document: now, in whole seconds, and
    // always later than the document's previous scan, so that two refreshes
    // within one second still tell what the second one did not find.
    static QDateTime nextScanStamp(Database& db, int docNo);

private:
    static constexpr int RowsPerUpdate = 256;
    Statement update_;
    QList<qint64> held_;
};

} // namespace ink
