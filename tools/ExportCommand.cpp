// inkwright-tool export DOCNO --data DIR|--db URL --out OUT: writes the report of a
// document, as the preview shows it, to a PDF file or one HTML page (by the
// extension .pdf, .html or .htm), or as a browsable site into the folder OUT,
// reading DIR/Inkwright.sqlite without changing it. It says "wrote" only
// after checking what it wrote.
#include "report/layout/ReportFile.h"
#include "store/StoreAddress.h"
#include "ToolCommand.h"

#include <limits>
#include <QDir>

using namespace ink;

namespace {

const char* const Usage =
    "usage: inkwright-tool export DOCNO --data DIR|--db URL --out FILE.pdf|FILE.html|FOLDER\n";

struct ExportArguments {
    qint32 docNo = 0;
    QString dataDir;
    QString url; // a server store, in place of dataDir
    QString outFile;
};

bool parseDocNo(const QString& text, qint32& docNo) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        return false;
    docNo = qint32(value);
    return true;
}

// Nothing when the arguments do not fit the usage.
std::optional<ExportArguments> parseArguments(const QStringList& args) {
    ExportArguments parsed;
    bool haveDocNo = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if ((arg == "--data" || arg == "--db" || arg == "--out") && i + 1 < args.size())
            (arg == "--data" ? parsed.dataDir
             : arg == "--db" ? parsed.url
                             : parsed.outFile) = args[++i];
        else if (!haveDocNo && parseDocNo(arg, parsed.docNo))
            haveDocNo = true;
        else
            return std::nullopt;
    }
    if (!haveDocNo || parsed.dataDir.isEmpty() == parsed.url.isEmpty() || parsed.outFile.isEmpty())
        return std::nullopt;
    return parsed;
}

int RunExport(const QStringList& args, QTextStream& out, QTextStream& err) {
    const std::optional<ExportArguments> parsed = parseArguments(args);
    if (!parsed) {
        err << Usage;
        return 2;
    }
    StoreAddress store = StoreAddress::local(parsed->dataDir);
    if (!parsed->url.isEmpty()) {
        QString problem;
        const std::optional<StoreAddress> server = StoreAddress::fromUrl(parsed->url, &problem);
        if (!server) {
            err << Usage << problem << '\n';
            return 2;
        }
        store = *server;
    }
    const ExportResult result = exportReport(store.location(), parsed->docNo, parsed->outFile);
    out << "wrote " << QDir::toNativeSeparators(result.path);
    if (result.pages > 0)
        out << " (" << result.pages << (result.pages == 1 ? " page)" : " pages)");
    out << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("export"),
    QStringLiteral(
        "export DOCNO --data DIR|--db URL --out OUT   write a document's report: OUT.pdf, "
        "OUT.html, or a site in the folder OUT"),
    RunExport,
    ToolCommand::Needs::Gui,
});

} // namespace
