#pragma once
#include <QString>

#include "model/Placeholders.h"

namespace ink {

// Which rows of the routine list are routines (model/Placeholders.h), as a
// query asks it.
//
// True in SQL for a row that is no procedural-type row; `procName` is the
// column as the query names it ("p.ProcName"). The marker stands in the
// text as a literal (it holds no quote), so the test fits statements whose
// parameters are numbered by someone else.
QString NotProcedureTypeMarkerSql(const QString& procName);

} // namespace ink
