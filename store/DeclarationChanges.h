#pragma once
#include <QDateTime>
#include <QList>
#include <QString>

#include "model/DeclarationMatch.h"
#include "model/StoredDeclarations.h"

namespace ink {

class NewDeclarations;
class SeenStamps;
class TDM1;

// The current unit's declaration rows (the DeclsLib scope in memory) as
// matching reads them, each row read from the scope when first asked for:
// valid while the scope and the unit's row stay as they are.
StoredDeclarations SnapshotDeclarations(const TDM1& dm);

// Writes what `changes` (matching `found`, read from the unit's file
// `unitFile`, against `stored`, its snapshot) says of the current unit. New
// rows are written beside the cursor, by `inserts` (one for a whole build,
// stamping them `stamp`), in the order found, so a member's enclosing type
// has its number first; the scope does not show them until it is read
// again. A changed row is posted with its new fields, stamped `stamp`; a row
// found as it was is not written, only stamped through `seen` when it comes
// back or when the unit is judged by this read from now on, which moves the
// unit's DeclsSeen (its row is posted). A row not found keeps all it holds.
// Nothing here ever writes a Description. Returns how many declaration rows
// the unit has after it.
int ApplyDeclarationChanges(TDM1& dm, const QList<Declaration>& found, const QString& unitFile,
                            const StoredDeclarations& stored, const DeclarationChangeSet& changes,
                            SeenStamps& seen, NewDeclarations& inserts, const QDateTime& stamp);

// The current unit's rows brought up to what a read found: its snapshot
// matched (MatchDeclarations) and the change set applied. The scope must be
// as the store holds it (a build reads it again under its write lock).
int UpdateDeclarations(TDM1& dm, const QList<Declaration>& found, const QString& unitFile,
                       SeenStamps& seen, NewDeclarations& inserts, const QDateTime& stamp);

} // namespace ink
