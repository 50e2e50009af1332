#include "WholeStoreCheck.h"

#include <mutex>
#include <optional>
#include <QFile>
#include <sqlite3.h>

namespace ink {

struct WholeStoreCheck::Shared {
    std::mutex lock;
    sqlite3* db = nullptr; // while the check reads
    bool stopped = false;
};

namespace {

// The lines quick_check reports, "ok" left out; nullopt when the check did
// not finish: stopped, or the file could not be read at all.
std::optional<QStringList> quickCheck(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check(10)", -1, &statement, nullptr) != SQLITE_OK) {
        const int code = sqlite3_extended_errcode(db) & 0xff;
        // A schema it cannot read is damage too; anything else says nothing.
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
            return QStringList{QString::fromUtf8(sqlite3_errmsg(db))};
        return std::nullopt;
    }
    QStringList problems;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        QString line = QString::fromUtf8(text ? text : "").simplified();
        line.remove(QLatin1String("*** in database main *** ")); // the only database it has
        if (line != QLatin1String("ok") && !line.isEmpty())
            problems << line;
    }
    const int code = step & 0xff;
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
        problems << QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE && code != SQLITE_CORRUPT && code != SQLITE_NOTADB)
        return std::nullopt; // interrupted, locked, out of memory: no verdict
    return problems;
}

void runCheck(const std::shared_ptr<WholeStoreCheck::Shared>& shared, const QByteArray& file,
              const std::function<void(const QStringList&)>& done) {
    sqlite3* db = nullptr;
    // Read-only and with no mutex of its own: the connection is this
    // thread's alone; the window's connection is another.
    if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return;
    }
    {
        const std::lock_guard<std::mutex> guard(shared->lock);
        if (shared->stopped) {
            sqlite3_close(db);
            return;
        }
        shared->db = db;
    }
    sqlite3_busy_timeout(db, 5000);
    const std::optional<QStringList> problems = quickCheck(db);
    bool stopped = false;
    {
        const std::lock_guard<std::mutex> guard(shared->lock);
        shared->db = nullptr;
        stopped = shared->stopped;
    }
    sqlite3_close(db);
    if (problems && !stopped)
        done(*problems);
}

} // namespace

WholeStoreCheck::WholeStoreCheck(const QString& databaseFile,
                                 std::function<void(const QStringList&)> done)
    : shared_(std::make_shared<Shared>()) {
    thread_ = std::thread(runCheck, shared_, QFile::encodeName(databaseFile), std::move(done));
}

WholeStoreCheck::~WholeStoreCheck() {
    {
        const std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->stopped = true;
        if (shared_->db)
            sqlite3_interrupt(shared_->db);
    }
    thread_.join();
}

} // namespace ink
