#include "ToolStore.h"

#include <QDir>
#include <QStringList>

#include "store/AliasRegistry.h"
#include "store/Startup.h"

namespace ink {

ToolStore::ToolStore(const QString& dataDirectory)
    : registry_(std::make_shared<AliasRegistry>(scratch_.filePath("DatabaseEngine.ini"))) {
    const QString path = QDir(dataDirectory).absolutePath();
    createDataDirectory(path);
    EnsureDatabaseAlias(*registry_, QString::fromLatin1(TDM1::AliasName), path, true);
    dm_ = std::make_unique<TDM1>(nullptr, registry_);
    OpenOrCreateTables(*dm_);
}

ToolStore::~ToolStore() = default;

QString takeOption(QStringList& args, const QString& option) {
    const qsizetype at = args.indexOf(option);
    if (at < 0 || at + 1 >= args.size())
        return {};
    const QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

} // namespace ink
