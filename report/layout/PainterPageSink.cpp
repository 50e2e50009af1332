#include "PainterPageSink.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPen>

#include "FontShaper.h"

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
    // Point sizes turn into pixels at the device's resolution; the painter
    // already maps points to the device, so the size is given as pixels.
    const int dpi = painter_.device() ? painter_.device()->logicalDpiY() : 72;
    const double pointSize = size * 72.0 / dpi;
    const int level = int(grey * 255);
    painter_.setPen(QColor(level, level, level));
    if (!FontShaper::needsShaping(text)) {
        QFont face = fonts_[int(font)];
        face.setPointSizeF(pointSize);
        painter_.setFont(face);
        painter_.drawText(baseline, text);
        return;
    }
    // The same runs in the same faces as the PDF, each where the layout
    // measured it, so a line is as long on screen as on paper.
    FontShaper& shaper = FontShaper::instance();
    double x = baseline.x();
    for (const ShapedRun& run : shaper.shape(font, text)) {
        QFont face = fonts_[int(font)];
        if (run.face != StandardFace) {
            const FontFaceInfo& info = shaper.face(run.face);
            face = QFont(info.family);
            face.setBold(info.bold);
            face.setItalic(info.italic);
            face.setKerning(false);
            face.setHintingPreference(QFont::PreferNoHinting);
            face.setStyleStrategy(QFont::NoFontMerging);
        }
        face.setPointSizeF(pointSize);
        painter_.setFont(face);
        painter_.drawText(QPointF(x, baseline.y()), run.text);
        x += run.width * size / 1000.0;
    }
}

void PainterPageSink::rule(QPointF from, QPointF to, double width, double grey) {
    const int level = int(grey * 255);
    painter_.setPen(QPen(QColor(level, level, level), width));
    painter_.drawLine(from, to);
}

void PainterPageSink::endPage() {}

} // namespace ink
