#pragma once
#include <array>
#include <QHash>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <QStringView>

namespace ink {

// The four faces of the report. The PDF names the standard Helvetica and
// Courier faces, which every PDF reader has, so nothing is embedded and a
// page costs only its text; the screen and the printer draw with Liberation
// Sans and Mono, whose widths are those of Helvetica and Courier, so a line
// breaks at the same place wherever it is shown.
enum class PageFont { Regular, Bold, Italic, Mono };
inline constexpr int PageFontCount = 4;

// Text in the single-byte code page the PDF fonts use (Windows-1252); a
// character outside it becomes '?' (the PDF draws such characters as shapes,
// see needsOutline).
QByteArray winAnsiBytes(QStringView text);
char winAnsiByte(QChar c);

// Advance widths of the four faces, per character, read once from the
// installed faces (a QGuiApplication must exist).
class PageFontMetrics {
public:
    static const PageFontMetrics& instance();

    // Width of `text` set in `font` at `size` points, in points.
    double width(PageFont font, double size, QStringView text) const;
    double charWidth(PageFont font, double size, QChar c) const {
        const char byte = winAnsiByte(c);
        if (byte == '?' && needsOutline(c))
            return otherWidth(font, c) * size / 1000.0;
        return widths_[int(font)][static_cast<unsigned char>(byte)] * size / 1000.0;
    }

    // A character the code page lacks, which the PDF draws as its outline.
    // (A surrogate half stays '?'.)
    static bool needsOutline(QChar c) {
        return winAnsiByte(c) == '?' && c != QChar('?') && !c.isSurrogate();
    }
    // That outline in the face standing in for `font`, 1000 units to the em,
    // y growing down from the baseline; the face's "missing" box when it has
    // no such character.
    QPainterPath outline(PageFont font, QChar c) const;

private:
    PageFontMetrics();
    float otherWidth(PageFont font, QChar c) const;

    std::array<std::array<float, 256>, PageFontCount> widths_{};
    std::array<QRawFont, PageFontCount> faces_;
    mutable std::array<QHash<char16_t, float>, PageFontCount> otherWidths_;
};

// The installed family that stands in for `font` on screen and paper.
QString pageFontFamily(PageFont font);

} // namespace ink
