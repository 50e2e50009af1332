#pragma once
#include <QString>

namespace ink {

// A description counts once it holds a word: a letter or a digit. Blanks,
// line breaks and the asterisks of a separator line are not a description.
// Coverage, the window, the report's outputs, the matching of a refresh and
// the aids that fill empty descriptions all go by this one rule.
bool IsDescribed(const QString& description);

} // namespace ink
