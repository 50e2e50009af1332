#include "RoutineMarkers.h"

namespace ink {

QString NotProcedureTypeMarkerSql(const QString& procName) {
    return QStringLiteral("%1 <> '%2'").arg(procName, QLatin1String(ProcedureTypeMarkerName));
}

} // namespace ink
