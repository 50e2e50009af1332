#pragma once
#include <QHash>
#include <QList>
#include <QString>

namespace ink {

// The properties of an MSBuild project (a .dproj), evaluated as MSBuild
// evaluates them: group by group in file order, each group and property
// only when its condition holds.

// A property or a property group with the condition that guards it.
struct MsBuildProperty {
    QString name;
    QString condition;
    QString value;
};
struct MsBuildPropertyGroup {
    QString condition;
    QList<MsBuildProperty> properties;
};

// Property values by name, lower-cased: MSBuild property names ignore case.
using MsBuildProperties = QHash<QString, QString>;

// `$(Name)` replaced by the property's value. An unknown one is empty when
// `unknownEmpty` (in a condition, as in MSBuild), but kept in a value, so
// that a path built on a macro of the IDE ($(BDS)) is seen as unknown rather
// than taken as another.
QString ExpandMsBuildProperties(const QString& text, const MsBuildProperties& properties,
                                bool unknownEmpty = false);

// The properties after every group, with `config` and `platform` given as
// global properties (which, as in MSBuild, no group overwrites); an empty
// one is not given.
MsBuildProperties EvaluateMsBuildProperties(const QList<MsBuildPropertyGroup>& groups,
                                            const QString& config, const QString& platform);

} // namespace ink
