// Text fitted to the page: lines broken to a width (right-to-left and
// shaped scripts measured as drawn), and names cut with an ellipsis.
#include "FontShaper.h"
#include "ReportLayoutParts.h"

namespace ink {

using namespace layout;

namespace {

// Which way the first letter of `text` runs: DirL, DirR, or DirON when it
// has none; a paragraph runs that way.
QChar::Direction firstStrongDirection(QStringView text) {
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = 1;
        switch (QChar::direction(PageFontMetrics::codePointAt(text, i, &length))) {
        case QChar::DirL:
            return QChar::DirL;
        case QChar::DirR:
        case QChar::DirAL:
            return QChar::DirR;
        default:
            break;
        }
        i += length;
    }
    return QChar::DirON;
}

// The width of each character of `paragraph` (at the first half of a
// surrogate pair), such that a word adds up to its width as drawn: letters
// that join or combine when shaped (Arabic, say) take less room together
// than alone, and a line is filled by what it will really take.
QList<double> characterWidths(QStringView paragraph, PageFont font, double size) {
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    QList<double> widths(paragraph.size(), 0.0);
    for (qsizetype i = 0; i < paragraph.size();) {
        qsizetype length = 1;
        widths[i] =
            metrics.charWidth(font, size, PageFontMetrics::codePointAt(paragraph, i, &length));
        i += length;
    }
    for (qsizetype start = 0; start < paragraph.size();) {
        qsizetype end = start;
        while (end < paragraph.size() && paragraph[end] != QChar(' '))
            ++end;
        const QStringView word = paragraph.sliced(start, end - start);
        if (FontShaper::shapingChangesWidth(word)) {
            double alone = 0;
            for (qsizetype i = start; i < end; ++i)
                alone += widths[i];
            double shaped = 0;
            for (const ShapedRun& run : FontShaper::instance().shape(font, word))
                shaped += run.width * size / 1000.0;
            if (alone > 0)
                for (qsizetype i = start; i < end; ++i)
                    widths[i] *= shaped / alone;
        }
        start = end + 1;
    }
    return widths;
}

} // namespace

namespace layout {

QString elided(const QString& text, PageFont font, double size, double width) {
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    if (metrics.width(font, size, text) <= width)
        return text;
    const QString ellipsis = QString(QChar(0x2026));
    double used = metrics.width(font, size, ellipsis);
    qsizetype fits = 0;
    while (fits < text.size()) {
        qsizetype length = 1;
        const double w =
            metrics.charWidth(font, size, PageFontMetrics::codePointAt(text, fits, &length));
        if (used + w > width)
            break;
        used += w;
        fits += length;
    }
    return text.left(fits) + ellipsis;
}

} // namespace layout

QList<ReportLayout::Line> ReportLayout::wrap(const QString& text, PageFont font, double size,
                                             double x, double width, double hanging, double grey) {
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    const double height = lineHeightFor(font, size);
    QList<Line> lines;
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(QChar('\r'), QChar('\n'));
    plain.replace(QChar('\t'), QStringLiteral("    "));
    for (const QStringView paragraph : QStringView(plain).split(QChar('\n'))) {
        qsizetype start = 0;
        bool first = true;
        const QChar::Direction paragraphDirection = firstStrongDirection(paragraph);
        const QList<double> shapedWidths = FontShaper::shapingChangesWidth(paragraph)
                                               ? characterWidths(paragraph, font, size)
                                               : QList<double>();
        do {
            const double room = first ? width : width - hanging;
            double used = 0;
            qsizetype end = start;
            qsizetype lastBreak = -1; // a line may end after a blank
            qsizetype length = 1;     // of the character at `end`: a surrogate pair is one
            while (end < paragraph.size()) {
                const char32_t c = PageFontMetrics::codePointAt(paragraph, end, &length);
                const double w =
                    shapedWidths.isEmpty() ? metrics.charWidth(font, size, c) : shapedWidths[end];
                if (used + w > room && c != U' ')
                    break;
                used += w;
                if (c == U' ')
                    lastBreak = end + 1;
                end += length;
            }
            bool atBlank = false;
            if (end < paragraph.size()) {
                if (lastBreak > start) {
                    end = lastBreak;
                    atBlank = true;
                } else if (end == start) {
                    end = start + length; // not even one character fits: take it anyway
                }
            }
            QString piece = paragraph.mid(start, end - start).toString();
            while (piece.endsWith(QChar(' ')))
                piece.chop(1);
            // A line keeps the direction of its paragraph, though its own
            // first letter may run the other way: an invisible mark says so.
            if (!first && firstStrongDirection(piece) != paragraphDirection)
                piece.prepend(paragraphDirection == QChar::DirR ? QChar(RightToLeftMark)
                                                                : QChar(LeftToRightMark));
            lines.append({font, size, first ? x : x + hanging, height, piece, grey});
            start = end;
            // Blanks at a break belong to neither line.
            while (atBlank && start < paragraph.size() && paragraph[start] == QChar(' '))
                ++start;
            first = false;
        } while (start < paragraph.size());
    }
    return lines;
}

} // namespace ink
