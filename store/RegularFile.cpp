#include "RegularFile.h"

#include <cerrno>
#include <cstring>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ink {

bool IsRegularFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString SystemReason(int error) {
    QString reason = QString::fromLocal8Bit(std::strerror(error));
    if (!reason.isEmpty())
        reason[0] = reason[0].toLower();
    return reason;
}

#ifdef Q_OS_UNIX
namespace {
// What stands at a path that is no regular file; empty when nothing does.
QString notAFile(const struct stat& status) {
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(status.st_mode))
        return QStringLiteral("it is a named pipe");
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return QStringLiteral("it is a device");
    if (S_ISSOCK(status.st_mode))
        return QStringLiteral("it is a socket");
    return QStringLiteral("it is not a regular file");
}

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

bool OpenRegularFile(QFile& file, const QString& path, QString* failure) {
    if (failure)
        failure->clear();
    if (!IsRegularFile(path)) { // a quick answer that opens nothing
        struct stat status {};
        if (failure && !path.isEmpty()) {
            if (::stat(QFile::encodeName(path).constData(), &status) == 0)
                *failure = notAFile(status);
            else if (errno != ENOENT && errno != ENOTDIR)
                *failure = SystemReason(errno);
        }
        return false;
    }
    const int fd = OpenWithoutWaiting(path);
    if (fd < 0) {
        if (failure && errno != ENOENT && errno != ENOTDIR)
            *failure = SystemReason(errno);
        return false;
    }
    struct stat status {};
    const int flags = ::fcntl(fd, F_GETFL);
    bool opened = false;
    if (::fstat(fd, &status) != 0) {
        if (failure)
            *failure = SystemReason(errno);
    } else if (!S_ISREG(status.st_mode)) {
        if (failure)
            *failure = notAFile(status);
    } else if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        if (failure)
            *failure = SystemReason(errno);
    } else {
        opened = file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        if (!opened && failure)
            *failure = file.errorString();
    }
    if (!opened)
        ::close(fd);
    return opened;
}
#else
// Elsewhere a path names a pipe only in a namespace of its own, which the
// check below refuses as not a regular file.
bool OpenRegularFile(QFile& file, const QString& path, QString* failure) {
    if (failure)
        failure->clear();
    const QFileInfo info(path);
    if (!IsRegularFile(path)) {
        if (failure && info.exists())
            *failure = info.isDir() ? QStringLiteral("it is a folder")
                                    : QStringLiteral("it is not a regular file");
        return false;
    }
    file.setFileName(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    if (failure)
        *failure = file.errorString();
    return false;
}
#endif

bool OpenRegularFile(QFile& file, const QString& path) {
    return OpenRegularFile(file, path, nullptr);
}

} // namespace ink
