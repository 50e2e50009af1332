#pragma once
#include <QDateTime>

namespace ink {

// The moment a report says it was made: now, unless SOURCE_DATE_EPOCH gives
// one (seconds since 1970 in UTC, the reproducible-builds convention), so
// that the same store exported twice gives the same bytes. A value that is
// not a whole number of seconds is ignored.
QDateTime reportMadeMoment();

} // namespace ink
