#include "ScanAhead.h"

#include <algorithm>
#include <atomic>
#include <QThread>
#include <utility>

#include "FreedMemory.h"

namespace ink {

namespace {

std::atomic<int> chosenWorkers{0};

// About what a unit's results hold in memory: each string's own block (its
// header and its room, used or not) and each list's room. An estimate, for
// bounding how far ahead the threads read; it need not be exact, but it must
// not fall far short, or the bound would let several times its worth be held.
// Strings that many declarations share (the file's name) are left out.
qint64 approximateBytes(const UnitScan& scan) {
    const auto text = [](const QString& s) {
        return s.isDetached() ? 32 + 2 * s.capacity() : 0;
    };
    qint64 bytes = qint64(sizeof(RoutineRow)) * scan.routines.rows.capacity() +
                   qint64(sizeof(Declaration)) * scan.declarations.declarations.capacity();
    for (const RoutineRow& row : scan.routines.rows)
        bytes += text(row.name) + text(row.params) + text(row.result) + text(row.declaration);
    for (const Declaration& d : scan.declarations.declarations) {
        bytes += text(d.name) + text(d.owner) + text(d.text) + text(d.overloadKey) + text(d.hints) +
                 text(d.directives) + text(d.ancestor);
        for (const QString& name : d.interfaces)
            bytes += text(name);
    }
    return bytes;
}

// A unit's results are made on a scanning thread and freed by the taker once
// written. Allocators keep what a thread freed for that thread's later use
// (glibc in the thread's own arena, mimalloc in its own pages), which the
// other thread does not reuse, so after one of the few very large units (tens
// of megabytes of declarations) the process would hold both. Giving the freed
// pages back then keeps the peak to the larger of the two.
constexpr qint64 GiveBackAfterBytes = 4 * 1024 * 1024;
std::atomic<void (*)()> giveBackObserver{nullptr};
void giveBackFreedMemory() {
    GiveBackFreedMemory();
    if (const auto observer = giveBackObserver.load())
        observer();
}

} // namespace

void ScanAhead::setGiveBackObserver(void (*observer)()) {
    giveBackObserver = observer;
}

void ScanAhead::setDefaultWorkers(int workers) {
    chosenWorkers = std::max(0, workers);
}

int ScanAhead::defaultWorkers(bool takerWritesLittle) {
    if (const int chosen = chosenWorkers; chosen > 0)
        return chosen;
    // The cores this process may run on (its affinity), not the machine's.
    return std::clamp(QThread::idealThreadCount() - (takerWritesLittle ? 0 : 1), 1, MostWorkers);
}

ScanAhead::ScanAhead(QStringList sourcePaths, QString projectFolder, QStringList includeFolders,
                     const CompilerDefines* defines, int workers, qint64 mostBytesAhead,
                     Finish finish)
    : sources_(std::move(sourcePaths)), projectFolder_(std::move(projectFolder)), defines_(defines),
      mostBytesAhead_(mostBytesAhead), finish_(std::move(finish)) {
    includes_.setSearchFolders(includeFolders);
    const qsizetype count =
        std::min<qsizetype>(workers > 0 ? workers : defaultWorkers(), sources_.size());
    for (qsizetype i = 0; i < std::max<qsizetype>(count, 1); ++i)
        workers_.emplace_back([this] { run(); });
}

ScanAhead::~ScanAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    StopFollowingMemoryHeld();
    if (bytesTaken_ >= GiveBackAfterBytes)
        giveBackFreedMemory();
}

// Whether a thread may begin the next unit: the one awaited always, others
// while what is held ahead stays within both bounds.
bool ScanAhead::mayStart() const {
    if (started_ >= sources_.size())
        return false;
    if (started_ == taken_)
        return true;
    // The unit the taker is writing counts too: while it writes one of the
    // very large units, only a small share is read ahead, enough for the
    // ordinary units to keep coming.
    const qint64 room = std::max(mostBytesAhead_ - bytesTaken_, mostBytesAhead_ / 8);
    return std::size_t(started_ - taken_) < MostAhead && bytesAhead_ < room;
}

void ScanAhead::run() {
    std::unique_lock lock(mutex_);
    qint64 largeLetGo = 0; // of largeUnitsLetGo_, those whose memory this thread gave back
    for (;;) {
        changed_.wait(lock,
                      [this] { return stopping_ || mayStart() || started_ >= sources_.size(); });
        if (stopping_ || started_ >= sources_.size())
            return;
        const qsizetype index = started_++;
        ++reading_;
        slots_.emplace_back();
        // A large unit this thread read was let go by the taker since: its
        // blocks went back to this thread's pages, which only this thread
        // can give back, and otherwise would stay held until it reads the
        // next large unit, on top of that one.
        const bool giveBack = std::exchange(largeLetGo, largeUnitsLetGo_) != largeUnitsLetGo_;
        lock.unlock();
        FollowMemoryHeld();
        if (giveBack)
            giveBackFreedMemory();
        Result result;
        qint64 bytes = 0;
        try {
            UnitScan scan = ScanUnit(sources_.at(index), projectFolder_, &includes_, defines_);
            if (finish_)
                finish_(index, scan);
            bytes = approximateBytes(scan);
            result = std::move(scan);
        } catch (...) {
            result = std::current_exception();
        }
        // What reading a large unit took besides its results (its text, the
        // include files' text) was freed on this thread.
        if (bytes >= GiveBackAfterBytes)
            giveBackFreedMemory();
        lock.lock();
        // Those before it may still be read, so its slot is found by its place.
        Slot& slot = slots_[std::size_t(index - taken_)];
        slot.result = std::move(result);
        slot.bytes = bytes;
        bytesAhead_ += bytes;
        --reading_;
        changed_.notify_all();
    }
}

qsizetype ScanAhead::settledAhead() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return reading_ == 0 && !mayStart(); });
    return started_ - taken_;
}

UnitScan ScanAhead::next() {
    std::unique_lock lock(mutex_);
    // The unit taken before has been written and let go by now.
    const qint64 letGo = std::exchange(bytesTaken_, 0);
    if (letGo >= GiveBackAfterBytes)
        ++largeUnitsLetGo_;
    lock.unlock();
    if (letGo > 0)
        changed_.notify_all();
    FollowMemoryHeld();
    if (letGo >= GiveBackAfterBytes)
        giveBackFreedMemory();
    lock.lock();
    changed_.wait(lock, [this] { return !slots_.empty() && slots_.front().result.has_value(); });
    Slot slot = std::move(slots_.front());
    slots_.pop_front();
    ++taken_;
    bytesAhead_ -= slot.bytes;
    bytesTaken_ = slot.bytes;
    lock.unlock();
    changed_.notify_all();
    if (auto* failure = std::get_if<std::exception_ptr>(&*slot.result))
        std::rethrow_exception(*failure);
    return std::get<UnitScan>(std::move(*slot.result));
}

} // namespace ink
