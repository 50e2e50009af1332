#pragma once
#include <QString>
#include <sys/types.h>

#include "store/StoreAddress.h"

// A private PostgreSQL cluster for the tests, made and started by the test
// program itself: initdb into a fresh temporary folder that also holds the
// Unix socket, a free port on 127.0.0.1, and the server run as a direct child
// that the kernel stops when the test program ends in any way (it is given
// SIGINT, PostgreSQL's fast shutdown, when its parent dies). Under root the
// server runs as the `postgres` user, or as uid/gid 65534 where there is
// none, since PostgreSQL refuses to run as root.
//
// Socket connections are trusted; TCP connections must give the password of
// the user `inkwright`, so a test can see a bad password refused.
//
// Start it from the test's main thread: the kernel's parent-death signal
// follows the thread that started the server, not the process.
class PgCluster {
public:
    // One cluster per test program, started on first use and stopped when
    // the program exits. Throws std::runtime_error saying why it could not
    // start (no server binaries, initdb failed, the server did not come up);
    // every later call throws the same at once.
    static PgCluster& shared();

    // Makes and starts a cluster; throws std::runtime_error as above.
    PgCluster();
    ~PgCluster(); // stops the server and removes the folder
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    QString socketFolder() const { return folder_; }
    int port() const { return port_; }
    QString user() const;
    QString password() const { return password_; }
    pid_t serverPid() const { return serverPid_; }
    bool isRunning() const { return serverPid_ > 0; }

    // CREATE DATABASE with a fresh name made from the prefix; returns its
    // address by the socket (no password needed). Throws std::runtime_error.
    ink::StoreAddress createDatabase(const QString& namePrefix);
    ink::StoreAddress socketAddress(const QString& database) const;
    // By TCP on 127.0.0.1, password included.
    ink::StoreAddress tcpAddress(const QString& database) const;

    // Runs SQL as the cluster's superuser by the socket; false with the
    // server's message in `error` when it fails.
    bool execute(const QString& database, const QString& sql, QString* error = nullptr) const;
    // The rows of a query, a line each with its columns tab-separated;
    // throws std::runtime_error when it fails.
    QString query(const QString& database, const QString& sql) const;
    // pg_dump --schema-only of the database: everything it defines.
    QString schemaDump(const QString& database) const;

    // A server that goes away and comes back: stop() ends it (SIGINT, then
    // SIGKILL after a few seconds; true when it shut down on its own), start()
    // brings it back on the same port with the same data (false, with the
    // reason in lastError(), when it does not come up).
    bool stop();
    bool start();
    QString lastError() const { return lastError_; }

    // The end of the server's log, for failure messages.
    QString logTail() const;

private:
    bool launch(QString* why);
    QString folder_;
    QString dataFolder_;
    QString binFolder_;
    QString setpriv_;
    QString password_;
    int port_ = 0;
    uid_t runUid_ = 0;
    gid_t runGid_ = 0;
    bool switchUser_ = false;
    pid_t serverPid_ = -1;
    int databases_ = 0;
    QString lastError_;
};
