#pragma once
#include <QDateTime>

#include "Statement.h"

namespace ink {

class Database;

// Records that a build found routines already stored: their LastSeen moves
// to the build's stamp. A refresh finds nearly every routine again, so this
// is one prepared statement per row, not a cursor edit and post.
class SeenStamps {
public:
    SeenStamps(Database& db, const QDateTime& stamp);
    void routineSeen(qint64 procNo);

    // The stamp of a new scan of the document: now, in whole seconds, and
    // always later than the document's previous scan, so that two refreshes
    // within one second still tell what the second one did not find.
    static QDateTime nextScanStamp(Database& db, int docNo);

private:
    QDateTime stamp_;
    Statement update_;
};

} // namespace ink
