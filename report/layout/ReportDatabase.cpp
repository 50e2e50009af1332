#include "ReportDatabase.h"

#include <QDir>

#include "store/AliasRegistry.h"
#include "store/StoreAddress.h"
#include "store/TDM1.h"
#include "store/UserError.h"

namespace ink {

StoreAddress reportStore(const AliasRegistry& registry) {
    const QString alias = QString::fromLatin1(TDM1::AliasName);
    // libpq finds a shared store's password itself.
    if (registry.aliasExists(alias)) {
        const StoreAddress address = AliasAddress(registry, alias);
        if (address.isServer())
            return address;
    }
    const QString folder = registry.aliasExists(alias) ? registry.aliasPath(alias) : QString();
    if (folder.isEmpty())
        throw UserError(QStringLiteral("The database alias \"%1\" is not set up in %2. "
                                       "Start Inkwright once to set it up, then try again.")
                            .arg(alias, QDir::toNativeSeparators(registry.configPath())));
    return StoreAddress::local(folder);
}

} // namespace ink
