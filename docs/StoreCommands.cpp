#include "StoreCommands.h"

#include <QFileInfo>
#include <QVariantList>

#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/Startup.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

namespace {

QString aliasName() {
    return QString::fromLatin1(TDM1::AliasName);
}

QString systemUserName() {
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("USERNAME");
    return name;
}

// One field of a row as the user reads it in the version box.
QString shownValue(const QVariant& value) {
    if (value.isNull())
        return QStringLiteral("(empty)");
    QString text = value.toString();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text.isEmpty() ? QStringLiteral("(empty)") : text;
}

} // namespace

StoreCommands::StoreCommands(TDM1& dm, Dialogs& dialogs, QString localFolder)
    : dm_(dm), dialogs_(dialogs), localFolder_(std::move(localFolder)) {}

StoreCommands::~StoreCommands() = default;

// The window shows what it reads from the store as it goes: a store found
// damaged is refused before any of it is shown.
namespace {
qint64 wholeCheckBytes = Database::FullCheckBytes;
} // namespace

void StoreCommands::setWholeCheckBytes(qint64 bytes) {
    wholeCheckBytes = bytes;
}

void StoreCommands::openTables() {
    fileCheckedBySamples_.clear();
    Database& db = dm_.database();
    db.checkForDamage(wholeCheckBytes);
    if (!db.isServer() && QFileInfo(db.name()).size() > wholeCheckBytes)
        fileCheckedBySamples_ = db.name();
    OpenOrCreateTables(dm_);
}

void StoreCommands::openStore() {
    for (;;) {
        try {
            openTables();
            return;
        } catch (const PasswordRequired& refusal) {
            dm_.closeDatabase();
            StoreAddress address = AliasAddress(dm_.registry(), aliasName());
            if (!askPassword(address, refusal.message()))
                throw;
            given_ = address;
            dm_.setServerPassword(address);
        }
    }
}

StoreAddress StoreCommands::addressOf(const Dialogs::ServerLogin& login) const {
    StoreAddress address;
    address.driver = StoreAddress::Driver::Postgres;
    address.server = login.server.trimmed();
    address.port = login.port;
    address.database = login.database.trimmed();
    address.user = login.user.trimmed();
    if (address.user.isEmpty())
        address.user = systemUserName();
    if (address.server.isEmpty())
        throw UserError(QStringLiteral("Type the name or address of the database server"));
    if (address.database.isEmpty())
        throw UserError(QStringLiteral("Type the name of the database on the server"));
    if (address.port < 1 || address.port > 65535)
        throw UserError(QStringLiteral("The port must be a number from 1 to 65535"));
    // The alias keeps one entry per line, and libpq cuts a value at a NUL.
    for (const QString& part : {address.server, address.database, address.user})
        for (QChar c : part)
            if (c.unicode() < 32)
                throw UserError(
                    QStringLiteral("The server, database and user names cannot hold a line "
                                   "break or another control character"));
    return address;
}

bool StoreCommands::askPassword(StoreAddress& address, const QString& why) {
    const std::optional<QString> password = dialogs_.passwordBox(
        QStringLiteral("Password"), QStringLiteral("%1\n\nPassword of \"%2\" on \"%3\":")
                                        .arg(why, address.user, address.server));
    if (!password)
        return false;
    address.password = *password;
    return true;
}

std::unique_ptr<Database> StoreCommands::connectAsking(StoreAddress& address, QString* refusal) {
    // A password typed for this login before (in "Test", or for the store
    // open now) is tried first.
    for (const StoreAddress* known : {&tested_, &given_})
        if (address.password.isEmpty() && address.sameLogin(*known))
            address.password = known->password;
    for (;;) {
        try {
            return std::make_unique<Database>(address, TDM1::tableDefinitions());
        } catch (const PasswordRequired& e) {
            if (!askPassword(address, e.message())) {
                *refusal = e.message();
                return nullptr;
            }
        }
    }
}

QString StoreCommands::testLogin(const Dialogs::ServerLogin& login) {
    try {
        StoreAddress address = addressOf(login);
        QString refusal;
        const std::unique_ptr<Database> db = connectAsking(address, &refusal);
        if (!db)
            return refusal;
        if (!address.password.isEmpty())
            tested_ = address;
        const QString name = address.displayName();
        if (!db->tableExists(QStringLiteral("DocsLib")))
            return QStringLiteral("Connected to %1. The database holds no documentation yet; "
                                  "Inkwright makes its tables there when you connect.")
                .arg(name);
        Statement count(*db, QStringLiteral("SELECT COUNT(*) FROM DocsLib"));
        const qint64 documents = count.step() ? count.integerAt(0) : 0;
        return QStringLiteral("Connected to %1. It holds %2 document%3.")
            .arg(name, QString::number(documents),
                 documents == 1 ? QString() : QStringLiteral("s"));
    } catch (const UserError& e) {
        return e.message();
    }
}

bool StoreCommands::connectToShared() {
    Dialogs::ServerLogin initial{QStringLiteral("localhost"), StoreAddress::DefaultPort,
                                 QStringLiteral("inkwright"), systemUserName()};
    try {
        // The alias keeps the server's keys while it names the local store,
        // so the server used last is offered again.
        const AliasRegistry& registry = dm_.registry();
        auto key = [&](const char* name) {
            return registry.parameter(aliasName(), QString::fromLatin1(name));
        };
        if (!key("SERVER NAME").isEmpty()) {
            const int port = key("PORT").toInt();
            initial = {key("SERVER NAME"), port > 0 ? port : StoreAddress::DefaultPort,
                       key("DATABASE NAME"), key("USER NAME")};
        }
    } catch (const UserError&) {
        // An alias that cannot be read offers the usual defaults.
    }
    const std::optional<Dialogs::ServerLogin> login = dialogs_.serverLogin(
        initial, [this](const Dialogs::ServerLogin& l) { return testLogin(l); });
    if (!login)
        return false;
    StoreAddress address = addressOf(*login);
    // What is typed belongs to the store open now; it is stored before that
    // store is closed, and a failure keeps the program on it.
    dm_.postPendingEdits();
    // The server is tried on a connection of its own first: if it cannot be
    // used, nothing of the open store has been touched.
    QString refusal;
    if (!connectAsking(address, &refusal))
        return false;
    switchTo(address);
    return true;
}

void StoreCommands::useLocal() {
    dm_.postPendingEdits();
    const StoreAddress address = StoreAddress::local(localFolder_);
    {
        // As above: a local store that cannot be opened leaves the shared one open.
        Database probe(address, TDM1::tableDefinitions());
    }
    switchTo(address);
}

void StoreCommands::switchTo(const StoreAddress& address) {
    AliasRegistry& registry = dm_.registry();
    const StoreAddress before = AliasAddress(registry, aliasName());
    const StoreAddress givenBefore = given_;
    StoreAddress saved = address;
    saved.password.clear();
    try {
        SetAliasAddress(registry, aliasName(), saved);
    } catch (const UserError&) {
        // The file was not written; what is in memory goes back to it too.
        registry.load();
        throw;
    }
    if (address.isServer()) {
        given_ = address;
        dm_.setServerPassword(address);
    }
    dm_.closeDatabase();
    try {
        openTables();
    } catch (const UserError&) {
        // Back to the store that was open, so the program is never left on
        // a half-opened one; the error that stopped the switch is shown.
        try {
            SetAliasAddress(registry, aliasName(), before);
            given_ = givenBefore;
            dm_.setServerPassword(givenBefore);
            dm_.closeDatabase();
            openTables(); // checked again: it may be the damaged store left just now
        } catch (const UserError&) {
            // The first error says what went wrong; this one would only echo it
            // (a damaged store is kept as such, and the window closes it).
        }
        throw;
    }
}

void StoreCommands::refreshRow(TTable& table) {
    if (!table.isOpen() || table.recordCount() == 0 || table.state() == TTable::State::Inserting)
        return;
    if (table.state() == TTable::State::Editing && !table.isModified())
        table.cancel(); // nothing typed: the row simply shows the new version
    if (table.state() == TTable::State::Browsing) {
        table.refreshRow();
        return;
    }
    QVariantList mine;
    for (int field = 0; field < table.fieldCount(); ++field)
        mine << table.currentValue(field);
    const QVariantList theirs = table.refreshRow();

    QString theirText;
    QString myText;
    for (int field = 0; field < table.fieldCount() && field < theirs.size(); ++field) {
        if (theirs[field] == mine[field])
            continue;
        const QString name = table.definition().fields[field].name;
        theirText +=
            name + QStringLiteral(":\n") + shownValue(theirs[field]) + QStringLiteral("\n\n");
        myText += name + QStringLiteral(":\n") + shownValue(mine[field]) + QStringLiteral("\n\n");
    }
    if (theirText.isEmpty()) {
        // The store holds just what was typed: there is nothing to choose.
        table.cancel();
        return;
    }
    const std::optional<Dialogs::RowVersion> choice =
        dialogs_.chooseRowVersion(theirText.trimmed(), myText.trimmed());
    if (!choice)
        return; // still pending; the next post writes it over their version
    if (*choice == Dialogs::RowVersion::Theirs)
        table.cancel();
    else
        table.post();
}

void StoreCommands::pointAliasHere() {
    AliasRegistry& registry = dm_.registry();
    registry.load();
    EnsureDatabaseAlias(registry, aliasName(), localFolder_, true);
}

} // namespace ink
