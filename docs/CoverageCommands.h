#pragma once

namespace ink {

class Dialogs;
class TDM1;

// "Next Undescribed Routine": makes the next routine without a description
// current, in list order across the current document's units, starting over
// at the first unit. False, with nothing moved, when every routine is
// described.
bool GoToNextUndescribedRoutine(TDM1& dm);

// Makes the unit of that number current among the current document's units.
bool GoToUnit(TDM1& dm, int unitNo);

// Makes a search result current: its document, its unit and, unless
// `procNo` is 0, its routine. False when it is no longer there.
bool GoToPlace(TDM1& dm, int docNo, int unitNo, int procNo);

// "Remove Missing Routines...": the current document's units and routines
// that its last scan did not find, removed after a confirmation that counts
// them; descriptions that fit a routine of the same name elsewhere in the
// document are offered to move there first.
void RemoveMissingRoutines(TDM1& dm, Dialogs& dialogs);

} // namespace ink
