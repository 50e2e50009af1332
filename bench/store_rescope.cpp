// Moving through the units of a large document while the routines follow:
// 2,000 units of 100 routines each. "warm" is moving back and forth among
// units just looked at (fifty of them, which the kept scopes hold); "cold"
// is each unit's first visit after opening. Each runs on the embedded store
// and on a PostgreSQL server on this machine.
#include <benchmark/benchmark.h>
#include <QTemporaryDir>

#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/Startup.h"
#include "store/StoreAddress.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "support/PgCluster.h"

namespace {

constexpr int Units = 2000;
constexpr int RoutinesPerUnit = 100;

// One store per engine for all runs, built once.
struct LargeDocument {
    QTemporaryDir folder;
    std::shared_ptr<ink::AliasRegistry> registry;
    std::unique_ptr<ink::TDM1> dm;

    explicit LargeDocument(bool onServer) {
        registry = std::make_shared<ink::AliasRegistry>(folder.filePath("DatabaseEngine.ini"));
        const QString data = ink::dataDirectoryFor(folder.path());
        ink::createDataDirectory(data);
        ink::EnsureDatabaseAlias(*registry, ink::TDM1::AliasName, data, true);
        if (onServer)
            ink::SetAliasAddress(*registry, ink::TDM1::AliasName,
                                 PgCluster::shared().createDatabase(QStringLiteral("rescope")));
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        ink::OpenOrCreateTables(*dm);
        ink::Batch build(dm->database());
        dm->tblDocs->append({QVariant(), "LARGE"});
        const QVariant docNo = dm->tblDocsDocNo->value();
        for (int unit = 0; unit < Units; ++unit) {
            dm->tblUnits->append({docNo, QVariant(), QStringLiteral("Unit%1.pas").arg(unit)});
            const QVariant unitNo = dm->tblUnitsUnitNo->value();
            for (int routine = 0; routine < RoutinesPerUnit; ++routine)
                dm->tblProc->append({docNo, unitNo, QVariant(),
                                     QStringLiteral("Routine%1").arg(routine),
                                     QStringLiteral("FUNCTION"), QStringLiteral("const S: string"),
                                     QStringLiteral("Integer")});
        }
    }

    static LargeDocument& instance(bool onServer) {
        static LargeDocument embedded(false);
        if (!onServer)
            return embedded;
        static LargeDocument server(true);
        return server;
    }
};

constexpr int UnitsNearby = 50;

void nextUnitNearby(ink::TDM1& dm) {
    dm.tblUnits->next();
    if (dm.tblUnits->eof() || dm.tblUnits->recNo() >= UnitsNearby)
        dm.tblUnits->first();
    benchmark::DoNotOptimize(dm.tblProc->recordCount());
}

void moveUnitWarm(benchmark::State& state) {
    ink::TDM1& dm = *LargeDocument::instance(state.range(0) != 0).dm;
    dm.tblUnits->first();
    for (int unit = 0; unit < UnitsNearby; ++unit) // each scope visited once
        nextUnitNearby(dm);
    for (auto _ : state)
        nextUnitNearby(dm);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("moves");
}

void moveUnitCold(benchmark::State& state) {
    ink::TDM1& dm = *LargeDocument::instance(state.range(0) != 0).dm;
    for (auto _ : state) {
        state.PauseTiming();
        dm.tblProc->close(); // forgets every scope it kept
        dm.tblProc->open();
        dm.tblUnits->first();
        state.ResumeTiming();
        for (int unit = 1; unit < Units; ++unit)
            dm.tblUnits->next();
    }
    state.SetItemsProcessed(state.iterations() * (Units - 1));
    state.SetLabel("moves");
}

} // namespace

// Argument 0: the embedded store; 1: the server.
BENCHMARK(moveUnitWarm)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(moveUnitCold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
