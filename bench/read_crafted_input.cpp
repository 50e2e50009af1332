// Option files and units made to cost the readers most by their size
// alone: an .lpi that names N unit and include search paths (and its
// search folders found), a .cfg of N path options, and a unit that
// overloads one name N times. Each should cost in proportion to N; the
// complexity line printed after each series says which order it fits.
#include <benchmark/benchmark.h>
#include <QByteArray>

#include "scan/ProjectOptions.h"
#include "scan/ProjectSearch.h"
#include "scan/UnitDeclarations.h"

namespace {

QByteArray Lpi(int paths) {
    QByteArray list;
    for (int i = 0; i < paths; ++i)
        list += "dir" + QByteArray::number(i) + ';';
    return "<?xml version=\"1.0\"?>\n<CONFIG><ProjectOptions><Units Count=\"1\"><Unit0>"
           "<Filename Value=\"p.lpr\"/><IsPartOfProject Value=\"True\"/></Unit0></Units>"
           "</ProjectOptions><CompilerOptions><SearchPaths><OtherUnitFiles Value=\"" +
           list + "\"/><IncludeFiles Value=\"" + list +
           "\"/></SearchPaths></CompilerOptions></CONFIG>\n";
}

void lpiSearchPaths(benchmark::State& state) {
    const QByteArray text = Lpi(int(state.range(0)));
    for (auto _ : state) {
        ink::ProjectOptions options;
        ink::ParseLpiOptions(text, QStringLiteral("/nowhere"), options);
        options.projectFile = QStringLiteral("/nowhere/p.lpi");
        const ink::ProjectSearch search(options);
        benchmark::DoNotOptimize(search.unitFolders().size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(lpiSearchPaths)
    ->RangeMultiplier(2)
    ->Range(2500, 40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void cfgPathOptions(benchmark::State& state) {
    QByteArray text;
    for (int i = 0; i < state.range(0); ++i)
        text += "-Udir" + QByteArray::number(i) + "\n-dSYMBOL" + QByteArray::number(i) + '\n';
    for (auto _ : state) {
        ink::ProjectOptions options;
        ink::ParseCfgOptions(text, QStringLiteral("/nowhere"), options);
        benchmark::DoNotOptimize(options.unitSearchPaths.size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(cfgPathOptions)
    ->RangeMultiplier(2)
    ->Range(2500, 40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void sameNamedOverloads(benchmark::State& state) {
    QByteArray text = "unit O;\ninterface\n";
    for (int i = 0; i < state.range(0); ++i)
        text += "procedure P(a: T" + QByteArray::number(i) + "); overload;\n";
    text += "implementation\nend.\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(ink::ParseUnitDeclarations(text).declarations.size());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(sameNamedOverloads)
    ->RangeMultiplier(2)
    ->Range(12500, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
