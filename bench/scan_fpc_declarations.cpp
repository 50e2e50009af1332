// What reading the declarations adds to a build's scan of a unit: every .pas
// unit of the Free Pascal sources (Debian's fpc-source package) scanned for
// its routines alone, as before, and for its routines and declarations from
// one reading (ScanUnit), include files followed in both. Then the two
// parsers alone over bytes already in memory.
#include <benchmark/benchmark.h>
#include <QFile>
#include <QFileInfo>

#include "scan/IncludeFiles.h"
#include "scan/UnitDeclarations.h"
#include "scan/UnitScanner.h"

namespace {

QStringList FpcUnits() {
    QStringList units;
    QFile list(QStringLiteral("/var/lib/dpkg/info/fpc-source-3.2.2.list"));
    if (list.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : list.readAll().split('\n')) {
            if (line.endsWith(".pas") && QFileInfo(QString::fromUtf8(line)).isFile())
                units.append(QString::fromUtf8(line));
        }
    }
    units.sort();
    return units;
}

const QStringList& Units() {
    static const QStringList units = FpcUnits();
    return units;
}

void routinesOnly(benchmark::State& state) {
    if (Units().isEmpty()) {
        state.SkipWithError("install the fpc-source package");
        return;
    }
    for (auto _ : state) {
        ink::IncludeCache cache; // one per build, as a build keeps it
        for (const QString& path : Units())
            benchmark::DoNotOptimize(ink::ScanUnitRoutines(path, QString(), &cache));
    }
}

void routinesAndDeclarations(benchmark::State& state) {
    if (Units().isEmpty()) {
        state.SkipWithError("install the fpc-source package");
        return;
    }
    qint64 declarations = 0;
    for (auto _ : state) {
        ink::IncludeCache cache;
        declarations = 0;
        for (const QString& path : Units()) {
            const ink::UnitScan scan = ink::ScanUnit(path, QString(), &cache);
            declarations += scan.declarations.declarations.size();
            benchmark::DoNotOptimize(scan);
        }
    }
    state.counters["declarations"] = double(declarations);
}

QList<QByteArray> Sources() {
    QList<QByteArray> sources;
    for (const QString& path : Units()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            sources.append(file.readAll());
    }
    return sources;
}

void parseRoutines(benchmark::State& state) {
    const QList<QByteArray> sources = Sources();
    for (auto _ : state)
        for (const QByteArray& source : sources)
            benchmark::DoNotOptimize(ink::ParseUnitRoutines(source));
}

void parseDeclarations(benchmark::State& state) {
    const QList<QByteArray> sources = Sources();
    for (auto _ : state)
        for (const QByteArray& source : sources)
            benchmark::DoNotOptimize(ink::ParseUnitDeclarations(source));
}

} // namespace

BENCHMARK(routinesOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(routinesAndDeclarations)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(parseRoutines)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(parseDeclarations)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
