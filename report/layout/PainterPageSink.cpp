#include "PainterPageSink.h"

#include <QGlyphRun>
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
    // The same glyphs of the same font files as the PDF, each where
    // shaping put it, so a line is drawn on screen as it is on paper.
    FontShaper& shaper = FontShaper::instance();
    double x = baseline.x();
    for (const ShapedRun& run : shaper.shape(font, text)) {
        if (run.face == StandardFace) {
            QFont face = fonts_[int(font)];
            face.setPointSizeF(pointSize);
            painter_.setFont(face);
            painter_.drawText(QPointF(x, baseline.y()), run.text);
        } else {
            QRawFont raw = rawFont(run.face);
            raw.setPixelSize(size);
            QList<quint32> glyphs;
            QList<QPointF> places;
            double pen = 0;
            for (const ShapedGlyph& glyph : run.glyphs) {
                glyphs.append(glyph.glyph);
                places.append(
                    {(pen + glyph.xOffset) * size / 1000.0, -glyph.yOffset * size / 1000.0});
                pen += glyph.advance;
            }
            QGlyphRun glyphRun;
            glyphRun.setRawFont(raw);
            glyphRun.setGlyphIndexes(glyphs);
            glyphRun.setPositions(places);
            painter_.drawGlyphRun(QPointF(x, baseline.y()), glyphRun);
        }
        x += run.width * size / 1000.0;
    }
}

// The face loaded from the very file the PDF embeds, so the glyph numbers
// shaping gave are its own.
QRawFont PainterPageSink::rawFont(int face) {
    const auto known = rawFonts_.constFind(face);
    if (known != rawFonts_.constEnd())
        return *known;
    QRawFont raw;
    raw.loadFromData(FontShaper::instance().faceData(face), 10, QFont::PreferNoHinting);
    rawFonts_.insert(face, raw);
    return raw;
}

void PainterPageSink::rule(QPointF from, QPointF to, double width, double grey) {
    const int level = int(grey * 255);
    painter_.setPen(QPen(QColor(level, level, level), width));
    painter_.drawLine(from, to);
}

void PainterPageSink::endPage() {}

} // namespace ink
