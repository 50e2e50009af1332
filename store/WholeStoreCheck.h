#pragma once
#include <functional>
#include <memory>
#include <QString>
#include <QStringList>
#include <thread>

namespace ink {

// SQLite's quick_check of a whole local store, run on a thread of its own
// through a read-only connection of its own. The window opens a large store
// after checking only samples of it, so that it opens at once; this reads
// every page afterwards, so damage the samples missed (a page no sample
// reached, rows out of order) is still found within seconds, not first by
// a read that shows wrong figures without an error.
//
// `done` runs on the checking thread, once, with what is damaged (empty when
// nothing is); it does not run when the check is stopped or the store could
// not be read for another reason (it cannot be opened, it is locked: the
// window's own reads say so). Destroying the check stops it and waits for
// its thread.
class WholeStoreCheck {
public:
    WholeStoreCheck(const QString& databaseFile, std::function<void(const QStringList&)> done);
    ~WholeStoreCheck();
    WholeStoreCheck(const WholeStoreCheck&) = delete;
    WholeStoreCheck& operator=(const WholeStoreCheck&) = delete;

    struct Shared; // what the two threads share, under its lock

private:
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

} // namespace ink
