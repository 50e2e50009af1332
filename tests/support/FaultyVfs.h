#pragma once

// A SQLite file system that passes every call to the real one, but fails
// writes and syncs once a countdown runs out, the way SQLite's own I/O-error
// tests inject faults. While an object lives it is the default file system,
// so every connection opened meanwhile goes through it; the engine itself is
// the real one.
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
    // Writes and syncs seen since the last failAfter or heal.
    int callsSeen() const;
    int failures() const;
};
