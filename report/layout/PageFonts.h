#pragma once
#include <array>
#include <QString>
#include <QStringView>

namespace ink {

// The four faces of the report. For the characters of their code page the
// PDF names the standard Helvetica and Courier faces, which every PDF reader
// has, so nothing is embedded and a page costs only its text; the screen
// and the printer draw with Liberation Sans and Mono, whose widths are those
// of Helvetica and Courier, so a line breaks at the same place wherever it
// is shown. Every other character is set in the same installed font on
// screen, on paper and in the PDF (see FontShaper).
enum class PageFont { Regular, Bold, Italic, Mono };
inline constexpr int PageFontCount = 4;

// Text in the single-byte code page the standard PDF faces use
// (Windows-1252); a character outside it becomes '?'. The PDF sets such
// characters in fonts of their own (see FontShaper).
QByteArray winAnsiBytes(QStringView text);
char winAnsiByte(QChar c);

// The invisible marks that set the direction of a line of text; they take
// no room and are not drawn.
inline constexpr char16_t LeftToRightMark = 0x200E;
inline constexpr char16_t RightToLeftMark = 0x200F;

// Advance widths of the four faces, per character, read once from the
// installed faces (a QGuiApplication must exist). A character the code page
// lacks is as wide as in the installed font that shows it.
class PageFontMetrics {
public:
    static const PageFontMetrics& instance();

    // Width of `text` set in `font` at `size` points, in points.
    double width(PageFont font, double size, QStringView text) const;
    double charWidth(PageFont font, double size, char32_t c) const {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            return widths_[int(font)][static_cast<unsigned char>(winAnsiByte(QChar(char16_t(c))))] *
                   size / 1000.0;
        return otherWidth(font, c) * size / 1000.0;
    }

    // The character that starts at `at` in `text` (a surrogate pair is one),
    // and how many UTF-16 units it takes.
    static char32_t codePointAt(QStringView text, qsizetype at, qsizetype* length);

private:
    PageFontMetrics();
    float otherWidth(PageFont font, char32_t c) const;

    std::array<std::array<float, 256>, PageFontCount> widths_{};
};

// The installed family that stands in for `font` on screen and paper.
QString pageFontFamily(PageFont font);

} // namespace ink
