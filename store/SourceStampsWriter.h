#pragma once
#include <QString>

#include "Statement.h"

namespace ink {

class Database;

// Writes a unit's SourceStamps (the files its last read found, see
// scan/SourceStamps.h) beside the units table's cursor. A build notes them
// for every unit it reads, a few hundred characters each: kept in the cursor's
// rows they would be tens of megabytes on a large project, held to the end of
// the build for nothing, as only the next refresh reads them, and it reads
// the rows again first. The rows in memory keep what they were read with.
class SourceStampsWriter {
public:
    explicit SourceStampsWriter(Database& db);
    // Empty `stamps` leaves the field empty, as the cursor would.
    void write(qint64 unitNo, const QString& stamps);

private:
    Statement update_;
};

} // namespace ink
