#include "PainterPageSink.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>

namespace ink {

PainterPageSink::PainterPageSink(QPainter& painter) : painter_(painter) {
    for (int f = 0; f < PageFontCount; ++f) {
        QFont font(pageFontFamily(PageFont(f)));
        font.setBold(PageFont(f) == PageFont::Bold);
        font.setItalic(PageFont(f) == PageFont::Italic);
        font.setStyleHint(PageFont(f) == PageFont::Mono ? QFont::TypeWriter : QFont::SansSerif);
        font.setKerning(false);
        font.setHintingPreference(QFont::PreferNoHinting);
        fonts_[f] = font;
    }
}

void PainterPageSink::beginPage(int) {}

void PainterPageSink::text(PageFont font, double size, QPointF baseline, const QString& text,
                           double grey) {
    QFont face = fonts_[int(font)];
    // Point sizes turn into pixels at the device's resolution; the painter
    // already maps points to the device, so the size is given as pixels.
    const int dpi = painter_.device() ? painter_.device()->logicalDpiY() : 72;
    face.setPointSizeF(size * 72.0 / dpi);
    painter_.setFont(face);
    const int level = int(grey * 255);
    painter_.setPen(QColor(level, level, level));
    painter_.drawText(baseline, text);
}

void PainterPageSink::rule(QPointF from, QPointF to, double width, double grey) {
    const int level = int(grey * 255);
    painter_.setPen(QPen(QColor(level, level, level), width));
    painter_.drawLine(from, to);
}

void PainterPageSink::endPage() {}

} // namespace ink
