#include "PageFonts.h"

#include <QFont>
#include <QRawFont>

#include "FontShaper.h"

namespace ink {

namespace {

// Windows-1252 at 0x80..0x9F; 0 where the code page has no character.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QFont faceFor(PageFont font) {
    QFont face(pageFontFamily(font));
    face.setBold(font == PageFont::Bold);
    face.setItalic(font == PageFont::Italic);
    face.setStyleHint(font == PageFont::Mono ? QFont::TypeWriter : QFont::SansSerif);
    face.setPixelSize(1000);
    return face;
}

} // namespace

char winAnsiByte(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    if (u > 0x2122) // the code page's last character
        return '?';
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[i] == u && u != 0)
            return char(0x80 + i);
    if (u == '\t')
        return ' ';
    return '?';
}

QByteArray winAnsiBytes(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = winAnsiByte(text[i]);
    return bytes;
}

QString pageFontFamily(PageFont font) {
    return font == PageFont::Mono ? QStringLiteral("Liberation Mono")
                                  : QStringLiteral("Liberation Sans");
}

const PageFontMetrics& PageFontMetrics::instance() {
    static const PageFontMetrics metrics;
    return metrics;
}

PageFontMetrics::PageFontMetrics() {
    QString codePage(256, QChar('?'));
    for (int b = 0; b < 256; ++b) {
        if ((b >= 0x20 && b < 0x7F) || b >= 0xA0)
            codePage[b] = QChar(b);
        else if (b >= 0x80 && b < 0xA0 && Cp1252High[b - 0x80] != 0)
            codePage[b] = QChar(Cp1252High[b - 0x80]);
    }
    for (int f = 0; f < PageFontCount; ++f) {
        const QRawFont raw = QRawFont::fromFont(faceFor(PageFont(f)));
        const QList<quint32> glyphs = raw.glyphIndexesForString(codePage);
        const QList<QPointF> advances =
            raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
        for (int b = 0; b < 256 && b < advances.size(); ++b)
            widths_[f][b] = float(advances[b].x() * 1000.0 / raw.pixelSize());
        if (PageFont(f) == PageFont::Mono) // Courier: every character is 600 wide
            widths_[f].fill(600.0f);
    }
}

double PageFontMetrics::width(PageFont font, double size, QStringView text) const {
    double total = 0;
    const auto& table = widths_[int(font)];
    for (qsizetype i = 0; i < text.size();) {
        const char16_t u = text[i].unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            total += table[static_cast<unsigned char>(winAnsiByte(text[i]))];
            ++i;
            continue;
        }
        qsizetype length = 1;
        total += otherWidth(font, codePointAt(text, i, &length));
        i += length;
    }
    return total * size / 1000.0;
}

char32_t PageFontMetrics::codePointAt(QStringView text, qsizetype at, qsizetype* length) {
    const QChar c = text[at];
    if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text[at + 1]);
    }
    *length = 1;
    return c.isSurrogate() ? char32_t(0xFFFD) : char32_t(c.unicode());
}

float PageFontMetrics::otherWidth(PageFont font, char32_t c) const {
    if (c == LeftToRightMark || c == RightToLeftMark)
        return 0;
    if (FontShaper::isStandard(c))
        return widths_[int(font)][static_cast<unsigned char>(winAnsiByte(QChar(char16_t(c))))];
    return FontShaper::instance().advance(font, c);
}

} // namespace ink
