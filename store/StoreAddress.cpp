#include "StoreAddress.h"

#include <libpq-fe.h>
#include <QDir>

#include <QRegularExpression>
#include <QUrl>

#include "AliasRegistry.h"
#include "UserError.h"

namespace ink {

namespace {

// The alias's keys, as the configuration file spells them.
constexpr const char* DriverKey = "DEFAULT DRIVER";
constexpr const char* PathKey = "PATH";
constexpr const char* ServerKey = "SERVER NAME";
constexpr const char* PortKey = "PORT";
constexpr const char* DatabaseKey = "DATABASE NAME";
constexpr const char* UserKey = "USER NAME";

bool validPort(const QString& text, int* port) {
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int value = text.toInt();
    if (value < 1 || value > 65535)
        return false;
    *port = value;
    return true;
}

// libpq hands every value on as a C string: a NUL would cut it short, so
// "db%00other" would quietly open "db". Such a part is refused instead.
bool holdsNul(const QString& text) {
    return text.contains(QChar(0));
}

// Percent-decoding as libpq does it; false for a broken escape or bytes that
// are not UTF-8.
bool percentDecode(const QString& text, QString* decoded) {
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '%') {
            out += bytes[i];
            continue;
        }
        if (i + 2 >= bytes.size() || !isxdigit(static_cast<unsigned char>(bytes[i + 1])) ||
            !isxdigit(static_cast<unsigned char>(bytes[i + 2])))
            return false;
        const int high = QByteArray(1, bytes[i + 1]).toInt(nullptr, 16);
        const int low = QByteArray(1, bytes[i + 2]).toInt(nullptr, 16);
        out += char(high * 16 + low);
        i += 2;
    }
    *decoded = QString::fromUtf8(out);
    return decoded->toUtf8() == out;
}

QString encoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

bool namesPassword(const QString& pair) {
    QString key = pair.section(QLatin1Char('='), 0, 0);
    percentDecode(key, &key);
    return key.contains(QLatin1String("pass"), Qt::CaseInsensitive);
}

// An address as a message may show it: a password typed into it, after the
// user name or as a parameter, is left out, however broken the rest is.
QString withoutPassword(const QString& text) {
    QString shown = text;
    const qsizetype scheme = shown.indexOf(QLatin1String("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    qsizetype query = shown.indexOf(QLatin1Char('?'), start);
    if (query < 0)
        query = shown.size();
    qsizetype path = shown.indexOf(QLatin1Char('/'), start);
    if (path < 0 || path > query)
        path = query;
    // The user name ends at the last "@" before the path; a password typed
    // with a raw "/" in it reaches past that.
    qsizetype at = path > start ? shown.lastIndexOf(QLatin1Char('@'), path - 1) : -1;
    if (at < start && query > start)
        at = shown.lastIndexOf(QLatin1Char('@'), query - 1);
    if (at >= start) {
        if (const qsizetype colon = shown.indexOf(QLatin1Char(':'), start);
            colon >= 0 && colon < at)
            shown.remove(colon, at - colon);
    }
    if (const qsizetype mark = shown.indexOf(QLatin1Char('?')); mark >= 0) {
        QStringList pairs = shown.mid(mark + 1).split(QLatin1Char('&'));
        pairs.removeIf(namesPassword);
        shown.truncate(mark);
        if (!pairs.isEmpty())
            shown += QLatin1Char('?') + pairs.join(QLatin1Char('&'));
    }
    return shown;
}

} // namespace

StoreAddress StoreAddress::local(const QString& folder) {
    StoreAddress address;
    address.driver = Driver::Sqlite;
    address.folder = folder;
    return address;
}

QString StoreAddress::url() const {
    if (!isServer())
        return {};
    QString host;
    static const QRegularExpression ipv6(QStringLiteral("^[0-9A-Fa-f:.]*:[0-9A-Fa-f:.]*$"));
    if (ipv6.match(server).hasMatch())
        host = QLatin1Char('[') + server + QLatin1Char(']');
    else
        host = encoded(server); // a socket folder's slashes become %2F, any colon %3A
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += encoded(user) + QLatin1Char('@');
    return text + host + QLatin1Char(':') + QString::number(port) + QLatin1Char('/') +
           encoded(database);
}

namespace {

QString passwordRefused() {
    return QStringLiteral(
        "it holds a password, which is never kept with the address. Put the password in "
        "~/.pgpass or PGPASSWORD, or type it when connecting");
}

QString badPort(const QString& text) {
    return QStringLiteral("the port \"%1\" is not a number from 1 to 65535").arg(text);
}

// "user@host:port" (the host possibly "[ipv6]") into `address`; why not,
// when it cannot be read. `path` is what follows the first "/".
QString readAuthority(QString authority, const QString& path, StoreAddress& address) {
    if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        if (userInfo.contains(QLatin1Char(':')))
            return passwordRefused();
        if (!percentDecode(userInfo, &address.user))
            return QStringLiteral("the user name has a broken %-escape");
    }
    QString portText;
    bool hasPort = false;
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 0)
            return QStringLiteral("the server address lacks its closing \"]\"");
        address.server = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':')))
            return QStringLiteral("unexpected text after the server address");
        hasPort = !after.isEmpty();
        portText = after.mid(1);
    } else {
        QString host = authority;
        if (const qsizetype colon = authority.lastIndexOf(QLatin1Char(':')); colon >= 0) {
            host = authority.left(colon);
            portText = authority.mid(colon + 1);
            hasPort = true;
        }
        if (!percentDecode(host, &address.server))
            return QStringLiteral("the server name has a broken %-escape");
    }
    if (hasPort && !validPort(portText, &address.port)) {
        // "anna:pass/word@host": a password with a raw slash, not a port.
        if (path.contains(QLatin1Char('@')))
            return passwordRefused();
        return badPort(portText);
    }
    return {};
}

// The "?name=value&..." part into `address`; why not, when it cannot be read.
QString readParameters(const QString& query, StoreAddress& address) {
    for (const QString& pair : query.split(QLatin1Char('&'))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        QString key, value;
        if (equals <= 0 || !percentDecode(pair.left(equals), &key) ||
            !percentDecode(pair.mid(equals + 1), &value))
            return QStringLiteral("the parameter \"%1\" is not name=value")
                .arg(namesPassword(pair) ? QStringLiteral("password=...") : pair);
        if (key == QLatin1String("host"))
            address.server = value;
        else if (key == QLatin1String("port")) {
            if (!validPort(value, &address.port))
                return badPort(value);
        } else if (key == QLatin1String("user"))
            address.user = value;
        else if (key == QLatin1String("dbname"))
            address.database = value;
        else if (key == QLatin1String("password"))
            return passwordRefused();
        else
            // Dropping it quietly could connect differently from what was
            // asked (sslmode, say), so it is refused.
            return QStringLiteral("the parameter \"%1\" is not supported").arg(key);
    }
    return {};
}

// What a whole address must hold, whichever part named it.
QString checkParts(const StoreAddress& address) {
    for (const QString* part : {&address.server, &address.database, &address.user})
        if (holdsNul(*part))
            return QStringLiteral("it holds a NUL character");
    if (address.server.contains(QLatin1Char(',')))
        return QStringLiteral("it names more than one server");
    if (address.server.isEmpty())
        return QStringLiteral("it names no server");
    if (address.database.isEmpty())
        return QStringLiteral("it names no database");
    return {};
}

} // namespace

std::optional<StoreAddress> StoreAddress::fromUrl(const QString& url, QString* error) {
    const QString text = url.trimmed();
    auto fail = [&](const QString& why) -> std::optional<StoreAddress> {
        if (error)
            *error = QStringLiteral("\"%1\" is not a usable PostgreSQL address: %2")
                         .arg(withoutPassword(text), why);
        return std::nullopt;
    };
    QString rest;
    for (const char* scheme : {"postgresql://", "postgres://"})
        if (text.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            rest = text.mid(qsizetype(strlen(scheme)));
    if (rest.isNull())
        return fail(QStringLiteral("it must start with postgresql://"));

    QString query;
    if (const qsizetype mark = rest.indexOf(QLatin1Char('?')); mark >= 0) {
        query = rest.mid(mark + 1);
        rest.truncate(mark);
    }
    QString authority = rest;
    QString path;
    if (const qsizetype slash = rest.indexOf(QLatin1Char('/')); slash >= 0) {
        authority = rest.left(slash);
        path = rest.mid(slash + 1);
    }

    StoreAddress address;
    address.driver = Driver::Postgres;
    QString problem = readAuthority(authority, path, address);
    if (problem.isEmpty() && !percentDecode(path, &address.database))
        problem = QStringLiteral("the database name has a broken %-escape");
    if (problem.isEmpty() && !query.isEmpty())
        problem = readParameters(query, address);
    if (problem.isEmpty())
        problem = checkParts(address);
    if (!problem.isEmpty())
        return fail(problem);
    return address;
}

namespace {

// How a keyword/value string may be shown: the values libpq read from it,
// the password's and any other secret's left out.
QString shownKeywordValues(const PQconninfoOption* options) {
    QStringList pairs;
    for (const PQconninfoOption* option = options; option->keyword; ++option) {
        const QString keyword = QString::fromUtf8(option->keyword);
        if (!option->val || keyword.contains(QLatin1String("pass"), Qt::CaseInsensitive))
            continue;
        QString value = QString::fromUtf8(option->val);
        if (value.isEmpty() || value.contains(QLatin1Char(' ')) ||
            value.contains(QLatin1Char('\\')) || value.contains(QLatin1Char('\''))) {
            value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
            value.replace(QLatin1Char('\''), QLatin1String("\\'"));
            value = QLatin1Char('\'') + value + QLatin1Char('\'');
        }
        pairs << keyword + QLatin1Char('=') + value;
    }
    return pairs.join(QLatin1Char(' '));
}

// libpq's keyword/value form, with the keywords a URL may carry.
std::optional<StoreAddress> fromKeywordValues(const QString& text, QString* error) {
    auto fail = [&](const QString& shown, const QString& why) -> std::optional<StoreAddress> {
        if (error)
            *error = shown.isEmpty()
                         ? QStringLiteral("The connection string is not a usable PostgreSQL "
                                          "address: %1")
                               .arg(why)
                         : QStringLiteral("\"%1\" is not a usable PostgreSQL address: %2")
                               .arg(shown, why);
        return std::nullopt;
    };
    char* message = nullptr;
    PQconninfoOption* options = nullptr;
    try {
        options = PQconninfoParse(text.toUtf8().constData(), &message);
    } catch (const UserError& e) {
        return fail(QString(), e.message()); // libpq could not be loaded
    }
    if (!options) {
        // libpq's message quotes the piece it stumbled on, which may be a
        // piece of a password: then only the form is named.
        const QString why = message ? QString::fromUtf8(message).trimmed() : QString();
        PQfreemem(message);
        if (why.isEmpty() || text.contains(QLatin1String("pass"), Qt::CaseInsensitive))
            return fail(QString(), QStringLiteral("it is neither a postgresql:// URL nor "
                                                  "keyword=value pairs that libpq can read"));
        return fail(QString(),
                    QStringLiteral("it is neither a postgresql:// URL nor keyword=value pairs "
                                   "that libpq can read (%1)")
                        .arg(why));
    }
    const QString shown = shownKeywordValues(options);
    StoreAddress address;
    address.driver = StoreAddress::Driver::Postgres;
    QString problem;
    for (const PQconninfoOption* option = options; option->keyword && problem.isEmpty(); ++option) {
        if (!option->val)
            continue;
        const QLatin1String keyword(option->keyword);
        const QString value = QString::fromUtf8(option->val);
        if (keyword == QLatin1String("host"))
            address.server = value;
        else if (keyword == QLatin1String("port")) {
            if (!validPort(value, &address.port))
                problem = badPort(value);
        } else if (keyword == QLatin1String("user"))
            address.user = value;
        else if (keyword == QLatin1String("dbname"))
            address.database = value;
        else if (keyword == QLatin1String("password"))
            problem = passwordRefused();
        else
            // As in a URL: dropped quietly, it could connect otherwise than asked.
            problem = QStringLiteral("the parameter \"%1\" is not supported").arg(keyword);
    }
    PQconninfoFree(options);
    if (problem.isEmpty())
        problem = checkParts(address);
    if (!problem.isEmpty())
        return fail(shown, problem);
    return address;
}

bool startsAsUrl(const QString& text) {
    for (const char* scheme : {"postgresql://", "postgres://"})
        if (text.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

std::optional<StoreAddress> StoreAddress::fromText(const QString& text, QString* error) {
    const QString trimmed = text.trimmed();
    if (startsAsUrl(trimmed))
        return fromUrl(trimmed, error);
    return fromKeywordValues(trimmed, error);
}

bool StoreAddress::namesServer(const QString& text) {
    static const QRegularExpression keywordFirst(QStringLiteral("^\\s*[A-Za-z_]+\\s*="));
    return startsAsUrl(text.trimmed()) || keywordFirst.match(text).hasMatch();
}

QString StoreAddress::databaseFile() const {
    if (isServer())
        return {};
    return QDir::toNativeSeparators(QDir(folder).filePath(QString::fromLatin1(SqliteFileName)));
}

QString StoreAddress::displayName() const {
    if (!isServer())
        return QStringLiteral("Local");
    const QString where = server + QLatin1Char('/') + database;
    return user.isEmpty() ? where : user + QLatin1Char('@') + where;
}

QList<std::pair<QByteArray, QByteArray>> StoreAddress::connectionParameters() const {
    using Parameter = std::pair<QByteArray, QByteArray>;
    QList<Parameter> parameters{
        {"host", server.toUtf8()},
        {"port", QByteArray::number(port)},
        {"dbname", database.toUtf8()},
    };
    if (!user.isEmpty())
        parameters.append(Parameter("user", user.toUtf8()));
    if (!password.isEmpty())
        parameters.append(Parameter("password", password.toUtf8()));
    parameters.append(Parameter("application_name", "Inkwright"));
    // A server that does not answer is reported after a few seconds instead
    // of leaving the window waiting for the system's TCP time-out.
    parameters.append(Parameter("connect_timeout", "5"));
    return parameters;
}

StoreAddress AliasAddress(const AliasRegistry& registry, const QString& alias) {
    const QString file = registry.configPath();
    if (!registry.aliasExists(alias))
        throw UserError(QStringLiteral("The database alias \"%1\" is not defined in the "
                                       "configuration \"%2\"")
                            .arg(alias, file));
    const QString driver = registry.parameter(alias, QLatin1String(DriverKey)).trimmed();
    // A folder alias of older configurations names its table driver
    // (PARADOX, STANDARD): the folder is what counts, as for SQLITE3.
    const bool folderAlias =
        driver.isEmpty() || QStringList{QString::fromLatin1(StoreAddress::SqliteDriver),
                                        QStringLiteral("PARADOX"), QStringLiteral("STANDARD")}
                                .contains(driver, Qt::CaseInsensitive);
    if (folderAlias)
        return StoreAddress::local(registry.parameter(alias, QLatin1String(PathKey)));
    if (driver.compare(QLatin1String(StoreAddress::PostgresDriver), Qt::CaseInsensitive) != 0)
        throw UserError(QStringLiteral("The database alias \"%1\" in the configuration \"%2\" "
                                       "names the driver \"%3\", which Inkwright does not know. "
                                       "Use %4 or %5")
                            .arg(alias, file, driver, QLatin1String(StoreAddress::SqliteDriver),
                                 QLatin1String(StoreAddress::PostgresDriver)));

    StoreAddress address;
    address.driver = StoreAddress::Driver::Postgres;
    address.server = registry.parameter(alias, QLatin1String(ServerKey)).trimmed();
    address.database = registry.parameter(alias, QLatin1String(DatabaseKey)).trimmed();
    address.user = registry.parameter(alias, QLatin1String(UserKey)).trimmed();
    const QString port = registry.parameter(alias, QLatin1String(PortKey)).trimmed();
    auto refuse = [&](const QString& why) {
        throw UserError(QStringLiteral("The database alias \"%1\" in the configuration \"%2\" %3")
                            .arg(alias, file, why));
    };
    if (!port.isEmpty() && !validPort(port, &address.port))
        refuse(
            QStringLiteral("has the port \"%1\", which is not a number from 1 to 65535").arg(port));
    if (address.server.isEmpty())
        refuse(QStringLiteral("names no server (%1)").arg(QLatin1String(ServerKey)));
    if (address.database.isEmpty())
        refuse(QStringLiteral("names no database (%1)").arg(QLatin1String(DatabaseKey)));
    return address;
}

void SetAliasAddress(AliasRegistry& registry, const QString& alias, const StoreAddress& address) {
    QStringList lines;
    if (address.isServer()) {
        if (address.server.isEmpty() || address.database.isEmpty())
            throw UserError(QStringLiteral("The database alias \"%1\" cannot be saved in the "
                                           "configuration \"%2\": a shared store needs a server "
                                           "and a database")
                                .arg(alias, registry.configPath()));
        lines = {QLatin1String(DriverKey) + QLatin1Char('=') +
                     QLatin1String(StoreAddress::PostgresDriver),
                 QLatin1String(ServerKey) + QLatin1Char('=') + address.server,
                 QLatin1String(PortKey) + QLatin1Char('=') + QString::number(address.port),
                 QLatin1String(DatabaseKey) + QLatin1Char('=') + address.database,
                 QLatin1String(UserKey) + QLatin1Char('=') + address.user};
    } else {
        lines = {QLatin1String(DriverKey) + QLatin1Char('=') +
                     QLatin1String(StoreAddress::SqliteDriver),
                 QLatin1String(PathKey) + QLatin1Char('=') + address.folder};
    }
    // Checked before the alias is added, so a refused value leaves no
    // half-made alias behind in memory either.
    for (const QString& line : lines)
        if (AliasRegistry::spansLines(line))
            throw UserError(QStringLiteral("The database alias \"%1\" cannot hold \"%2\": the "
                                           "configuration \"%3\" keeps one entry per line, and "
                                           "this text holds a line break")
                                .arg(alias, line, registry.configPath()));
    if (!registry.aliasExists(alias))
        registry.addStandardAlias(alias, address.isServer() ? QString() : address.folder,
                                  QLatin1String(address.isServer() ? StoreAddress::PostgresDriver
                                                                   : StoreAddress::SqliteDriver));
    registry.modifyAlias(alias, lines);
    registry.saveConfiguration();
}

} // namespace ink
