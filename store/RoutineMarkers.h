#pragma once
#include <QString>

namespace ink {

// Which rows of the routine list are routines. The scanner writes two kinds
// of row that are not: the placeholder of a unit without procedures or
// functions (PlaceholderRoutineName, Coverage.h), and the row it names
// "{STDCALL}" for a procedural type or a procedure-typed field or variable
// (`TNotify = procedure(Sender: TObject) of object;`), one per kind and
// unit. Both stay in the store and on the Procedures page as the scanner
// wrote them; what reports, their indexes and the search show as routines
// goes by this rule, and so should anything that counts routines. The
// procedural type itself is a type declaration, and is shown as one.

// The name of the procedural-type row, as the scanner writes it.
inline constexpr const char* ProcedureTypeMarkerName = "{STDCALL}";
bool IsProcedureTypeMarker(const QString& procName);

// Neither the placeholder nor the procedural-type row: a routine of the
// unit's interface, as reports show it.
bool IsRoutineRow(const QString& procName);

// True in SQL for a row that is no procedural-type row; `procName` is the
// column as the query names it ("p.ProcName"). The marker stands in the
// text as a literal (it holds no quote), so the test fits statements whose
// parameters are numbered by someone else.
QString NotProcedureTypeMarkerSql(const QString& procName);

} // namespace ink
