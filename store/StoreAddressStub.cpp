// Temporary: replaced by the full address parsing on its branch.
#include "AliasRegistry.h"
#include "StoreAddress.h"

namespace ink {

StoreAddress StoreAddress::local(const QString& folder) {
    StoreAddress address;
    address.folder = folder;
    return address;
}

QString StoreAddress::displayName() const {
    if (!isServer())
        return QStringLiteral("Local");
    return QStringLiteral("%1@%2/%3").arg(user, server, database);
}

QList<std::pair<QByteArray, QByteArray>> StoreAddress::connectionParameters() const {
    QList<std::pair<QByteArray, QByteArray>> list{
        {"host", server.toUtf8()},         {"port", QByteArray::number(port)},
        {"dbname", database.toUtf8()},     {"user", user.toUtf8()},
        {"application_name", "Inkwright"}, {"connect_timeout", "5"}};
    if (!password.isEmpty())
        list.append({"password", password.toUtf8()});
    return list;
}

QString StoreAddress::url() const {
    return {};
}

std::optional<StoreAddress> StoreAddress::fromUrl(const QString&, QString*) {
    return std::nullopt;
}

StoreAddress AliasAddress(const AliasRegistry& registry, const QString& alias) {
    if (registry.parameter(alias, QStringLiteral("DEFAULT DRIVER"))
            .compare(QLatin1String(StoreAddress::PostgresDriver), Qt::CaseInsensitive) != 0)
        return StoreAddress::local(registry.aliasPath(alias));
    StoreAddress address;
    address.driver = StoreAddress::Driver::Postgres;
    address.server = registry.parameter(alias, QStringLiteral("SERVER NAME"));
    address.port = registry.parameter(alias, QStringLiteral("PORT")).toInt();
    address.database = registry.parameter(alias, QStringLiteral("DATABASE NAME"));
    address.user = registry.parameter(alias, QStringLiteral("USER NAME"));
    return address;
}

void SetAliasAddress(AliasRegistry& registry, const QString& alias, const StoreAddress& address) {
    if (!registry.aliasExists(alias))
        registry.addStandardAlias(alias, address.folder,
                                  QString::fromLatin1(StoreAddress::SqliteDriver));
    if (address.isServer())
        registry.modifyAlias(alias, {QStringLiteral("DEFAULT DRIVER=POSTGRESQL"),
                                     QStringLiteral("SERVER NAME=") + address.server,
                                     QStringLiteral("PORT=%1").arg(address.port),
                                     QStringLiteral("DATABASE NAME=") + address.database,
                                     QStringLiteral("USER NAME=") + address.user});
    else
        registry.modifyAlias(alias, {QStringLiteral("DEFAULT DRIVER=SQLITE3"),
                                     QStringLiteral("PATH=") + address.folder});
    registry.saveConfiguration();
}

} // namespace ink
