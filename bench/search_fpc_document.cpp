// A search query as Ctrl+F runs it while the user types, over the document
// of every .pas unit of the fpc-source package (2,564 units), with a tenth
// of its routines described. The index is made before timing starts.
#include <benchmark/benchmark.h>
#include <QProcess>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "store/Coverage.h"
#include "store/Database.h"
#include "store/Search.h"

namespace {

struct FpcDocument {
    FpcDocument() : store(folder, QStringLiteral("search")) {
        const QString out = folder.filePath("project");
        QProcess::execute(QStringLiteral(INKWRIGHT_SOURCE_DIR "/scripts/make-fpc-project"), {out});
        SilentFeedback feedback;
        ink::BuildDocument(*store.dm, out + "/FpcUnits.dpr", QStringLiteral("FPC"), false,
                           feedback);
        store.dm->database().exec(
            "UPDATE ProcsLib SET Description = 'Reads the stream into the buffer and returns "
            "the count.' WHERE ProcNo % 10 = 0");
        ink::EnsureSearchIndex(store.dm->database());
    }
    QTemporaryDir folder;
    BenchStore store;
};

FpcDocument& document() {
    static FpcDocument doc;
    return doc;
}

void searchQuery(benchmark::State& state, const char* typed) {
    ink::Database& db = document().store.dm->database();
    qsizetype hits = 0;
    for (auto _ : state)
        hits = ink::SearchDocuments(db, QString::fromLatin1(typed)).size();
    state.counters["hits"] = double(hits);
}
BENCHMARK_CAPTURE(searchQuery, prefix_of_a_name, "Str")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchQuery, two_words, "stream buff")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchQuery, one_letter, "s")->Unit(benchmark::kMillisecond);

void coverageOfTheDocument(benchmark::State& state) {
    ink::Database& db = document().store.dm->database();
    for (auto _ : state)
        benchmark::DoNotOptimize(ink::ReadCoverage(db, 1).routines.count);
}
BENCHMARK(coverageOfTheDocument)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
