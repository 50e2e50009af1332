#pragma once
#include <QString>

namespace ink {

// The texts the scanner stores where there is nothing, and which rows of the
// routine list are no routine. Every layer asks these questions here.
//
// "N/A": the routine row of a unit without procedures or functions (a row
// of the list, but not a routine anyone documents; its parameter and result
// texts too), and the form of a unit that has none.
inline constexpr const char* PlaceholderText = "N/A";
// "<None>": an absent parameter list, an absent result type.
inline constexpr const char* NoneMarkerText = "<None>";
// The row the scanner names "{STDCALL}" for a procedural type or a
// procedure-typed field or variable (`TNotify = procedure(Sender: TObject)
// of object;`), one per kind and unit. The procedural type itself is a type
// declaration, and is shown as one.
inline constexpr const char* ProcedureTypeMarkerName = "{STDCALL}";

// The placeholder row of a unit without procedures or functions.
bool IsPlaceholderRoutine(const QString& procName);
bool IsProcedureTypeMarker(const QString& procName);
// Neither the placeholder nor the procedural-type row: a routine of the
// unit's interface, as reports, their indexes and the search show it, and
// as every count of routines counts it. Both kinds of row stay in the
// store and on the Procedures page as the scanner wrote them.
bool IsRoutineRow(const QString& procName);
// Nothing stored: empty, "<None>" or "N/A".
bool IsMarkerText(const QString& text);
// The form a stored FormName names: none for "N/A" or blanks.
QString ShownForm(const QString& storedForm);

} // namespace ink
