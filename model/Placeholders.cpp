#include "Placeholders.h"

namespace ink {

bool IsPlaceholderRoutine(const QString& procName) {
    return procName == QLatin1String(PlaceholderText);
}

bool IsProcedureTypeMarker(const QString& procName) {
    return procName == QLatin1String(ProcedureTypeMarkerName);
}

bool IsRoutineRow(const QString& procName) {
    return !IsPlaceholderRoutine(procName) && !IsProcedureTypeMarker(procName);
}

bool IsMarkerText(const QString& text) {
    return text.isEmpty() || text == QLatin1String(NoneMarkerText) ||
           text == QLatin1String(PlaceholderText);
}

QString ShownForm(const QString& storedForm) {
    if (storedForm.trimmed().isEmpty() || storedForm == QLatin1String(PlaceholderText))
        return {};
    return storedForm;
}

} // namespace ink
