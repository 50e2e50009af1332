#pragma once
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <QString>
#include <QStringList>
#include <thread>
#include <variant>

#include "UnitDeclarations.h"

namespace ink {

// Scans unit files on a thread of its own, in the order given, a little ahead
// of the one who takes the results: a build writes one unit's routines while
// the next units are read, and on a large project reading and writing take
// about as long as each other. The include files are shared between the
// units as one build's lookups are (IncludeCache), on that thread alone.
class ScanAhead {
public:
    // `includeFolders` are the project's include search paths. With
    // `defines` (which must outlive it), conditional compilation is followed
    // as ScanUnit follows it.
    ScanAhead(QStringList sourcePaths, QString projectFolder, QStringList includeFolders = {},
              const CompilerDefines* defines = nullptr);
    // Stops the thread, also when not every result was taken.
    ~ScanAhead();
    ScanAhead(const ScanAhead&) = delete;
    ScanAhead& operator=(const ScanAhead&) = delete;

    // The next unit's routines and declarations, as ScanUnit gives them;
    // waits for them when needed, and throws what the scan threw.
    UnitScan next();

private:
    static constexpr std::size_t MostAhead = 64; // units read but not taken

    void run();

    QStringList sources_;
    QString projectFolder_;
    QStringList includeFolders_;
    const CompilerDefines* defines_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::variant<UnitScan, std::exception_ptr>> ready_;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace ink
