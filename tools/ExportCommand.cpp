// inkwright-tool export DOCNO --data DIR --out FILE: writes the report of a
// document, as the preview shows it, to a PDF or HTML file (by the file's
// extension), reading DIR/Inkwright.sqlite without changing it.
#include "report/layout/ReportFile.h"
#include "store/TDM1.h"
#include "ToolCommand.h"

#include <limits>
#include <QDir>

using namespace ink;

namespace {

const char* const Usage = "usage: inkwright-tool export DOCNO --data DIR --out FILE\n";

struct ExportArguments {
    qint32 docNo = 0;
    QString dataDir;
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
        if ((arg == "--data" || arg == "--out") && i + 1 < args.size())
            (arg == "--data" ? parsed.dataDir : parsed.outFile) = args[++i];
        else if (!haveDocNo && parseDocNo(arg, parsed.docNo))
            haveDocNo = true;
        else
            return std::nullopt;
    }
    if (!haveDocNo || parsed.dataDir.isEmpty() || parsed.outFile.isEmpty())
        return std::nullopt;
    return parsed;
}

int RunExport(const QStringList& args, QTextStream& out, QTextStream& err) {
    const std::optional<ExportArguments> parsed = parseArguments(args);
    if (!parsed) {
        err << Usage;
        return 2;
    }
    const QString databaseFile =
        QDir(parsed->dataDir).filePath(QString::fromLatin1(TDM1::DatabaseFileName));
    exportReport(databaseFile, parsed->docNo, parsed->outFile);
    out << "wrote " << QDir::toNativeSeparators(parsed->outFile) << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("export"),
    QStringLiteral("export DOCNO --data DIR --out FILE  write a document's report as PDF or HTML"),
    RunExport,
    ToolCommand::Needs::Gui,
});

} // namespace
