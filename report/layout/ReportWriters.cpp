#include "ReportWriters.h"

#include <QFileInfo>

#include "ReportHtml.h"
#include "ReportPdfFile.h"
#include "ReportSite.h"
#include "ReportText.h"
#include "store/UserError.h"

namespace ink {

namespace {

const QList<ReportWriter>& writers() {
    static const QList<ReportWriter> all{
        {"pdf", {QStringLiteral("pdf")}, writePdfReport},
        {"html", {QStringLiteral("html"), QStringLiteral("htm")}, writeHtmlReport},
        {"text", {QStringLiteral("txt")}, writeTextReport},
        {"site", {}, writeSiteReport},
    };
    return all;
}

// ".pdf, .html, .htm or .txt"
QString knownSuffixes() {
    QStringList suffixes;
    for (const ReportWriter& writer : writers())
        for (const QString& suffix : writer.suffixes)
            suffixes.append(QChar('.') + suffix);
    const QString last = suffixes.takeLast();
    return suffixes.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

} // namespace

const ReportWriter& reportWriterFor(const QString& out) {
    const QFileInfo file(out);
    const QString suffix = file.suffix().toLower();
    for (const ReportWriter& writer : writers())
        if (!suffix.isEmpty() && writer.suffixes.contains(suffix))
            return writer;
    if (suffix.isEmpty() || file.isDir())
        for (const ReportWriter& writer : writers())
            if (writer.suffixes.isEmpty())
                return writer;
    throw UserError(QStringLiteral("Cannot tell the report format of %1: name it %2, or give a "
                                   "folder for a site.")
                        .arg(out, knownSuffixes()));
}

} // namespace ink
