#pragma once
#include <memory>
#include <QPageLayout>
#include <QString>

class QTextDocument;

namespace ink {

struct ReportDocument;

// The report laid out for the screen, a printer or a PDF file.
std::unique_ptr<QTextDocument> reportTextDocument(const ReportDocument& document);

// The page used when no printer set-up is at hand: A4 portrait; the text
// keeps its own margins.
QPageLayout defaultReportPageLayout();

// Writes the laid-out report as a PDF file with the given pages. Needs a
// QGuiApplication (fonts). ReportError names the file and gives the system's
// reason when it cannot be written (a full disk: "No space left on device");
// an existing file is replaced only by a complete new one.
void writeReportPdf(QTextDocument& report, const QString& filePath, const QPageLayout& pages);
// Writes the report page as UTF-8 HTML, with the same guarantee.
void writeReportHtml(const QString& html, const QString& filePath);

// Writes the report of document `docNo` of `databaseFile` to `outFile`, as PDF
// or HTML by the file's extension (.pdf, .html, .htm, in any case).
// ReportError for an unknown extension, a missing document or a failed write.
void exportReport(const QString& databaseFile, qint32 docNo, const QString& outFile);

} // namespace ink
