// Scanning every .pas unit of the Free Pascal sources (Debian's fpc-source
// package) for its routines, as a document build does for each unit, with
// pasdoc over the same files for comparison.
//
// scanFpcUnits is the real work: read each file, lex its interface, record
// its routines. parseFpcUnits leaves the file reads out. pasdocSameFiles runs
// pasdoc once over all the files (--format=simplexml); it is skipped when
// pasdoc is not installed, and --benchmark_filter=scan leaves it out.
#include <benchmark/benchmark.h>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "scan/UnitScanner.h"

namespace {

const QString fpcSourceList = QStringLiteral("/var/lib/dpkg/info/fpc-source-3.2.2.list");
const QString fpcSourceFolder = QStringLiteral("/usr/share/fpcsrc");

// The package's own file list when dpkg has it, else every .pas file below its folder.
QStringList FpcUnits() {
    QStringList units;
    QFile list(fpcSourceList);
    if (list.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : list.readAll().split('\n')) {
            if (line.endsWith(".pas") && QFileInfo(QString::fromUtf8(line)).isFile())
                units.append(QString::fromUtf8(line));
        }
    } else {
        QDirIterator it(fpcSourceFolder, {QStringLiteral("*.pas")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            units.append(it.next());
    }
    units.sort();
    return units;
}

const QStringList& Units() {
    static const QStringList units = FpcUnits();
    return units;
}

bool HaveUnits(benchmark::State& state) {
    if (Units().isEmpty()) {
        state.SkipWithError("no .pas files: install the fpc-source package");
        return false;
    }
    return true;
}

void scanFpcUnits(benchmark::State& state) {
    if (!HaveUnits(state))
        return;
    qint64 bytes = 0;
    qint64 routines = 0;
    for (auto _ : state) {
        bytes = routines = 0;
        for (const QString& path : Units()) {
            const ink::UnitRoutines found = ink::ScanUnitRoutines(path);
            bytes += found.fileSize;
            routines += found.rows.size();
            benchmark::DoNotOptimize(found);
        }
    }
    state.counters["units"] = double(Units().size());
    state.counters["routines"] = double(routines);
    state.SetBytesProcessed(state.iterations() * bytes);
}

void parseFpcUnits(benchmark::State& state) {
    if (!HaveUnits(state))
        return;
    QList<QByteArray> sources;
    qint64 bytes = 0;
    for (const QString& path : Units()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            sources.append(file.readAll());
        bytes += sources.constLast().size();
    }
    for (auto _ : state) {
        for (const QByteArray& source : sources)
            benchmark::DoNotOptimize(ink::ParseUnitRoutines(source));
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void pasdocSameFiles(benchmark::State& state) {
    if (!HaveUnits(state))
        return;
    const QString pasdoc = QStandardPaths::findExecutable(QStringLiteral("pasdoc"));
    if (pasdoc.isEmpty()) {
        state.SkipWithError("pasdoc is not installed");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir output;
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run.setStandardOutputFile(QProcess::nullDevice());
        run.start(pasdoc,
                  QStringList{QStringLiteral("--format=simplexml"), QStringLiteral("--verbosity=0"),
                              QStringLiteral("--output=") + output.path()} +
                      Units());
        run.waitForFinished(-1);
    }
}

} // namespace

BENCHMARK(scanFpcUnits)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(parseFpcUnits)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(pasdocSameFiles)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK_MAIN();
