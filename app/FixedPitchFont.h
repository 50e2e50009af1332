#pragma once
#include <QFont>

namespace ink {

// A face whose characters all advance the same, at `pixelSize`: code shown
// in it keeps its columns. The system's own fixed font comes first, but a
// desktop may name one that only mostly is (Noto Sans Mono is not marked
// fixed-pitch and holds wider signs), so each candidate is checked in its
// metrics; the common monospace faces follow.
QFont fixedPitchFont(int pixelSize);

// Whether `font` as it resolves here advances "i", "W", "m", "0", "." and
// the blank alike.
bool advancesEvenly(const QFont& font);

} // namespace ink
