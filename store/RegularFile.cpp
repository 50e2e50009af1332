#include "RegularFile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ink {

bool IsRegularFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

#ifdef Q_OS_UNIX
namespace {
// Opening a pipe for reading waits for a writer unless it is asked not to; a
// regular file ignores the flag, which is taken off again before reading.
int OpenWithoutWaiting(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
} // namespace

bool OpenRegularFile(QFile& file, const QString& path) {
    if (!IsRegularFile(path)) // a quick answer that opens nothing
        return false;
    const int fd = OpenWithoutWaiting(path);
    if (fd < 0)
        return false;
    struct stat status {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}
#else
// Elsewhere a path names a pipe only in a namespace of its own, which the
// check below refuses as not a regular file.
bool OpenRegularFile(QFile& file, const QString& path) {
    if (!IsRegularFile(path))
        return false;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
}
#endif

} // namespace ink
