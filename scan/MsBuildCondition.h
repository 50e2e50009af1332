#pragma once
#include <QString>

#include "MsBuildProperties.h"

namespace ink {

// Whether an MSBuild condition holds with these properties. The conditions
// the Delphi IDE writes are understood: quoted operands compared with == and
// != (ignoring case), joined by `and` / `or`, negated by `not`, in
// parentheses. Anything else (a function such as Exists()) is false, which
// leaves the group out; an empty condition holds.
bool MsBuildConditionHolds(const QString& condition, const MsBuildProperties& properties);

} // namespace ink
