// The comment reader and the routine scanner on texts made to cost them
// most, beside a real unit of the same size: headers that never end
// (`function a(((((((` over and over), conditionals nested so that each
// `implementation` has a later branch starting another interface, and a
// conditional after each routine keyword whose later branch holds all the
// routines after it. The
// bytes per second of the three should be of one order; a reader that
// searched the rest of the text again per header or per conditional would
// fall behind by the thousands.
//
// The real unit is the largest of the Win32 API translations in Debian's
// fpc-source package (jwanative.pas, about 780 KB with a comment on most
// of its routines); without it the texts are cut to 1 MiB.
#include <benchmark/benchmark.h>
#include <QDir>
#include <QFile>

#include "scan/DeclarationComments.h"
#include "scan/UnitScanner.h"

namespace {

QByteArray RealUnit() {
    const QString base = QStringLiteral("/usr/share/fpcsrc");
    for (const QString& version : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(base + "/" + version + "/packages/winunits-jedi/src/jwanative.pas");
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    return {};
}

const QByteArray& Real() {
    static const QByteArray real = RealUnit();
    return real;
}

qsizetype Size() {
    return Real().isEmpty() ? qsizetype(1) << 20 : Real().size();
}

QByteArray Repeated(QByteArray text, const QByteArray& part, const QByteArray& tail = {}) {
    while (text.size() + tail.size() < Size())
        text += part;
    return text + tail;
}

// A routine keyword before each conditional, whose later branch holds all
// the routines after it.
QByteArray Alternatives() {
    QByteArray text = Repeated("unit S;\ninterface\n", "procedure {$IF A}{$ELSE}\n");
    return text + "x;\n" + QByteArray("{$ENDIF}\n").repeated(text.count("{$ELSE}"));
}

const QByteArray& Text(int which) {
    static const QByteArray texts[] = {
        Real(),
        Repeated({}, "function a((((((("),
        Repeated("unit C;\n{$IF A} implementation {$ELSE}\n", "{$IF X} implementation {$ELSE}\n",
                 "interface\nprocedure P;\nimplementation\nend.\n"),
        Alternatives(),
    };
    return texts[which];
}

void setUp(benchmark::State& state) {
    const char* names[] = {"real unit", "headers with no end", "nested interfaces", "alternatives"};
    state.SetLabel(names[state.range(0)]);
    if (Text(int(state.range(0))).isEmpty())
        state.SkipWithError("fpc-source is not installed");
}

void readComments(benchmark::State& state) {
    setUp(state);
    const QByteArray& text = Text(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ink::ParseDeclarationComments(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}

void scanRoutines(benchmark::State& state) {
    setUp(state);
    const QByteArray& text = Text(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ink::ParseUnitRoutines(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}

} // namespace

BENCHMARK(readComments)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(scanRoutines)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
