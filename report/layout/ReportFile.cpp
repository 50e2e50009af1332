#include "ReportFile.h"

#include <QBuffer>
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

[[noreturn]] void cannotWrite(const QSaveFile& file) {
    throw ReportError(
        QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
}

// Unbuffered, so that every write reaches the system at once and a failure
// comes back from the very call that met it, with the system's own reason; a
// buffer flushed later loses that reason ("Unknown error").
void openForWriting(QSaveFile& file) {
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        cannotWrite(file);
}

// Writes all of `bytes`. A full disk first takes part of a write without a
// complaint; the write of the rest then fails and says why.
void writeAll(QSaveFile& file, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0)
            cannotWrite(file);
        bytes = bytes.sliced(written);
    }
}

void commit(QSaveFile& file) {
    if (!file.commit())
        cannotWrite(file);
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
    // The PDF writer ignores what its writes return, so the pages are made in
    // memory and then written with every write checked.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageLayout(pages);
        writer.setTitle(report.metaInformation(QTextDocument::DocumentTitle));
        writer.setCreator(QStringLiteral("Inkwright"));
        report.print(&writer);
    } // the writer finishes the file when it goes
    writeAll(file, pdf.data());
    commit(file);
}

void writeReportHtml(const QString& html, const QString& filePath) {
    QSaveFile file(filePath);
    openForWriting(file);
    writeAll(file, html.toUtf8());
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
