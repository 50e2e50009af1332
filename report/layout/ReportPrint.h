#pragma once

class QPainter;
class QPaintDevice;
class QPrinter;

namespace ink {

class ReportLayout;

// Draws page `page` of the layout scaled to fit `width` x `height` device
// pixels of `painter`, centred, on white.
void paintReportPage(ReportLayout& layout, int page, QPainter& painter, double width,
                     double height);

// Prints pages `first` to `last` (from 1) on `printer`, each scaled to its
// paper; only those pages are laid out and drawn.
void printReportPages(ReportLayout& layout, QPrinter& printer, int first, int last);

} // namespace ink
