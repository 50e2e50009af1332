#pragma once
#include <optional>
#include <QString>
#include <QStringList>

namespace ink {

class ReportLayout;
class ReportSource;
struct StoreAddress;

// What an export wrote, for the one who asked to read.
struct ExportResult {
    QString path;  // the file, or the site's index page
    int pages = 0; // of a PDF
};

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

// Writes the report of document `docNo` of `store` to `out`: a PDF
// for a name ending .pdf, one HTML page for .html or .htm (in any case), and
// else a browsable site in the folder `out` (made when missing). UserError
// for a missing document or a failed write. `visibilities` chooses which
// members of types are shown (ReportSource::setVisibilities), and
// `eventHandlers` whether form classes' event handlers are listed; left
// empty, each is the document's own choice.
ExportResult exportReport(const StoreAddress& store, qint32 docNo, const QString& out,
                          const QStringList& visibilities = {},
                          std::optional<bool> eventHandlers = std::nullopt);

} // namespace ink
