#include "DisplayFormat.h"

namespace ink {

namespace {

bool isPatternChar(QChar c) {
    return c == QLatin1Char('#') || c == QLatin1Char('0') || c == QLatin1Char(',') ||
           c == QLatin1Char('.');
}

// Qt's long time formats name the time zone ("t"); the display shows the
// local time only.
QString longTimeWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            kept += c;
    }
    kept = kept.trimmed();
    while (kept.contains(QLatin1String("  ")))
        kept.replace(QLatin1String("  "), QLatin1String(" "));
    return kept;
}

} // namespace

QString formatNumber(double number, const QString& format, const QLocale& locale) {
    qsizetype patternEnd = 0;
    while (patternEnd < format.size() && isPatternChar(format.at(patternEnd)))
        ++patternEnd;
    const QString pattern = format.left(patternEnd);
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const int decimals = point < 0 ? 0 : int(pattern.mid(point + 1).count(QLatin1Char('0')));

    QLocale shown = locale;
    QLocale::NumberOptions options = shown.numberOptions();
    if (pattern.contains(QLatin1Char(',')))
        options &= ~QLocale::OmitGroupSeparator;
    else
        options |= QLocale::OmitGroupSeparator;
    shown.setNumberOptions(options);
    return shown.toString(number, 'f', decimals) + format.mid(patternEnd);
}

QString formatDateTime(const QDateTime& moment, const QLocale& locale) {
    const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + locale.toString(moment.time(), longTimeWithoutZone(locale));
}

} // namespace ink
