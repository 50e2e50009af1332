#include "FaultyVfs.h"

#include <cstring>
#include <sqlite3.h>
#include <stdexcept>

namespace {

struct Faults {
    sqlite3_vfs* real = nullptr;
    sqlite3_vfs vfs{};
    sqlite3_io_methods methods{};
    int remaining = -1; // -1: never fail
    int writeError = SQLITE_FULL;
    int failed = 0;
    int statementJournals = 0;
    QStringList opened;
};

Faults faults;

// Our file object, followed in the same allocation by the real one.
struct FaultyFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* realOf(sqlite3_file* file) {
    return reinterpret_cast<FaultyFile*>(file)->real;
}

bool shouldFail() {
    if (faults.remaining < 0)
        return false;
    if (faults.remaining > 0) {
        --faults.remaining;
        return false;
    }
    ++faults.failed;
    return true;
}

int faultyWrite(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    if (shouldFail())
        return faults.writeError;
    return realOf(f)->pMethods->xWrite(realOf(f), data, amount, offset);
}

int faultySync(sqlite3_file* f, int flags) {
    if (shouldFail())
        return SQLITE_IOERR_FSYNC;
    return realOf(f)->pMethods->xSync(realOf(f), flags);
}

int faultyTruncate(sqlite3_file* f, sqlite3_int64 size) {
    if (shouldFail())
        return SQLITE_IOERR_TRUNCATE;
    return realOf(f)->pMethods->xTruncate(realOf(f), size);
}

// The rest pass straight through.
int passClose(sqlite3_file* f) {
    const int rc = realOf(f)->pMethods ? realOf(f)->pMethods->xClose(realOf(f)) : SQLITE_OK;
    return rc;
}
int passRead(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
    return realOf(f)->pMethods->xRead(realOf(f), data, amount, offset);
}
int passFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return realOf(f)->pMethods->xFileSize(realOf(f), size);
}
int passLock(sqlite3_file* f, int level) {
    return realOf(f)->pMethods->xLock(realOf(f), level);
}
int passUnlock(sqlite3_file* f, int level) {
    return realOf(f)->pMethods->xUnlock(realOf(f), level);
}
int passCheckReservedLock(sqlite3_file* f, int* out) {
    return realOf(f)->pMethods->xCheckReservedLock(realOf(f), out);
}
int passFileControl(sqlite3_file* f, int op, void* arg) {
    return realOf(f)->pMethods->xFileControl(realOf(f), op, arg);
}
int passSectorSize(sqlite3_file* f) {
    return realOf(f)->pMethods->xSectorSize(realOf(f));
}
int passDeviceCharacteristics(sqlite3_file* f) {
    return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f));
}
int passShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
    return realOf(f)->pMethods->xShmMap(realOf(f), page, size, extend, out);
}
int passShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return realOf(f)->pMethods->xShmLock(realOf(f), offset, n, flags);
}
void passShmBarrier(sqlite3_file* f) {
    realOf(f)->pMethods->xShmBarrier(realOf(f));
}
int passShmUnmap(sqlite3_file* f, int deleteFlag) {
    return realOf(f)->pMethods->xShmUnmap(realOf(f), deleteFlag);
}
int passFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
    return realOf(f)->pMethods->xFetch(realOf(f), offset, amount, out);
}
int passUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
    return realOf(f)->pMethods->xUnfetch(realOf(f), offset, page);
}

int faultyOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    if (name != nullptr)
        faults.opened.append(QString::fromUtf8(name));
    if (flags & SQLITE_OPEN_SUBJOURNAL)
        ++faults.statementJournals;
    auto* ours = reinterpret_cast<FaultyFile*>(file);
    ours->real = reinterpret_cast<sqlite3_file*>(ours + 1);
    ours->base.pMethods = nullptr;
    const int rc = faults.real->xOpen(faults.real, name, ours->real, flags, outFlags);
    if (ours->real->pMethods)
        ours->base.pMethods = &faults.methods;
    return rc;
}

void install() {
    faults.real = sqlite3_vfs_find(nullptr);
    if (!faults.real)
        throw std::runtime_error("no SQLite file system to wrap");
    faults.vfs = *faults.real;
    faults.vfs.zName = "ink-faulty";
    faults.vfs.szOsFile = int(sizeof(FaultyFile)) + faults.real->szOsFile;
    faults.vfs.xOpen = faultyOpen;
    faults.vfs.pNext = nullptr;

    sqlite3_io_methods& m = faults.methods;
    m.iVersion = 3;
    m.xClose = passClose;
    m.xRead = passRead;
    m.xWrite = faultyWrite;
    m.xTruncate = faultyTruncate;
    m.xSync = faultySync;
    m.xFileSize = passFileSize;
    m.xLock = passLock;
    m.xUnlock = passUnlock;
    m.xCheckReservedLock = passCheckReservedLock;
    m.xFileControl = passFileControl;
    m.xSectorSize = passSectorSize;
    m.xDeviceCharacteristics = passDeviceCharacteristics;
    m.xShmMap = passShmMap;
    m.xShmLock = passShmLock;
    m.xShmBarrier = passShmBarrier;
    m.xShmUnmap = passShmUnmap;
    m.xFetch = passFetch;
    m.xUnfetch = passUnfetch;
    sqlite3_vfs_register(&faults.vfs, 1);
}

} // namespace

FaultyVfs::FaultyVfs() {
    install();
    heal();
    faults.opened.clear();
    faults.statementJournals = 0;
}

FaultyVfs::~FaultyVfs() {
    sqlite3_vfs_unregister(&faults.vfs);
    sqlite3_vfs_register(faults.real, 1);
}

void FaultyVfs::failAfter(int calls, int writeError) {
    faults.remaining = calls;
    faults.writeError = writeError;
    faults.failed = 0;
}

void FaultyVfs::heal() {
    faults.remaining = -1;
    faults.failed = 0;
}

int FaultyVfs::failures() const {
    return faults.failed;
}

int FaultyVfs::statementJournalsOpened() const {
    return faults.statementJournals;
}

QStringList FaultyVfs::names() const {
    return faults.opened;
}

namespace {

// SQLite's own threshold, restored afterwards.
constexpr int DefaultStatementJournalSpill = 64 * 1024;

void restartEngine(int statementJournalSpill) {
    sqlite3_shutdown();
    if (sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, statementJournalSpill) != SQLITE_OK)
        throw std::runtime_error("SQLite took no statement journal setting");
    sqlite3_initialize();
}

} // namespace

StatementJournalsOnDisk::StatementJournalsOnDisk() {
    restartEngine(0);
}

StatementJournalsOnDisk::~StatementJournalsOnDisk() {
    try {
        restartEngine(DefaultStatementJournalSpill);
    } catch (const std::runtime_error&) {
        // Nothing a destructor can do; the next test starts the engine as it is.
    }
}
