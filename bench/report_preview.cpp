// The preview of the fpc-source document: how long until the first page is
// on screen (open the store, draw page 1; the pages are counted after it),
// what counting every page costs, and what one more page costs when the
// user pages on.
#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportPrint.h"
#include "report/layout/ReportSource.h"
#include "report/preview/ReportPreview.h"
#include "scan/BuildDocument.h"
#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDM1.h"

namespace {

// The document, built once for all the runs.
ink::StoreAddress documentStore() {
    static QTemporaryDir folder;
    static ink::StoreAddress built;
    if (!built.folder.isEmpty())
        return built;
    const QString project = folder.filePath("project");
    QProcess::execute(QStringLiteral(INKWRIGHT_SOURCE_DIR "/scripts/make-fpc-project"), {project});
    BenchStore store(folder, QStringLiteral("data"));
    SilentFeedback feedback;
    ink::BuildDocument(*store.dm, project + "/FpcUnits.dpr", QStringLiteral("FPC"), false,
                       feedback);
    built = ink::StoreAddress::local(folder.filePath("data"));
    return built;
}

void drawPage(ink::ReportLayout& layout, int page) {
    QImage image(900, 1270, QImage::Format_RGB32);
    QPainter painter(&image);
    ink::paintReportPage(layout, page, painter, image.width(), image.height());
}

void firstPreviewPage(benchmark::State& state) {
    const ink::StoreAddress store = documentStore();
    for (auto _ : state) {
        ink::ReportSource source(store);
        source.open(1);
        ink::ReportLayout layout(source, ink::ReportLayout::Deferred::Counting);
        drawPage(layout, 1);
    }
}
BENCHMARK(firstPreviewPage)->Unit(benchmark::kMillisecond)->Iterations(3);

void countEveryPage(benchmark::State& state) {
    const ink::StoreAddress store = documentStore();
    for (auto _ : state) {
        ink::ReportSource source(store);
        source.open(1);
        ink::ReportLayout layout(source);
        state.counters["pages"] = layout.pageCount();
    }
}
BENCHMARK(countEveryPage)->Unit(benchmark::kMillisecond)->Iterations(1);

void nextPreviewPage(benchmark::State& state) {
    ink::ReportSource source(documentStore());
    source.open(1);
    ink::ReportLayout layout(source);
    int page = layout.pageCount() / 2;
    for (auto _ : state)
        drawPage(layout, page++);
}
BENCHMARK(nextPreviewPage)->Unit(benchmark::kMillisecond)->Iterations(20);

// The window as the user gets it: from the press of "Preview" to the first
// page painted. With INKWRIGHT_PREVIEW_GRAB set, the window is saved there
// as a picture.
void previewWindowFirstPage(benchmark::State& state) {
    const ink::StoreAddress store = documentStore();
    ink::QtPreviewDialogs dialogs;
    for (auto _ : state) {
        ink::ReportSource source(store);
        source.open(1);
        ink::ReportLayout layout(source, ink::ReportLayout::Deferred::Counting);
        ink::ReportPreviewWindow window(source, layout, dialogs);
        window.resize(760, 1000);
        window.show();
        const QImage shown = window.grab().toImage();
        const QString grab = qEnvironmentVariable("INKWRIGHT_PREVIEW_GRAB");
        if (!grab.isEmpty()) {
            layout.layOutAll();
            window.go(layout.unitStart(source.unitCount() / 2).page);
            window.grab().save(grab);
        }
        benchmark::DoNotOptimize(shown.width());
    }
}
BENCHMARK(previewWindowFirstPage)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
