#include "RoutineMarkers.h"

#include "Coverage.h"

namespace ink {

bool IsProcedureTypeMarker(const QString& procName) {
    return procName == QLatin1String(ProcedureTypeMarkerName);
}

bool IsRoutineRow(const QString& procName) {
    return !IsPlaceholderRoutine(procName) && !IsProcedureTypeMarker(procName);
}

QString NotProcedureTypeMarkerSql(const QString& procName) {
    return QStringLiteral("%1 <> '%2'").arg(procName, QLatin1String(ProcedureTypeMarkerName));
}

} // namespace ink
