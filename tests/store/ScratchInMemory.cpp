// The store tests write many small databases, and each new one costs a few
// disk flushes. Their subject is the store's logic, not the disk, so their
// scratch folders go to memory-backed /dev/shm where there is one; a process
// that is killed keeps its written data there exactly as on a disk.
#include <QFileInfo>
#include <QtGlobal>

namespace {

const bool scratchInMemory = [] {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    if (shm.isDir() && shm.isWritable())
        qputenv("TMPDIR", "/dev/shm");
    return true;
}();

} // namespace
