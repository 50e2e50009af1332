#pragma once
#include <memory>
#include <QString>

#include "components/Dialogs.h"
#include "store/StoreAddress.h"

namespace ink {

class Database;
class TDM1;
class TTable;

// Which store the program works on: a database on a server that a team
// shares, or the program's own local one; and, on a shared store, the choice
// between another user's version of a row and one's own.
class StoreCommands {
public:
    // `localFolder` is the program's own data directory.
    StoreCommands(TDM1& dm, Dialogs& dialogs, QString localFolder);
    ~StoreCommands();

    // Opens the tables of the store the alias names. A server that wants a
    // password gets one from the password box, asked until it is accepted
    // or the box is cancelled (then the server's refusal is raised).
    void openStore();

    // "Connect to Shared Database...": asks for the server, connects, and
    // opens its tables in place of the current store. True when it did. On
    // Cancel or any failure the current store stays open as it was, and
    // the alias keeps naming it.
    bool connectToShared();
    // "Use Local Database": the program's own data directory again.
    void useLocal();

    // The dialog's "Test": connects with `login` and says in words what
    // happened. A password it needed and got is offered again on "OK".
    QString testLogin(const Dialogs::ServerLogin& login);

    // "Refresh Row" (F5): reads the current row of `table` again. While the
    // user edits it and another user changed it, both versions are shown
    // and the user keeps one: theirs (the edit is abandoned) or their own
    // (posted over the version just read).
    void refreshRow(TTable& table);

    // Points the alias, which every copy of the program shares, at this
    // program's data directory again before the report library follows it:
    // another copy started since may have re-pointed it. A server alias
    // stays as the user set it.
    void pointAliasHere();

    // The file of the open local store when its opening check only sampled
    // it (it is larger than the whole check's bound), so that the window
    // has the whole of it read on a thread of its own; empty otherwise.
    const QString& fileCheckedBySamples() const { return fileCheckedBySamples_; }
    // Up to how many bytes the opening check reads a local store whole; for
    // the tests, which make small stores take the sampled way.
    static void setWholeCheckBytes(qint64 bytes);

private:
    StoreAddress addressOf(const Dialogs::ServerLogin& login) const;
    // Connects to `address`, asking for a password while the server wants
    // one (it is set in `address`). Nothing, with the server's words in
    // `refusal`, when the user cancelled the password box.
    std::unique_ptr<Database> connectAsking(StoreAddress& address, QString* refusal);
    bool askPassword(StoreAddress& address, const QString& why);
    void switchTo(const StoreAddress& address);
    void openTables();

    TDM1& dm_;
    Dialogs& dialogs_;
    QString localFolder_;
    StoreAddress tested_; // the last login whose password a "Test" got
    StoreAddress given_;  // the server login the data module has a password for
    QString fileCheckedBySamples_;
};

} // namespace ink
