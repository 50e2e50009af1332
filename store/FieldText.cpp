#include "FieldText.h"

namespace ink {

QString cutToWidth(const QString& text, int width) {
    // Every character takes at least one UTF-16 unit, so a short text fits.
    if (text.size() <= width)
        return text;
    int characters = 0;
    qsizetype at = 0;
    while (at < text.size() && characters < width) {
        const bool pair = text.at(at).isHighSurrogate() && at + 1 < text.size() &&
                          text.at(at + 1).isLowSurrogate();
        at += pair ? 2 : 1;
        ++characters;
    }
    return text.left(at);
}

QString withStoredLineBreaks(const QString& text) {
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString stored;
    stored.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            stored += QLatin1String("\r\n");
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            stored += QLatin1String("\r\n");
        } else {
            stored += c;
        }
    }
    return stored;
}

QString withEditorLineBreaks(const QString& text) {
    if (!text.contains(QLatin1Char('\r')))
        return text;
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return plain;
}

} // namespace ink
