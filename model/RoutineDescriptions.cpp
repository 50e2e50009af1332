#include "RoutineDescriptions.h"

#include "Described.h"

namespace ink {

bool SharesRoutineDescription(const QString& declKind) {
    return declKind == QLatin1String("procedure") || declKind == QLatin1String("function");
}

void AddRoutineDescription(RoutineDescriptionsByName& byName, const QString& procName,
                           const QString& description) {
    const QString name = procName.toCaseFolded();
    if (!byName.contains(name))
        byName.insert(name, description);
}

DeclarationDescription DescriptionShown(const QString& declKind, const QString& declName,
                                        const QString& ownDescription,
                                        const RoutineDescriptionsByName& routineDescriptions) {
    // Own text that is no description (blanks, a separator line) does not
    // hide the routine row's.
    if (IsDescribed(ownDescription) || !SharesRoutineDescription(declKind))
        return {ownDescription, false};
    const QString shared = routineDescriptions.value(declName.toCaseFolded());
    if (!IsDescribed(shared))
        return {ownDescription, false};
    return {shared, true};
}

} // namespace ink
