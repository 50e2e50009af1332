#pragma once
#include <QStringList>

// A SQLite file system that passes every call to the real one, for tests:
// it records the name of every file opened (a test proves with it that a
// database was never opened at all, which no look at the file afterwards
// can show), and fails writes and syncs once a countdown runs out, the way
// SQLite's own I/O-error tests inject faults. While an object lives it is
// the default file system, so every connection opened meanwhile goes through
// it; the engine itself is the real one. One at a time.
class FaultyVfs {
public:
    FaultyVfs();
    ~FaultyVfs();
    FaultyVfs(const FaultyVfs&) = delete;
    FaultyVfs& operator=(const FaultyVfs&) = delete;

    // After `calls` more writes or syncs succeed, every further one fails:
    // writes with `writeError` (SQLite's SQLITE_FULL, a full disk, by default).
    void failAfter(int calls, int writeError = 13 /* SQLITE_FULL */);
    // Writes and syncs succeed again.
    void heal();
    int failures() const;

    // Statement journals opened: SQLite keeps one for a statement that may
    // have to be undone alone inside a longer transaction.
    int statementJournalsOpened() const;

    // Every file opened, in order (main files, journals, WAL, shared memory).
    QStringList names() const;
    // Those whose name begins with `path` (a database and its companions).
    QStringList namesUnder(const QString& path) const { return names().filter(path); }
};

// The recorder alone, under the name that says what a test uses it for.
using OpenedFiles = FaultyVfs;

// While it lives, every statement journal goes to a file from its first
// byte instead of after 64 KiB in memory, so that FaultyVfs sees each one.
// Made before FaultyVfs and before any connection opens, ended after both:
// the engine is restarted to take the setting.
class StatementJournalsOnDisk {
public:
    StatementJournalsOnDisk();
    ~StatementJournalsOnDisk();
    StatementJournalsOnDisk(const StatementJournalsOnDisk&) = delete;
    StatementJournalsOnDisk& operator=(const StatementJournalsOnDisk&) = delete;
};
