#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace ink {

// A number in a display format such as "#,0 KB": the leading pattern of
// '#', '0', ',' and '.' gives the digits (',' groups thousands with the
// locale's separator, zeros after '.' the decimals); the rest is shown as it is.
QString formatNumber(double number, const QString& format, const QLocale& locale = QLocale());

// The locale's short date, a blank and its long time (without the time
// zone); the time is left out at exactly midnight.
QString formatDateTime(const QDateTime& moment, const QLocale& locale = QLocale());

} // namespace ink
