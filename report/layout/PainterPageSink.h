#pragma once
#include <array>
#include <QFont>
#include <QHash>
#include <QRawFont>

#include "PageSink.h"

class QPainter;

namespace ink {

// Draws pages with a QPainter: the preview and the printer. The painter's
// coordinates must be points from the page's top left corner; the faces are
// the installed stand-ins for Helvetica and Courier, unhinted and without
// kerning, so text runs as wide as the layout measured it.
class PainterPageSink : public PageSink {
public:
    explicit PainterPageSink(QPainter& painter);

    void beginPage(int pageNumber) override;
    void text(PageFont font, double size, QPointF baseline, const QString& text,
              double grey) override;
    void rule(QPointF from, QPointF to, double width, double grey) override;
    void endPage() override;

private:
    QRawFont rawFont(int face);

    QPainter& painter_;
    std::array<QFont, PageFontCount> fonts_;
    QHash<int, QRawFont> rawFonts_;
};

} // namespace ink
