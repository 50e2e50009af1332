// A document build and a refresh with nothing changed, over a generated
// project that lists every .pas unit of the fpc-source package with its `in`
// path: the work "Add" and "Refresh" do, without the window; on the
// embedded store and on a server.
#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "store/TTable.h"

namespace {

// Writes the project with the same script a person uses by hand.
QString makeProject(const QTemporaryDir& folder) {
    const QString out = folder.filePath("project");
    QProcess::execute(QStringLiteral(INKWRIGHT_SOURCE_DIR "/scripts/make-fpc-project"), {out});
    return out + "/FpcUnits.dpr";
}

void buildFpcProject(benchmark::State& state) {
    QTemporaryDir folder;
    timeBuilds(state, folder, makeProject(folder));
}
BENCHMARK(buildFpcProject)->Unit(benchmark::kMillisecond)->Iterations(3);

void refreshFpcProjectUnchanged(benchmark::State& state) {
    QTemporaryDir folder;
    timeRefreshes(state, folder, makeProject(folder));
}
BENCHMARK(refreshFpcProjectUnchanged)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same refresh reading every unit (Shift+Refresh, refresh --full).
void refreshFpcProjectReadingAll(benchmark::State& state) {
    QTemporaryDir folder;
    timeRefreshes(state, folder, makeProject(folder), BenchEngine::Sqlite,
                  ink::RefreshReading::AllUnits);
}
BENCHMARK(refreshFpcProjectReadingAll)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same on a PostgreSQL server on this machine (a private cluster).
void buildFpcProjectOnServer(benchmark::State& state) {
    QTemporaryDir folder;
    timeBuilds(state, folder, makeProject(folder), BenchEngine::Server);
}
BENCHMARK(buildFpcProjectOnServer)->Unit(benchmark::kMillisecond)->Iterations(3);

void refreshFpcProjectUnchangedOnServer(benchmark::State& state) {
    QTemporaryDir folder;
    timeRefreshes(state, folder, makeProject(folder), BenchEngine::Server);
}
BENCHMARK(refreshFpcProjectUnchangedOnServer)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
