#pragma once
#include <QString>

#include "ReportWriters.h"

namespace ink {

class ReportLayout;

// Writes the laid-out report as a PDF file, page by page, with a bookmark
// per unit and routine and the contents linked to the pages; then reads the
// file back and checks it holds the pages laid out. Needs a QGuiApplication
// (font widths). UserError names the file and gives the system's reason
// when it cannot be written (a full disk: "No space left on device"); an
// existing file is replaced only by a complete new one.
void writeReportPdf(ReportSource& source, ReportLayout& layout, const QString& filePath);

// The number of pages a PDF file's page tree announces, and that it really
// holds; -1 when the file is no PDF or the two disagree.
int pdfPageCount(const QString& filePath);

// The PDF writer: the report of `source` laid out and written to `out`.
ExportResult writePdfReport(ReportSource& source, const QString& out);

} // namespace ink
