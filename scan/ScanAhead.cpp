#include "ScanAhead.h"

#include "IncludeFiles.h"

namespace ink {

ScanAhead::ScanAhead(QStringList sourcePaths, QString projectFolder, QStringList includeFolders,
                     const CompilerDefines* defines)
    : sources_(std::move(sourcePaths)), projectFolder_(std::move(projectFolder)),
      includeFolders_(std::move(includeFolders)), defines_(defines), worker_([this] { run(); }) {}

ScanAhead::~ScanAhead() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void ScanAhead::run() {
    IncludeCache includes;
    includes.setSearchFolders(includeFolders_);
    for (const QString& source : sources_) {
        std::variant<UnitScan, std::exception_ptr> result;
        try {
            result = ScanUnit(source, projectFolder_, &includes, defines_);
        } catch (...) {
            result = std::current_exception();
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || ready_.size() < MostAhead; });
        if (stopping_)
            return;
        ready_.push_back(std::move(result));
        changed_.notify_all();
    }
}

UnitScan ScanAhead::next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    auto result = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    lock.unlock();
    if (auto* failure = std::get_if<std::exception_ptr>(&result))
        std::rethrow_exception(*failure);
    return std::get<UnitScan>(std::move(result));
}

} // namespace ink
