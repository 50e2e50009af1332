#pragma once
#include <QDateTime>

#include "UnitDeclarations.h"

namespace ink {

class NewDeclarations;
class SeenStamps;
class TDM1;

// Brings the current unit's stored declaration rows (the DeclsLib scope in
// memory) up to the declarations read from its source, so that every
// description stays with its declaration: the rows are matched as
// MatchDeclarations says and the change set written as
// ApplyDeclarationChanges says.
//
// The scope in memory must be as the store holds it (the build reads it
// again under its write lock). New rows are written beside the cursor, by
// `inserts` (one for the whole build, stamping them `stamp`): the scope does
// not show them until it is read again. The current unit's row is posted
// when its DeclsSeen moves.
// Returns how many declaration rows the unit has after it.
int WriteDeclarations(TDM1& dm, const UnitDeclarations& found, SeenStamps& seen,
                      NewDeclarations& inserts, const QDateTime& stamp);
// The same for one unit alone.
void WriteDeclarations(TDM1& dm, const UnitDeclarations& found, SeenStamps& seen,
                       const QDateTime& stamp);

// A digest of what a read of a unit found that its rows keep: the routine
// rows and the declarations, each field. Two reads with the same digest
// would write the same rows.
QString ReadDigest(const UnitScan& scan);

} // namespace ink
