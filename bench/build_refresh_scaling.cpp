// How build and refresh grow with the size of a project: generated projects
// of 10,000 and 40,000 units (each with a form and an `in` path), and one
// unit of 40,000 routines. A refresh with nothing changed should cost about
// what the build did, at every size.
#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "BenchSupport.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// `units` units of `routines` procedures each; returns the project file.
QString makeProject(const QTemporaryDir& folder, int units, int routines) {
    QDir(folder.path()).mkpath("src");
    QByteArray project = "program Generated;\nuses\n";
    for (int i = 0; i < units; ++i) {
        const QByteArray name = "Unit" + QByteArray::number(i);
        project += "  " + name + " in 'src\\" + name + ".pas' {Form" + QByteArray::number(i) + "}" +
                   (i + 1 < units ? ",\n" : ";\n");
        QByteArray unit = "unit " + name + ";\ninterface\n";
        for (int r = 0; r < routines; ++r)
            unit += "procedure Step" + QByteArray::number(r) + "(Value: Integer);\n";
        writeFile(folder.filePath("src/" + name + ".pas"), unit + "implementation\nend.\n");
    }
    const QString path = folder.filePath("Generated.dpr");
    writeFile(path, project + "begin\nend.\n");
    return path;
}

void build(benchmark::State& state, int units, int routines) {
    QTemporaryDir folder;
    timeBuilds(state, folder, makeProject(folder, units, routines));
}

void refreshUnchanged(benchmark::State& state, int units, int routines) {
    QTemporaryDir folder;
    timeRefreshes(state, folder, makeProject(folder, units, routines));
}

BENCHMARK_CAPTURE(build, units_10k, 10000, 1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(refreshUnchanged, units_10k, 10000, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(build, units_40k, 40000, 1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(refreshUnchanged, units_40k, 40000, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(build, routines_40k, 1, 40000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(refreshUnchanged, routines_40k, 1, 40000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace

BENCHMARK_MAIN();
