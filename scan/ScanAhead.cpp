#include "ScanAhead.h"

#include <algorithm>
#include <atomic>
#include <QThread>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace ink {

namespace {

std::atomic<int> chosenWorkers{0};

// About what a unit's results hold in memory: each string's characters and
// its header, and each row's own record. An estimate, for bounding how far
// ahead the threads read; it need not be exact.
qint64 approximateBytes(const UnitScan& scan) {
    const auto text = [](const QString& s) {
        return s.isEmpty() ? 0 : 32 + 2 * s.size();
    };
    qint64 bytes = 0;
    for (const RoutineRow& row : scan.routines.rows)
        bytes += qint64(sizeof(RoutineRow)) + text(row.name) + text(row.params) + text(row.result) +
                 text(row.declaration);
    for (const Declaration& d : scan.declarations.declarations)
        bytes += qint64(sizeof(Declaration)) + text(d.name) + text(d.text) + text(d.overloadKey) +
                 text(d.hints) + text(d.directives) + text(d.ancestor);
    return bytes;
}

// A unit's results are made on a scanning thread and freed by the taker once
// written. glibc keeps what a thread allocated in that thread's own arena,
// which the taker's later allocations (the rows it loads and writes) do not
// reuse, so after one of the few very large units (tens of megabytes of
// declarations) the process would hold both. Giving the freed pages back
// then keeps the peak to the larger of the two.
constexpr qint64 GiveBackAfterBytes = 4 * 1024 * 1024;
void giveBackFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace

void ScanAhead::setDefaultWorkers(int workers) {
    chosenWorkers = std::max(0, workers);
}

int ScanAhead::defaultWorkers() {
    if (const int chosen = chosenWorkers; chosen > 0)
        return chosen;
    // The cores this process may run on (its affinity), not the machine's.
    return std::clamp(QThread::idealThreadCount() - 1, 1, MostWorkers);
}

ScanAhead::ScanAhead(QStringList sourcePaths, QString projectFolder, QStringList includeFolders,
                     const CompilerDefines* defines, int workers, qint64 mostBytesAhead)
    : sources_(std::move(sourcePaths)), projectFolder_(std::move(projectFolder)), defines_(defines),
      mostBytesAhead_(mostBytesAhead) {
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
    if (lastBytes_ >= GiveBackAfterBytes)
        giveBackFreedMemory();
}

// Whether a thread may begin the next unit: the one awaited always, others
// while what is held ahead stays within both bounds.
bool ScanAhead::mayStart() const {
    if (started_ >= sources_.size())
        return false;
    if (started_ == taken_)
        return true;
    return std::size_t(started_ - taken_) < MostAhead && bytesAhead_ < mostBytesAhead_;
}

void ScanAhead::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock,
                      [this] { return stopping_ || mayStart() || started_ >= sources_.size(); });
        if (stopping_ || started_ >= sources_.size())
            return;
        const qsizetype index = started_++;
        slots_.emplace_back();
        lock.unlock();
        Result result;
        qint64 bytes = 0;
        try {
            UnitScan scan = ScanUnit(sources_.at(index), projectFolder_, &includes_, defines_);
            bytes = approximateBytes(scan);
            result = std::move(scan);
        } catch (...) {
            result = std::current_exception();
        }
        lock.lock();
        // Those before it may still be read, so its slot is found by its place.
        Slot& slot = slots_[std::size_t(index - taken_)];
        slot.result = std::move(result);
        slot.bytes = bytes;
        bytesAhead_ += bytes;
        changed_.notify_all();
    }
}

UnitScan ScanAhead::next() {
    // The unit taken before has been written and let go by now.
    if (lastBytes_ >= GiveBackAfterBytes)
        giveBackFreedMemory();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !slots_.empty() && slots_.front().result.has_value(); });
    Slot slot = std::move(slots_.front());
    slots_.pop_front();
    ++taken_;
    bytesAhead_ -= slot.bytes;
    lastBytes_ = slot.bytes;
    lock.unlock();
    changed_.notify_all();
    if (auto* failure = std::get_if<std::exception_ptr>(&*slot.result))
        std::rethrow_exception(*failure);
    return std::get<UnitScan>(std::move(*slot.result));
}

} // namespace ink
