// inkwright-tool export DOCNO --data DIR|--db URL --out OUT: writes the report of a
// document, as the preview shows it, to a PDF file, one HTML page or plain
// text (by the extension .pdf, .html or .htm, .txt), or as a browsable site
// into the folder OUT,
// reading DIR/Inkwright.sqlite without changing it. It says "wrote" only
// after checking what it wrote. --visibility lists which members of types
// are shown, and --event-handlers yes|no whether form classes' event
// handlers are listed; each by default as the document's options say
// (public, published and protected; no handlers).
#include "report/layout/ReportFile.h"
#include "ToolCommand.h"
#include "ToolStore.h"

#include <QDir>

using namespace ink;

namespace {

const char* const Usage =
    "export DOCNO --data DIR|--db URL --out FILE.pdf|FILE.html|FILE.txt|FOLDER "
    "[--visibility public,published,protected,private] "
    "[--event-handlers yes|no]";

struct ExportArguments {
    DocumentArguments document;
    QString outFile;
    QStringList visibilities;          // none: the document's choice
    std::optional<bool> eventHandlers; // none: the document's choice
};

// Nothing when the arguments do not fit the usage; `problem` says why the
// store option was refused, if it was.
std::optional<ExportArguments> parseArguments(QStringList args, QString* problem) {
    ExportArguments parsed;
    parsed.outFile = takeOption(args, QStringLiteral("--out"));
    const QString visibility = takeOption(args, QStringLiteral("--visibility"));
    parsed.visibilities = visibility.split(QChar(','), Qt::SkipEmptyParts);
    if (args.contains(QStringLiteral("--visibility")))
        return std::nullopt;
    const QString handlers = takeOption(args, QStringLiteral("--event-handlers")).toLower();
    if (handlers == QLatin1String("yes"))
        parsed.eventHandlers = true;
    else if (handlers == QLatin1String("no"))
        parsed.eventHandlers = false;
    else if (!handlers.isEmpty() || args.contains(QStringLiteral("--event-handlers"))) {
        *problem = QStringLiteral("--event-handlers takes yes or no");
        return std::nullopt;
    }
    std::optional<DocumentArguments> document = takeDocumentArguments(args, problem);
    if (!document || parsed.outFile.isEmpty())
        return std::nullopt;
    parsed.document = std::move(*document);
    return parsed;
}

int RunExport(const QStringList& args, QTextStream& out, QTextStream& err) {
    QString problem;
    const std::optional<ExportArguments> parsed = parseArguments(args, &problem);
    if (!parsed) {
        err << usageWithProblem(QString::fromLatin1(Usage), problem);
        return 2;
    }
    const ExportResult result =
        exportReport(parsed->document.store, parsed->document.docNo, parsed->outFile,
                     parsed->visibilities, parsed->eventHandlers);
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
        "OUT.html, OUT.txt (plain text), or a site in the folder OUT; --visibility "
        "public,published,protected,private "
        "chooses the members shown, --event-handlers yes|no whether form event handlers are "
        "listed (by default as the document's options say)"),
    RunExport,
    ToolCommand::Needs::Gui,
});

} // namespace
