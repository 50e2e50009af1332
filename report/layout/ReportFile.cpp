// A document's report written to a file or folder: a PDF, one HTML page or
// a site, chosen by the name given, and checked once written.
#include "ReportFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "PdfPageWriter.h"
#include "ReportHtml.h"
#include "ReportLayout.h"
#include "ReportMoment.h"
#include "ReportSite.h"
#include "ReportSource.h"
#include "store/UserError.h"
#include "WriteAll.h"

namespace ink {

namespace {

enum class ReportFormat { Pdf, Html, Site };

ReportFormat formatFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return ReportFormat::Pdf;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return ReportFormat::Html;
    if (suffix.isEmpty() || QFileInfo(path).isDir())
        return ReportFormat::Site;
    throw UserError(QStringLiteral("Cannot tell the report format of %1: name it .pdf, .html "
                                   "or .htm, or give a folder for a site.")
                        .arg(path));
}

[[noreturn]] void cannotWrite(const QSaveFile& file) {
    throw UserError(QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
}

// Unbuffered, so that every write reaches the system at once and a failure
// comes back from the very call that met it, with the system's own reason; a
// buffer flushed later loses that reason ("Unknown error").
void openForWriting(QSaveFile& file) {
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        cannotWrite(file);
}

void commit(QSaveFile& file) {
    if (!file.commit())
        cannotWrite(file);
}

void writeHtmlPage(const QString& html, const QString& filePath) {
    QSaveFile file(filePath);
    openForWriting(file);
    if (!writeAll(file, html.toUtf8()))
        cannotWrite(file);
    commit(file);
}

} // namespace

void writeReportPdf(ReportSource& source, ReportLayout& layout, const QString& filePath) {
    const ReportDocument& document = source.document();
    {
        QSaveFile file(filePath);
        openForWriting(file);
        PdfPageWriter writer(file, layout.pageCount(), ReportLayout::pageSize(),
                             {document.name,
                              document.author.isEmpty() ? document.company : document.author,
                              QStringLiteral("Reference documentation"), reportMadeMoment()});
        layout.render(1, layout.pageCount(), writer);
        if (!writer.finish())
            cannotWrite(file);
        commit(file);
    }
    const int written = pdfPageCount(filePath);
    if (written != layout.pageCount())
        throw UserError(
            QStringLiteral("%1 was written, but it holds %2 pages where %3 were laid out.")
                .arg(filePath, QString::number(qMax(written, 0)),
                     QString::number(layout.pageCount())));
}

// Read in pieces rather than mapped: a report of tens of thousands of pages
// is hundreds of megabytes, and every page of a mapping read through counts
// as the program's own memory.
int pdfPageCount(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 32)
        return -1;
    const QByteArrayView page = "/Type /Page ";
    const QByteArrayView tree = "/Type /Pages /Count ";
    // A match, and the count after it, decided only where all of it is read.
    const qsizetype reach = tree.size() + 12;
    constexpr qint64 Piece = 1 << 20;
    QByteArray window;
    QByteArray tail; // the file's last bytes, for its end
    int pages = 0;
    qint64 announced = -1;
    bool atStart = true;
    for (;;) {
        const QByteArray piece = file.read(Piece);
        const bool atEnd = piece.isEmpty();
        if (atStart) {
            if (!piece.startsWith("%PDF-"))
                return -1;
            atStart = false;
        }
        window += piece;
        tail = (tail + piece).right(64);
        const qsizetype decided = atEnd ? window.size() : window.size() - reach;
        for (qsizetype at = window.indexOf(page); at >= 0 && at < decided;
             at = window.indexOf(page, at + 1))
            ++pages;
        const qsizetype at = window.indexOf(tree);
        if (at >= 0 && at < decided && announced < 0) {
            qsizetype end = at + tree.size();
            while (end < window.size() && window[end] >= '0' && window[end] <= '9')
                ++end;
            announced = window.mid(at + tree.size(), end - at - tree.size()).toLongLong();
        }
        if (atEnd)
            break;
        window = window.mid(qMax<qsizetype>(decided, 0));
    }
    if (!tail.trimmed().endsWith("%%EOF"))
        return -1;
    return announced == pages ? pages : -1;
}

ExportResult exportReport(const StoreAddress& store, qint32 docNo, const QString& out,
                          const QStringList& visibilities, std::optional<bool> eventHandlers) {
    const ReportFormat format = formatFor(out);
    const auto missing = [docNo] {
        return UserError(QStringLiteral("There is no document number %1.").arg(docNo));
    };
    ReportSource source(store);
    if (!visibilities.isEmpty())
        source.setVisibilities(visibilities);
    if (eventHandlers)
        source.setEventHandlers(*eventHandlers);
    if (!source.open(docNo))
        throw missing();
    if (format == ReportFormat::Html) {
        writeHtmlPage(reportHtml(source), out);
        return {out, 0};
    }
    if (format == ReportFormat::Site)
        return {writeReportSite(source, out), 0};
    ReportLayout layout(source);
    writeReportPdf(source, layout, out);
    return {out, layout.pageCount()};
}

} // namespace ink
