#pragma once
#include <optional>
#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace ink {

class AliasRegistry;

// Where a store lives: the embedded SQLite file in a data folder, or a
// database on a PostgreSQL server that a team shares. A password is never
// part of what is saved: libpq finds it in ~/.pgpass or PGPASSWORD, or the
// window asks for it and keeps it only for the connection.
struct StoreAddress {
    enum class Driver { Sqlite, Postgres };

    static constexpr const char* SqliteDriver = "SQLITE3";
    static constexpr const char* PostgresDriver = "POSTGRESQL";
    static constexpr int DefaultPort = 5432;
    // The embedded store's file in its folder.
    static constexpr const char* SqliteFileName = "Inkwright.sqlite";

    Driver driver = Driver::Sqlite;
    QString folder; // embedded: the data folder that holds the database file
    QString server; // host name, address, or the folder of a Unix socket
    int port = DefaultPort;
    QString database;
    QString user;
    QString password; // asked at connect time; never written anywhere

    static StoreAddress local(const QString& folder);
    bool isServer() const { return driver == Driver::Postgres; }
    // Both name the same server database as the same user: a password
    // given for one serves the other.
    bool sameLogin(const StoreAddress& other) const {
        return isServer() && other.isServer() && server == other.server && port == other.port &&
               database == other.database && user == other.user;
    }

    // "postgresql://user@host:port/database"; a socket folder as host is
    // written percent-encoded, as libpq reads it. Empty for an embedded store.
    QString url() const;
    // Parses such a URL; nullopt (with `error` set) for anything else.
    static std::optional<StoreAddress> fromUrl(const QString& url, QString* error = nullptr);
    // A server as a user or a script gives it: such a URL, or libpq's
    // keyword/value string ("host=db dbname=docs user=anna"), read by libpq
    // itself and held to the URL's rules (the same keywords, no password).
    // No `error` ever repeats a password that the text holds.
    static std::optional<StoreAddress> fromText(const QString& text, QString* error = nullptr);
    // Whether `text` names a server rather than a folder: it starts as a URL
    // does, or as a keyword/value string ("host=...").
    static bool namesServer(const QString& text);

    // The embedded store's database file in its folder; empty for a server.
    QString databaseFile() const;

    // What the window shows for the open store: "Local" or user@server/database.
    QString displayName() const;

    // libpq connection parameters (keywords and values, password included
    // when one was typed), for PQconnectdbParams with expand_dbname = 0, so a
    // database name is never read as a connection string.
    QList<std::pair<QByteArray, QByteArray>> connectionParameters() const;
};

// The alias's entry as an address: DEFAULT DRIVER=SQLITE3 with PATH, or
// DEFAULT DRIVER=POSTGRESQL with SERVER NAME, PORT, DATABASE NAME and
// USER NAME. A missing driver key means the embedded store. Throws UserError
// naming the configuration file for an unknown driver or a server alias
// without a server or database.
StoreAddress AliasAddress(const AliasRegistry& registry, const QString& alias);

// Writes the address into the alias (added when missing) and saves the
// configuration. No password is ever written. Keys of the other driver are
// left as they are, so switching back finds the old values.
void SetAliasAddress(AliasRegistry& registry, const QString& alias, const StoreAddress& address);

} // namespace ink
