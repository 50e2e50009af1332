// A document build and a refresh with nothing changed, over a generated
// project that lists every .pas unit of the fpc-source package with its `in`
// path: the work "Add" and "Refresh" do, without the window.
#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "scan/BuildDocument.h"
#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDM1.h"
#include "store/TTable.h"

namespace {

class SilentFeedback : public ink::BuildFeedback {
public:
    void setStatusText(const QString&) override {}
    void setProgressVisible(bool) override {}
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
    void stepProgress() override {}
    void showError(const QString&) override {}
};

// Writes the project with the same script a person uses by hand.
QString makeProject(const QTemporaryDir& folder) {
    const QString out = folder.filePath("project");
    QProcess::execute(QStringLiteral(INKWRIGHT_SOURCE_DIR "/scripts/make-fpc-project"), {out});
    return out + "/FpcUnits.dpr";
}

struct Store {
    explicit Store(const QTemporaryDir& folder, const QString& name)
        : registry(std::make_shared<ink::AliasRegistry>(folder.filePath(name + ".ini"))) {
        const QString data = folder.filePath(name);
        ink::createDataDirectory(data);
        ink::EnsureDatabaseAlias(*registry, ink::TDM1::AliasName, data, true);
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        ink::OpenOrCreateTables(*dm);
    }
    std::shared_ptr<ink::AliasRegistry> registry;
    std::unique_ptr<ink::TDM1> dm;
};

void buildFpcProject(benchmark::State& state) {
    QTemporaryDir folder;
    const QString project = makeProject(folder);
    SilentFeedback feedback;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Store store(folder, QStringLiteral("build%1").arg(round++));
        state.ResumeTiming();
        ink::BuildDocument(*store.dm, project, QStringLiteral("FPC"), false, feedback);
    }
}
BENCHMARK(buildFpcProject)->Unit(benchmark::kMillisecond)->Iterations(3);

void refreshFpcProjectUnchanged(benchmark::State& state) {
    QTemporaryDir folder;
    const QString project = makeProject(folder);
    SilentFeedback feedback;
    Store store(folder, QStringLiteral("refresh"));
    ink::BuildDocument(*store.dm, project, QStringLiteral("FPC"), false, feedback);
    for (auto _ : state)
        ink::BuildDocument(*store.dm, project, QStringLiteral("FPC"), true, feedback);
}
BENCHMARK(refreshFpcProjectUnchanged)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
