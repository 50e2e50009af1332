// The laid-out report as a PDF file, checked once written.
#include "ReportPdfFile.h"

#include <QFile>

#include "PdfPageWriter.h"
#include "ReportLayout.h"
#include "ReportMoment.h"
#include "ReportSaveFile.h"
#include "ReportSource.h"
#include "store/UserError.h"

namespace ink {

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
        commitOrThrow(file);
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

ExportResult writePdfReport(ReportSource& source, const QString& out) {
    ReportLayout layout(source);
    writeReportPdf(source, layout, out);
    return {out, layout.pageCount()};
}

} // namespace ink
