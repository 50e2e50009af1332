#pragma once

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
    // routine of the same name in another unit still in the document.
    int movableDescriptions = 0;
};

MissingRowsSummary CountMissingRows(Database& db, int docNo);

// Whether row `row` of the units' or routines' scope in memory left the
// source at the current document's last scan; false while the tables are
// closed. RowsLeftTheSource counts them over the scope.
bool RowLeftTheSource(const TDM1& dm, const TTable& table, int row);
int RowsLeftTheSource(const TDM1& dm, const TTable& table);

// Removes the document's missing units and routines (placeholders included)
// in one transaction. With `moveDescriptions`, a missing routine's
// description first goes to the undescribed present routine of the same name
// in another unit, and a missing unit's description to the unit that took
// most of its routines' descriptions, when that unit has none: a unit renamed
// in the project keeps its words.
void RemoveMissingRows(Database& db, int docNo, bool moveDescriptions);

} // namespace ink
