// A batch (a build, a refresh, a removal) on the file store waits for the
// write lock another program holds as long as a server store waits, and when
// it gives up says who holds it.
#include <chrono>
#include <csignal>
#include <QFile>
#include <sqlite3.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "store/SqliteBackend.h"
#include "store/UserError.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

// Another process that takes the store's write lock and keeps it until it is
// let go (killed, so the lock goes with the process).
class LockHolder {
public:
    explicit LockHolder(const QString& file) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            sqlite3* db = nullptr;
            char taken = '0';
            if (sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK &&
                sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK)
                taken = '1';
            (void)!::write(ready[1], &taken, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char taken = '0';
        held_ = pid_ > 0 && ::read(ready[0], &taken, 1) == 1 && taken == '1';
        ::close(ready[0]);
    }
    ~LockHolder() { letGo(); }
    void letGo() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    bool held() const { return held_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = 0;
    bool held_ = false;
};

class SqliteWriteLock : public StoreFixture {
protected:
    void SetUp() override {
        if (storeTestsOnServer())
            GTEST_SKIP() << "the file store's lock";
        StoreFixture::SetUp();
    }
    void TearDown() override { SetSqliteWriteLockWait(60000); }
};

} // namespace

// SQLite's own wait of a few seconds gave up on a refresh that another
// program's short write held up, with a bare "database is locked".
TEST_F(SqliteWriteLock, ABatchWaitsForAnotherProgramsWriteToEnd) {
    LockHolder holder(databaseFile());
    ASSERT_TRUE(holder.held());
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(4500));
        holder.letGo();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW({
        Batch batch(dm->database());
        addDoc("AFTER THE WAIT");
    });
    release.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

TEST_F(SqliteWriteLock, GivingUpSaysWhoHoldsTheLock) {
    LockHolder holder(databaseFile());
    ASSERT_TRUE(holder.held());
    SetSqliteWriteLockWait(300);
    QFile comm("/proc/self/comm");
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    const QString program = QString::fromLocal8Bit(comm.readAll()).trimmed();
    try {
        Batch batch(dm->database());
        FAIL() << "the batch began";
    } catch (const UserError& error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("Another program (%1, process %2) is writing to \"%3\" (it held "
                                 "the store's write lock for the 0.3 seconds waited); nothing was "
                                 "changed. Try again once it has finished.")
                      .arg(program)
                      .arg(holder.pid())
                      .arg(databaseFile()));
    }
    holder.letGo();
    EXPECT_NO_THROW(Batch(dm->database()));
}
