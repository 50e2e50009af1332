// Appending routine rows as a document build does: one batch per build,
// a unit row followed by its routines, the commit included in the time.
#include <benchmark/benchmark.h>
#include <QTemporaryDir>

#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/Startup.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace {

constexpr int UnitsPerBuild = 100;
constexpr int RoutinesPerUnit = 100;

void appendRoutinesInABatch(benchmark::State& state) {
    QTemporaryDir folder;
    auto registry = std::make_shared<ink::AliasRegistry>(folder.filePath("DatabaseEngine.ini"));
    const QString data = ink::dataDirectoryFor(folder.path());
    ink::createDataDirectory(data);
    ink::EnsureDatabaseAlias(*registry, ink::TDM1::AliasName, data, true);
    ink::TDM1 dm(nullptr, registry);
    ink::OpenOrCreateTables(dm);
    dm.tblDocs->append({QVariant(), "BENCH"});
    const QVariant docNo = dm.tblDocsDocNo->value();

    for (auto _ : state) {
        ink::Batch build(dm.database());
        for (int unit = 0; unit < UnitsPerBuild; ++unit) {
            dm.tblUnits->append({docNo, QVariant(), QStringLiteral("Unit%1.pas").arg(unit)});
            const QVariant unitNo = dm.tblUnitsUnitNo->value();
            for (int routine = 0; routine < RoutinesPerUnit; ++routine)
                dm.tblProc->append(
                    {docNo, unitNo, QVariant(), QStringLiteral("Routine%1").arg(routine),
                     QStringLiteral("PROCEDURE"), QStringLiteral("Sender: TObject; var Key: Word"),
                     QStringLiteral("<None>")});
        }
    }
    state.SetItemsProcessed(state.iterations() * UnitsPerBuild * RoutinesPerUnit);
    state.SetLabel("routine rows");
}

} // namespace

BENCHMARK(appendRoutinesInABatch)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
