// Printing and drawing a laid-out report's pages on any paint device.
#include "ReportPrint.h"

#include <QPainter>
#include <QPrinter>

#include "PainterPageSink.h"
#include "ReportLayout.h"
#include "store/UserError.h"

namespace ink {

void paintReportPage(ReportLayout& layout, int page, QPainter& painter, double width,
                     double height) {
    const QSizeF points = ReportLayout::pageSize();
    const double scale = qMin(width / points.width(), height / points.height());
    painter.save();
    painter.translate((width - points.width() * scale) / 2, (height - points.height() * scale) / 2);
    painter.scale(scale, scale);
    painter.fillRect(QRectF(QPointF(0, 0), points), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PainterPageSink sink(painter);
    layout.renderPage(page, sink);
    painter.restore();
}

void printReportPages(ReportLayout& layout, QPrinter& printer, int first, int last) {
    first = qMax(first, 1);
    last = qMin(last, layout.pageCount());
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        throw UserError(QStringLiteral("The printer could not be started."));
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    for (int page = first; page <= last; ++page) {
        if (page > first && !printer.newPage())
            throw UserError(QStringLiteral("The printer refused page %1.").arg(page));
        paintReportPage(layout, page, painter, paper.width(), paper.height());
    }
    if (!painter.end())
        throw UserError(QStringLiteral("The printer could not finish the report."));
}

} // namespace ink
