#pragma once
#include <QList>
#include <QString>

namespace ink {

class Database;
class TDM1;
class TTable;

// What a document holds that its last scan did not find.
struct MissingRowsSummary {
    int units = 0;    // units that left the project
    int routines = 0; // routines that left the source, those of missing units included
    int describedRoutines = 0;
    // Descriptions of missing routines that can move to an undescribed
    // routine of the same name and owner in another unit still in the
    // document; and those that fit one of the name under another owner only
    // (another class's method), which are offered but moved only on request.
    int movableDescriptions = 0;
    int offeredDescriptions = 0;
    // Declarations that left the source, those of missing units included;
    // those with a description of their own; and of those, the ones that
    // are move candidates under the same owner, and those offered across
    // owners (see DeclarationMoves).
    int declarations = 0;
    int describedDeclarations = 0;
    int movableDeclarations = 0;
    int offeredDeclarations = 0;
};

// A missing declaration's description and where it can go: a declaration of
// the same name and kind group, without a description of its own, that
// appeared under the same owner in another unit (the type or routine moved
// to another unit: the same declaration), or else under another owner (a
// member of another type, which may be a move or a mere namesake: offered,
// never moved unless asked for). Each place takes one description at most;
// the moves under the same owner are placed first.
struct DeclarationMove {
    qint64 fromDeclNo = 0;
    qint64 toDeclNo = 0;
    QString from; // "Unit.pas: TShape.Area", as a list shows it
    QString to;
    bool acrossOwners = false;
};
QList<DeclarationMove> DeclarationMoves(Database& db, int docNo);

MissingRowsSummary CountMissingRows(Database& db, int docNo);

// Whether row `row` of the units', routines' or declarations' scope in memory left the
// source at the current document's last scan; false while the tables are
// closed. RowsLeftTheSource counts them over the scope.
bool RowLeftTheSource(const TDM1& dm, const TTable& table, int row);
int RowsLeftTheSource(const TDM1& dm, const TTable& table);

// Removes the document's missing units, routines (placeholders included)
// and declarations in one transaction. With `moveDescriptions`, a missing
// routine's description first goes to the undescribed present routine of the
// same name and owner in another unit, a missing declaration's as
// DeclarationMoves says, and a missing unit's description to the unit that
// took most of its routines' descriptions, when that unit has none: a unit
// renamed in the project keeps its words. The moves to another owner are
// made only with `acrossOwners` too.
void RemoveMissingRows(Database& db, int docNo, bool moveDescriptions, bool acrossOwners = false);

} // namespace ink
