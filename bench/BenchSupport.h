#pragma once
// What the build benchmarks share: a build that shows nothing, and a store
// of its own in a scratch folder.
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <memory>
#include <QFileInfo>
#include <QTemporaryDir>

#include "scan/BuildDocument.h"
#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/StoreAddress.h"
#include "store/TDM1.h"
#include "support/PgCluster.h"

class SilentFeedback : public ink::BuildFeedback {
public:
    void setStatusText(const QString&) override {}
    void setProgressVisible(bool) override {}
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
    void stepProgress() override {}
    void showError(const QString&) override {}
};

// Where a benchmark's store lives: a data folder (SQLite), or a fresh
// database of a private PostgreSQL cluster on this machine.
enum class BenchEngine { Sqlite, Server };

struct BenchStore {
    BenchStore(const QTemporaryDir& folder, const QString& name,
               BenchEngine engine = BenchEngine::Sqlite)
        : registry(std::make_shared<ink::AliasRegistry>(folder.filePath(name + ".ini"))) {
        const QString data = folder.filePath(name);
        ink::createDataDirectory(data);
        ink::EnsureDatabaseAlias(*registry, ink::TDM1::AliasName, data, true);
        if (engine == BenchEngine::Server)
            ink::SetAliasAddress(*registry, ink::TDM1::AliasName,
                                 PgCluster::shared().createDatabase(QStringLiteral("bench")));
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        ink::OpenOrCreateTables(*dm);
    }
    std::shared_ptr<ink::AliasRegistry> registry;
    std::unique_ptr<ink::TDM1> dm;
};

// Times a new build of `project` per round, each into a fresh store.
inline void timeBuilds(benchmark::State& state, const QTemporaryDir& folder, const QString& project,
                       BenchEngine engine = BenchEngine::Sqlite) {
    SilentFeedback feedback;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        BenchStore store(folder, QStringLiteral("build%1").arg(round++), engine);
        state.ResumeTiming();
        ink::BuildDocument(*store.dm, project, QStringLiteral("BENCH"), false, feedback);
    }
}

// Times a refresh with nothing changed of one build of `project`.
// Files written moments ago are read again by every refresh (their times
// could still hide a change), so generated projects are made to look as old
// as real sources before they are first read.
inline void ageFiles(const QString& folder) {
    namespace fs = std::filesystem;
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& entry : fs::recursive_directory_iterator(folder.toStdString()))
        fs::last_write_time(entry.path(), hourAgo);
}

// Refreshes of a project whose files did not change; `reading` AllUnits
// reads every unit as before changed-only refreshes.
inline void timeRefreshes(benchmark::State& state, const QTemporaryDir& folder,
                          const QString& project, BenchEngine engine = BenchEngine::Sqlite,
                          ink::RefreshReading reading = ink::RefreshReading::ChangedUnits) {
    SilentFeedback feedback;
    ageFiles(QFileInfo(project).absolutePath());
    BenchStore store(folder, QStringLiteral("refresh"), engine);
    ink::BuildDocument(*store.dm, project, QStringLiteral("BENCH"), false, feedback);
    for (auto _ : state)
        ink::BuildDocument(*store.dm, project, QStringLiteral("BENCH"), true, feedback, reading);
}
