#pragma once
#include <QPointF>
#include <QRectF>
#include <QString>

#include "PageFonts.h"

namespace ink {

// Where laid-out pages go: a PDF file, the preview, a printer. Coordinates
// are points from the page's top left corner.
class PageSink {
public:
    virtual ~PageSink() = default;
    virtual void beginPage(int pageNumber) = 0; // from 1
    // `grey` from 0 (black) to 1 (white).
    virtual void text(PageFont font, double size, QPointF baseline, const QString& text,
                      double grey) = 0;
    virtual void rule(QPointF from, QPointF to, double width, double grey) = 0;
    virtual void endPage() = 0;

    // A click on `area` goes to `targetPage`, `targetY` points from its top.
    virtual void link(const QRectF& area, int targetPage, double targetY) {
        Q_UNUSED(area);
        Q_UNUSED(targetPage);
        Q_UNUSED(targetY);
    }
    // A bookmark: level 0 for a unit, 1 for a routine or type under the last
    // unit, 2 for a member under the last type, and so on.
    virtual void outline(int level, const QString& title, int page, double y) {
        Q_UNUSED(level);
        Q_UNUSED(title);
        Q_UNUSED(page);
        Q_UNUSED(y);
    }
};

} // namespace ink
