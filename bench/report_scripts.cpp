// The PDF of a document whose descriptions are written in many scripts,
// beside the same document described in plain Latin text: what setting
// text in embedded fonts (found, ordered, shaped, cut to a subset) costs in
// time and in file size. The units are fpc-source's first 400.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "report/layout/ReportFile.h"
#include "store/Database.h"

namespace {

const char* const Latin = "Opens the ledger and returns the balance of every posting made "
                          "since the last closing, rounded to cents. Raises when the file "
                          "cannot be read.";
const char* const Scripts = "Opens the ledger: 打开账本并返回余额。 פותח את הספר ומחזיר את היתרה. "
                            "يفتح الدفتر ويعيد الرصيد. Открывает книгу. Ανοίγει το βιβλίο. "
                            "𝐁𝐚𝐥𝐚𝐧𝐜𝐞 in cents.";

// The document built once, its descriptions set to `text`.
QString databaseFile(const char* text) {
    static QTemporaryDir folder;
    static QString project;
    if (project.isEmpty()) {
        project = folder.filePath("project");
        QProcess::execute(QStringLiteral(INKWRIGHT_SOURCE_DIR "/scripts/make-fpc-project"),
                          {project, QStringLiteral("400")});
    }
    const QString name = QStringLiteral("data-%1").arg(qHash(QByteArray(text)));
    const QString file =
        QDir(folder.filePath(name)).filePath(QString::fromLatin1(ink::TDM1::DatabaseFileName));
    if (QFileInfo::exists(file))
        return file;
    {
        BenchStore store(folder, name);
        SilentFeedback feedback;
        ink::BuildDocument(*store.dm, project + "/FpcUnits.dpr", QStringLiteral("FPC"), false,
                           feedback);
    }
    ink::Database db(file);
    const QString quoted = QString::fromUtf8(text).replace('\'', QStringLiteral("''"));
    db.exec(QStringLiteral("UPDATE ProcsLib SET Description = '%1'").arg(quoted));
    db.exec(QStringLiteral("UPDATE UnitsLib SET Description = '%1'").arg(quoted));
    return file;
}

void exportPdf(benchmark::State& state, const char* text) {
    const QString file = databaseFile(text);
    QTemporaryDir out;
    const QString pdf = out.filePath("report.pdf");
    int pages = 0;
    for (auto _ : state)
        pages = ink::exportReport(file, 1, pdf).pages;
    state.counters["pages"] = pages;
    state.counters["KiB"] = double(QFileInfo(pdf).size()) / 1024;
}

void latinPdf(benchmark::State& state) {
    exportPdf(state, Latin);
}
BENCHMARK(latinPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

void manyScriptsPdf(benchmark::State& state) {
    exportPdf(state, Scripts);
}
BENCHMARK(manyScriptsPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
