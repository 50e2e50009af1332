#include "FixedPitchFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QStringList>

namespace ink {

bool advancesEvenly(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(QLatin1Char('i'));
    if (width <= 0)
        return false;
    for (const QChar c : QStringLiteral("Wm0. "))
        if (!qFuzzyCompare(metrics.horizontalAdvance(c), width))
            return false;
    return true;
}

QFont fixedPitchFont(int pixelSize) {
    QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    system.setPixelSize(pixelSize);
    QList<QFont> candidates{system};
    for (const char* family : {"DejaVu Sans Mono", "Liberation Mono", "Noto Mono", "Cousine",
                               "Consolas", "Menlo", "Courier New", "Courier"}) {
        QFont font(QString::fromLatin1(family));
        font.setStyleHint(QFont::TypeWriter);
        font.setPixelSize(pixelSize);
        candidates << font;
    }
    // A face fontconfig (or the system) marks fixed-pitch and that is so,
    // else one that at least measures so.
    for (const QFont& font : candidates)
        if (QFontInfo(font).fixedPitch() && advancesEvenly(font))
            return font;
    for (const QFont& font : candidates)
        if (advancesEvenly(font))
            return font;
    return system;
}

} // namespace ink
