#include "ReportDocument.h"

namespace ink {

namespace {
// Markers the scanner stores where a declaration has nothing.
bool isMarker(const QString& text) {
    return text.isEmpty() || text == QLatin1String("<None>") || text == QLatin1String("N/A");
}
} // namespace

QString unitClosingNote(const ReportUnit& unit, bool showsRoutines) {
    if (!unit.missingSource.isEmpty())
        return QStringLiteral("Source not found: ") + unit.missingSource;
    if (!showsRoutines)
        return QStringLiteral("This unit declares no procedures or functions.");
    return {};
}

QString routineDeclaration(const ReportRoutine& routine) {
    if (!routine.declaration.trimmed().isEmpty())
        return routine.declaration.simplified();
    const bool isFunction =
        routine.kind.compare(QLatin1String("FUNCTION"), Qt::CaseInsensitive) == 0;
    QString text = isFunction ? QStringLiteral("function ") : QStringLiteral("procedure ");
    text += routine.name;
    if (!isMarker(routine.parameters))
        text += QChar('(') + routine.parameters.simplified() + QChar(')');
    if (isFunction && !isMarker(routine.resultType))
        text += QStringLiteral(": ") + routine.resultType.simplified();
    return text + QChar(';');
}

} // namespace ink
