#include "ReportFile.h"

#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include "ReportError.h"
#include "ReportHtml.h"
#include "ReportReader.h"

namespace ink {

namespace {

enum class ReportFormat { Pdf, Html };

ReportFormat formatForFile(const QString& filePath) {
    const QString suffix = QFileInfo(filePath).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return ReportFormat::Pdf;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return ReportFormat::Html;
    throw ReportError(
        QStringLiteral("Cannot tell the report format of %1: name it .pdf, .html or .htm.")
            .arg(filePath));
}

void openForWriting(QSaveFile& file) {
    if (!file.open(QIODevice::WriteOnly))
        throw ReportError(
            QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
}

void commit(QSaveFile& file) {
    if (!file.commit())
        throw ReportError(
            QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
}

} // namespace

std::unique_ptr<QTextDocument> reportTextDocument(const ReportDocument& document) {
    auto report = std::make_unique<QTextDocument>();
    report->setHtml(reportHtml(document));
    report->setMetaInformation(QTextDocument::DocumentTitle, document.name);
    return report;
}

QPageLayout defaultReportPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(),
                       QPageLayout::Millimeter);
}

void writeReportPdf(QTextDocument& report, const QString& filePath, const QPageLayout& pages) {
    QSaveFile file(filePath);
    openForWriting(file);
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(pages);
        writer.setTitle(report.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("Inkwright"));
        report.print(&writer);
    } // the writer finishes the file when it goes
    commit(file);
}

void writeReportHtml(const QString& html, const QString& filePath) {
    QSaveFile file(filePath);
    openForWriting(file);
    file.write(html.toUtf8());
    commit(file);
}

void exportReport(const QString& databaseFile, qint32 docNo, const QString& outFile) {
    const ReportFormat format = formatForFile(outFile);
    const std::optional<ReportDocument> document = readReportDocument(databaseFile, docNo);
    if (!document)
        throw ReportError(QStringLiteral("There is no document number %1.").arg(docNo));
    if (format == ReportFormat::Html)
        writeReportHtml(reportHtml(*document), outFile);
    else
        writeReportPdf(*reportTextDocument(*document), outFile, defaultReportPageLayout());
}

} // namespace ink
