// Stamps of a unit's files: taken when the unit is read, kept as text with
// its row, and compared with the disk by the next refresh.
#include "SourceStamps.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace ink {

namespace {

// File systems keep modification times as coarse as two seconds (FAT) and
// often one; a file changed within this of its stamp may change again
// without its time moving.
constexpr qint64 freshMs = 2000;
constexpr qint64 absent = 0; // the time of what is not there

const QString recordTag = QStringLiteral("stamps1");
const QString readFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

struct Status {
    bool exists = false;
    bool isFolder = false;
    qint64 size = 0;
    qint64 modified = 0; // ms since the epoch
};

// One look at the disk. QFileInfo gives the time only as local time, and
// each conversion from it reads the system's time zone file again: on a
// refresh that checks every unit that cost more than the looks themselves.
Status statusOf(const QString& path) {
    Status status;
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return status;
    status.exists = true;
    status.isFolder = S_ISDIR(info.st_mode);
    status.size = qint64(info.st_size);
    status.modified = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
#else
    const QFileInfo info(path);
    status.exists = info.exists();
    status.isFolder = info.isDir();
    status.size = info.size();
    status.modified = info.lastModified().toMSecsSinceEpoch();
#endif
    return status;
}

FileStamp stamp(const QString& path, bool folder) {
    FileStamp result;
    result.path = path;
    result.isFolder = folder;
    const Status info = statusOf(path);
    // A folder that is not there is looked in all the same (a unit's
    // "include" folder, mostly), and its absence is as firm a fact.
    if (!info.exists || info.isFolder != folder) {
        result.modified = absent;
        return result;
    }
    if (!folder)
        result.size = info.size;
    const qint64 modified = info.modified;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // A time in the future says nothing either (a clock set back, a copy
    // from another machine).
    if (modified >= 0 && modified <= now - freshMs)
        result.modified = modified;
    return result;
}

bool trusted(const FileStamp& file) {
    return file.modified >= 0 && (file.isFolder || file.size >= 0) &&
           !file.path.contains(QLatin1Char('\n')) && !file.path.contains(QLatin1Char('\r'));
}

} // namespace

FileStamp StampFile(const QString& path) {
    return stamp(path, false);
}

FileStamp StampFolder(const QString& path) {
    return stamp(path, true);
}

QString UnitStamps::toText() const {
    if (files.isEmpty() || files.first().isFolder || !read.isValid())
        return {};
    QStringList lines{
        QStringLiteral("%1 %2 %3").arg(recordTag).arg(routineRows).arg(read.toString(readFormat))};
    if (!digest.isEmpty())
        lines << QStringLiteral("c %1 %2").arg(declarationRows).arg(digest);
    for (const FileStamp& file : files) {
        if (!trusted(file))
            return {};
        if (file.isFolder)
            lines << QStringLiteral("d %1 %2").arg(file.modified).arg(file.path);
        else
            lines << QStringLiteral("f %1 %2 %3").arg(file.size).arg(file.modified).arg(file.path);
    }
    return lines.join(QLatin1String("\r\n")); // as memo fields keep them
}

namespace {
// The units a build or refresh read carry its one stamp, and a refresh reads
// the stamps of every unit: parsing the text is Qt's general date parser,
// which also looks up the local time zone each time. The last one is kept,
// under a lock rather than per thread: this code is also loaded as a plugin,
// and a plugin's thread-local storage trips the leak checker of our
// sanitizer builds.
QDateTime readTime(const QString& text) {
    static QMutex lock;
    static QString lastText;
    static QDateTime lastTime;
    const QMutexLocker locked(&lock);
    if (text != lastText) {
        lastTime = QDateTime::fromString(text, readFormat);
        lastText = text;
    }
    return lastTime;
}
} // namespace

std::optional<UnitStamps> UnitStamps::fromText(const QString& text) {
    // Memo fields come back with CR LF line ends.
    const QStringList lines = text.split(QLatin1Char('\n'));
    const auto fields = [](const QString& line, int count) {
        QStringList parts = QString(line).remove(QLatin1Char('\r')).split(QLatin1Char(' '));
        // The path is the rest of the line, blanks and all.
        while (parts.size() > count)
            parts[count - 1] += QLatin1Char(' ') + parts.takeAt(count);
        return parts;
    };
    const QStringList head = fields(lines.first(), 4);
    if (head.size() != 4 || head[0] != recordTag)
        return std::nullopt;
    UnitStamps stamps;
    bool ok = false;
    stamps.routineRows = head[1].toInt(&ok);
    stamps.read = readTime(head[2] + QLatin1Char(' ') + head[3]);
    if (!ok || !stamps.read.isValid())
        return std::nullopt;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String("c "))) {
            const QStringList parts = fields(lines[i], 3);
            bool rowsOk = false;
            stamps.declarationRows = parts.value(1).toInt(&rowsOk);
            stamps.digest = parts.value(2);
            if (parts.size() != 3 || !rowsOk)
                return std::nullopt;
            continue;
        }
        const bool folder = lines[i].startsWith(QLatin1String("d "));
        const QStringList parts = fields(lines[i], folder ? 3 : 4);
        FileStamp file;
        file.isFolder = folder;
        bool sizeOk = true, timeOk = false;
        if (folder && parts.size() == 3) {
            file.modified = parts[1].toLongLong(&timeOk);
        } else if (!folder && parts.size() == 4 && parts[0] == QLatin1String("f")) {
            file.size = parts[1].toLongLong(&sizeOk);
            file.modified = parts[2].toLongLong(&timeOk);
        }
        if (!sizeOk || !timeOk)
            return std::nullopt;
        file.path = parts.last();
        stamps.files << file;
    }
    if (stamps.files.isEmpty() || stamps.files.first().isFolder)
        return std::nullopt;
    return stamps;
}

bool StampCheck::unchanged(const UnitStamps& stamps, const QString& unitPath) {
    if (stamps.files.isEmpty() || stamps.files.first().path != unitPath)
        return false;
    for (const FileStamp& then : stamps.files) {
        if (!trusted(then) || now(then) != then)
            return false;
    }
    return true;
}

const FileStamp& StampCheck::now(const FileStamp& then) {
    QHash<QString, FileStamp>& known = then.isFolder ? folders_ : files_;
    auto found = known.constFind(then.path);
    if (found == known.cend())
        found = known.insert(then.path, stamp(then.path, then.isFolder));
    return *found;
}

} // namespace ink
