#pragma once
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <QString>
#include <QStringList>
#include <thread>
#include <variant>
#include <vector>

#include "IncludeFiles.h"
#include "UnitDeclarations.h"

namespace ink {

// Scans unit files ahead of the one who takes the results, on threads of its
// own, and hands them back in the order given: a build writes one unit's
// rows on its own thread while the next units are read, and on a large
// project reading and writing take about as long as each other. Where the
// machine has cores to spare, several units are read at once. The include
// files are shared between the units as one build's lookups are
// (IncludeCache), whichever thread reads them.
//
// How far ahead it reads is bounded twice: by units, and by the memory the
// results hold, those not yet taken and the one taken last (being written
// until the next call), as a few units (the generated API headers) declare
// more than hundreds of others together; an eighth of the bound is always
// left for reading ahead. The unit awaited is always read, however large.
class ScanAhead {
public:
    // What the taker has done with each unit's scan on the thread that read
    // it (with the unit's place in the list), before it is held: the thread
    // that allocated a result frees it the cheapest.
    using Finish = std::function<void(qsizetype index, UnitScan& scan)>;

    // `includeFolders` are the project's include search paths. With
    // `defines` (which must outlive it), conditional compilation is followed
    // as ScanUnit follows it. `workers` threads scan; 0 takes the default
    // (see setDefaultWorkers). `mostBytesAhead` bounds the memory held by
    // results not yet taken. `finish`, when given, is called by several
    // threads at once.
    ScanAhead(QStringList sourcePaths, QString projectFolder, QStringList includeFolders = {},
              const CompilerDefines* defines = nullptr, int workers = 0,
              qint64 mostBytesAhead = MostBytesAhead, Finish finish = {});
    // Stops the threads, also when not every result was taken.
    ~ScanAhead();
    ScanAhead(const ScanAhead&) = delete;
    ScanAhead& operator=(const ScanAhead&) = delete;

    // The next unit's routines and declarations, as ScanUnit gives them;
    // waits for them when needed, and throws what the scan threw.
    UnitScan next();

    // Waits until no thread reads a unit or may begin one, and returns how
    // many units are read and not taken: what it holds ahead, for the tests.
    qsizetype settledAhead();

    // How many threads scan when none is asked for: one fewer than the cores
    // this process may run on (the taker needs one), at least one, at most
    // MostWorkers. A taker that writes little (a refresh, which finds most
    // units as their last read left them) spends most of its time waiting,
    // so then there are as many as the cores. `workers` above 0 sets it for
    // every later ScanAhead (the tests compare a build read on one thread
    // with one read on several); 0 goes back to the machine's count.
    static void setDefaultWorkers(int workers);
    static int defaultWorkers(bool takerWritesLittle = false);

    // Called after freed memory was given back to the system, on the thread
    // that gave it back (nullptr: none); for the tests.
    static void setGiveBackObserver(void (*observer)());

    static constexpr int MostWorkers = 8;
    static constexpr std::size_t MostAhead = 64;               // units read but not taken
    static constexpr qint64 MostBytesAhead = 12 * 1024 * 1024; // held by those units, about

private:
    using Result = std::variant<UnitScan, std::exception_ptr>;
    struct Slot {
        std::optional<Result> result; // empty while the unit is read
        qint64 bytes = 0;
    };

    void run();
    bool mayStart() const;

    // Read by every thread, so never touched in a way that would detach them.
    const QStringList sources_;
    const QString projectFolder_;
    const CompilerDefines* defines_;
    qint64 mostBytesAhead_;
    const Finish finish_;
    IncludeCache includes_;
    std::mutex mutex_;
    std::condition_variable changed_;
    // The units from the next one to take on: read, or being read.
    std::deque<Slot> slots_;
    qsizetype taken_ = 0;        // units handed out by next()
    qsizetype started_ = 0;      // units a thread began to read
    int reading_ = 0;            // threads reading a unit now
    qint64 bytesAhead_ = 0;      // held by the results read and not taken
    qint64 bytesTaken_ = 0;      // held by the result next() handed out last, until the next call
    qint64 largeUnitsLetGo_ = 0; // results let go that were large enough to give memory back
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace ink
