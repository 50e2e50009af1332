#pragma once
#include <QDateTime>

#include "UnitDeclarations.h"

namespace ink {

class NewDeclarations;
class SeenStamps;
class TDM1;

// Matches the declarations read from the current unit's source to the
// unit's stored declaration rows (the DeclsLib scope in memory) and writes
// what changed, so that every description stays with its declaration.
//
// A declaration is found again by owner, name, kind group and overload key
// (letter case aside). One found that way has its row brought up to date.
// One left over is taken for the same declaration with a changed signature
// when it is the only one left of its owner, name and kind group on both
// sides; a described row then keeps in ChangedFrom the declaration its
// description was written for, until the user has looked at it again. What
// is left after that is new and appended. A stored row not found keeps all
// it holds: it has left the source, which the unit's DeclsSeen tells (see
// DeclarationsJudgedBy); a row found as it was is not written. Nothing here
// ever writes a Description.
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

// Whether two declaration texts differ in more than spacing, letter case
// and what follows their first top-level semicolon (the directives): a
// description written for one may not fit the other.
bool SignatureDiffers(const QString& before, const QString& after);

} // namespace ink
