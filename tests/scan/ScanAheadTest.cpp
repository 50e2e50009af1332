// Units scanned ahead, on one thread or several, come back in the order
// asked, each as a scan on its own would give it, and stopping early never
// hangs.
#include <algorithm>
#include <mutex>
#include <QScopeGuard>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <QFile>
#include <QThread>
#include <unistd.h>

#include "scan/FreedMemory.h"
#include "scan/ScanAhead.h"
#include "scan/UnitScanner.h"
#include "support/TempDir.h"

using namespace ink;

namespace {

// Units of very different sizes, so that threads finish out of order, which
// share include files (one nested in another) as a package's units do.
QStringList unitFiles(const TempDir& temp, int count) {
    QStringList paths;
    temp.write("inc/shared.inc", "procedure FromInclude;\n{$I nested.inc}\n");
    temp.write("inc/nested.inc", "const Nested = 1;\n");
    for (int i = 0; i < count; ++i) {
        QByteArray body;
        for (int j = 0; j < (i % 7 == 0 ? 400 : 1); ++j)
            body +=
                QStringLiteral("function Get%1_%2(N: Integer): Integer;\n").arg(i).arg(j).toUtf8();
        paths << temp.write(
            QStringLiteral("u/Unit%1.pas").arg(i),
            QStringLiteral("unit Unit%1;\ninterface\n{$I ../inc/shared.inc}\n").arg(i).toUtf8() +
                body +
                "type TThing = class procedure Run; end;\n"
                "implementation\nend.\n");
    }
    paths.insert(count / 2, temp.filePath("u/Missing.pas")); // placeholders, in its place
    return paths;
}

// Everything a build takes of a unit's scan.
QStringList described(const UnitScan& scan) {
    QStringList lines;
    for (const RoutineRow& row : scan.routines.rows)
        lines << QStringList{row.procType, row.name, row.params, row.result, row.declaration}.join(
            '|');
    lines << QString::number(scan.routines.fileSize) << QString::number(scan.routines.unreadable);
    for (const FileStamp& stamp : scan.routines.sources)
        lines << stamp.path + ' ' + QString::number(stamp.size);
    for (const Declaration& d : scan.declarations.declarations)
        lines << QStringList{DeclKindName(d.kind),
                             d.name,
                             d.owner,
                             QString::number(d.parent),
                             d.text,
                             d.visibility,
                             d.overloadKey,
                             d.sourceFile,
                             QString::number(d.line)}
                     .join('|');
    return lines;
}

} // namespace

TEST(ScanAhead, GivesEveryUnitInOrderAsAScanOfItsOwnOnOneThreadOrSeveral) {
    TempDir temp;
    const QStringList paths = unitFiles(temp, 150); // more than it reads ahead
    for (const int workers : {1, 4}) {
        ScanAhead scanner(paths, temp.path(), {}, nullptr, workers);
        for (const QString& path : paths)
            ASSERT_EQ(described(scanner.next()), described(ScanUnit(path, temp.path())))
                << workers << " threads, " << path.toStdString();
    }
}

// However little it may hold ahead, the unit awaited is always read.
TEST(ScanAhead, ReadsTheUnitAwaitedWhateverItHoldsAhead) {
    TempDir temp;
    const QStringList paths = unitFiles(temp, 40);
    ScanAhead scanner(paths, temp.path(), {}, nullptr, 3, 1);
    for (const QString& path : paths)
        EXPECT_EQ(scanner.next().routines.fileSize, ScanUnitRoutines(path).fileSize);
}

// While the taker writes a unit larger than the bound, little is read
// ahead (an eighth of the bound); once it lets that unit go, the thread
// reads as far ahead as before. Unit0 declares 400 functions, the others
// one. (One thread: several would read the small units beside the large one
// before it is taken.)
TEST(ScanAhead, ReadsLittleAheadWhileALargeUnitIsWritten) {
    TempDir temp;
    const QStringList paths = unitFiles(temp, 40);
    ScanAhead scanner(paths, temp.path(), {}, nullptr, 1, 64 * 1024);
    EXPECT_EQ(scanner.next().routines.rows.size(), 402); // with the include's and the class's
    const qsizetype whileLarge = scanner.settledAhead();
    scanner.next();
    const qsizetype afterwards = scanner.settledAhead() + 1; // counting the unit just taken
    EXPECT_GE(whileLarge, 1);
    EXPECT_LT(whileLarge * 2, afterwards) << whileLarge << " and " << afterwards;
}

namespace {
std::mutex givenBackMutex;
std::vector<std::thread::id> givenBackOn;
void noteGiveBack() {
    std::lock_guard lock(givenBackMutex);
    givenBackOn.push_back(std::this_thread::get_id());
}
} // namespace

// A large unit's results are made on a reading thread and freed by the
// taker; what they held goes back to the reading thread's pages, and only
// that thread can give them back. It does before it reads on, not only after
// the next large unit it reads itself.
TEST(ScanAhead, AReadingThreadGivesBackALargeUnitOnceTheTakerLetsItGo) {
    TempDir temp;
    QByteArray large = "unit Large;\ninterface\n";
    for (int i = 0; i < 15000; ++i)
        large += QStringLiteral("function Get%1(N: Integer): Integer;\n").arg(i).toUtf8();
    QStringList paths{temp.write("Large.pas", large + "implementation\nend.\n")};
    paths += unitFiles(temp, 100); // more than it reads ahead, so the thread waits for room
    ScanAhead::setGiveBackObserver(noteGiveBack);
    const auto noObserver = qScopeGuard([] { ScanAhead::setGiveBackObserver(nullptr); });
    ScanAhead scanner(paths, temp.path(), {}, nullptr, 1);
    ASSERT_EQ(scanner.next().declarations.declarations.size(), 15000);
    scanner.settledAhead();
    const auto onReadingThread = [] {
        std::lock_guard lock(givenBackMutex);
        return std::count_if(givenBackOn.begin(), givenBackOn.end(),
                             [](std::thread::id id) { return id != std::this_thread::get_id(); });
    };
    const auto before = onReadingThread();
    EXPECT_EQ(before, 1); // after reading it
    scanner.next();
    scanner.settledAhead();
    EXPECT_EQ(onReadingThread(), before + 1);
}

TEST(ScanAhead, StopsWhenLeftWithResultsNotTaken) {
    TempDir temp;
    const QStringList paths = unitFiles(temp, 200);
    for (const int workers : {1, 4}) {
        ScanAhead scanner(paths, temp.path(), {}, nullptr, workers);
        scanner.next();
    } // the threads wait with the queue full; leaving must end them
    SUCCEED();
}

// The taker of a build writes as long as the units take to read and keeps a
// core; a taker that writes little (a refresh) leaves it to the readers. A
// count chosen for the tests holds for both.
TEST(ScanAhead, ATakerThatWritesLittleLeavesItsCoreToTheReaders) {
    const int cores = QThread::idealThreadCount();
    EXPECT_EQ(ScanAhead::defaultWorkers(false), std::clamp(cores - 1, 1, ScanAhead::MostWorkers));
    EXPECT_EQ(ScanAhead::defaultWorkers(true), std::clamp(cores, 1, ScanAhead::MostWorkers));
    ScanAhead::setDefaultWorkers(3);
    EXPECT_EQ(ScanAhead::defaultWorkers(false), 3);
    EXPECT_EQ(ScanAhead::defaultWorkers(true), 3);
    ScanAhead::setDefaultWorkers(0);
}

// What the taker does on the reading threads is done to each unit once, by
// its place in the list, before the unit is handed over; letting rows go
// there lets their memory go from what is held ahead.
TEST(ScanAhead, FinishesEachUnitOnTheThreadThatReadItBeforeHandingItOver) {
    TempDir temp;
    const QStringList paths = unitFiles(temp, 150);
    for (const int workers : {1, 4}) {
        std::atomic<int> calls{0};
        const auto finish = [&](qsizetype index, UnitScan& scan) {
            ++calls;
            scan.digest = paths.at(index);
            if (index % 2 == 0) {
                scan.declarations.declarations = {};
                scan.rowsLetGo = true;
            }
        };
        ScanAhead scanner(paths, temp.path(), {}, nullptr, workers, ScanAhead::MostBytesAhead,
                          finish);
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const UnitScan scan = scanner.next();
            EXPECT_EQ(scan.digest, paths[i]);
            EXPECT_EQ(scan.rowsLetGo, i % 2 == 0);
            if (i % 2 == 1 && !scan.declarations.unreadable) {
                EXPECT_FALSE(scan.declarations.declarations.isEmpty()) << i;
            }
        }
        EXPECT_EQ(calls, paths.size());
    }
}

// Past a bound of memory held, the pages a build frees are given back at
// once rather than kept a while; below it, less a margin, they are kept
// again, and a build's end always puts the allocator's own way back. A
// program that sets no bound keeps the allocator's way throughout.
TEST(ScanAhead, GivesFreedPagesBackAtOnceOnlyWhileMemoryRunsHigh) {
    TempDir temp;
    const QStringList paths = unitFiles(temp, 4);
    const auto noBound = qScopeGuard([] { SetMemoryHeldBound(0); });
    const auto readAll = [&](auto duringBuild) {
        ScanAhead scanner(paths, temp.path(), {}, nullptr, 1);
        for (qsizetype i = 0; i < paths.size(); ++i)
            scanner.next();
        duringBuild();
    };

    SetMemoryHeldBound(1); // anything a process holds is past it
    readAll([] { EXPECT_TRUE(GivingBackAtOnce()); });
    EXPECT_FALSE(GivingBackAtOnce());

    SetMemoryHeldBound(qint64(1) << 50);
    readAll([] { EXPECT_FALSE(GivingBackAtOnce()); });
    SetMemoryHeldBound(0); // none, as in the window
    readAll([] { EXPECT_FALSE(GivingBackAtOnce()); });

    // Within the margin below the bound, the way chosen is kept.
    SetMemoryHeldBound(1);
    FollowMemoryHeld();
    ASSERT_TRUE(GivingBackAtOnce());
    const qint64 held = [] {
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return qint64(0);
        return statm.readAll().split(' ').value(1).toLongLong() * qint64(sysconf(_SC_PAGESIZE));
    }();
    if (held > 0) {
        SetMemoryHeldBound(held + 1024 * 1024);
        FollowMemoryHeld();
        EXPECT_TRUE(GivingBackAtOnce());
        SetMemoryHeldBound(held + 64 * 1024 * 1024);
        FollowMemoryHeld();
        EXPECT_FALSE(GivingBackAtOnce());
    }
    StopFollowingMemoryHeld();
}
