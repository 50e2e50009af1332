#include "ToolStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/UserError.h"

namespace ink {

ToolStore::ToolStore(const QString& dataDirectory, Missing missing)
    : registry_(std::make_shared<AliasRegistry>(scratch_.filePath("DatabaseEngine.ini"))) {
    const QString path = QDir(dataDirectory).absolutePath();
    const QString file = QDir(path).filePath(QString::fromLatin1(TDM1::DatabaseFileName));
    if (missing == Missing::Refuse && !QFileInfo(file).isFile())
        throw UserError(
            QStringLiteral("There is no documentation database in %1 (%2 is "
                           "missing); \"inkwright-tool build\" creates one.")
                .arg(QDir::toNativeSeparators(path), QString::fromLatin1(TDM1::DatabaseFileName)));
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
