#pragma once
// What the build benchmarks share: a build that shows nothing, and a store
// of its own in a scratch folder.
#include <memory>
#include <QTemporaryDir>

#include "scan/BuildDocument.h"
#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDM1.h"

class SilentFeedback : public ink::BuildFeedback {
public:
    void setStatusText(const QString&) override {}
    void setProgressVisible(bool) override {}
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
    void stepProgress() override {}
    void showError(const QString&) override {}
};

struct BenchStore {
    BenchStore(const QTemporaryDir& folder, const QString& name)
        : registry(std::make_shared<ink::AliasRegistry>(folder.filePath(name + ".ini"))) {
        const QString data = folder.filePath(name);
        ink::createDataDirectory(data);
        ink::EnsureDatabaseAlias(*registry, ink::TDM1::AliasName, data, true);
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        ink::OpenOrCreateTables(*dm);
    }
    std::shared_ptr<ink::AliasRegistry> registry;
    std::unique_ptr<ink::TDM1> dm;
};
