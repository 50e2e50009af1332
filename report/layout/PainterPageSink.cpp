#include "PainterPageSink.h"

#include <algorithm>
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
                if (glyph.glyph == MissingGlyph) { // a box, as the PDF draws it
                    const QRectF box = missingGlyphBox();
                    painter_.save();
                    painter_.setPen(QPen(painter_.pen().color(), std::max(size * 0.06, 0.3)));
                    painter_.setBrush(Qt::NoBrush);
                    painter_.drawRect(QRectF(x + (pen + box.x()) * size / 1000.0,
                                             baseline.y() - box.bottom() * size / 1000.0,
                                             box.width() * size / 1000.0,
                                             box.height() * size / 1000.0));
                    painter_.restore();
                    pen += glyph.advance;
                    continue;
                }
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
