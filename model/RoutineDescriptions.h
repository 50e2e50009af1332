#pragma once
#include <QHash>
#include <QString>

namespace ink {

// A routine declaration (a procedure or a function, of the unit or of a
// type) that has no description of its own shows the description of the
// unit's routine row of its name, marked as shared: stores made before the
// declarations were kept hold their words there, and the Procedures page
// goes on showing and editing them. Nothing is copied, so no description
// exists twice; the declaration gets its own the moment one is typed for it.
bool SharesRoutineDescription(const QString& declKind);

// The descriptions of one unit's routine rows by case-folded name. One
// routine row per name is the rule; should a store hold two, the first in
// list order is the one the Procedures page finds, and the one kept.
using RoutineDescriptionsByName = QHash<QString, QString>;
void AddRoutineDescription(RoutineDescriptionsByName& byName, const QString& procName,
                           const QString& description);

struct DeclarationDescription {
    QString text;
    bool shared = false; // the routine row's, not the declaration's own
};

// The description a declaration shows: its own when it is a description
// (IsDescribed), else, for a routine kind, the one of the routine row named
// `declName` in `routineDescriptions`, when that one is.
DeclarationDescription DescriptionShown(const QString& declKind, const QString& declName,
                                        const QString& ownDescription,
                                        const RoutineDescriptionsByName& routineDescriptions);

} // namespace ink
