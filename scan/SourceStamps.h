#pragma once
#include <optional>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

namespace ink {

// What a refresh needs to know that a unit's source is as it was when it was
// last read, without reading it: the size and modification time of the unit
// file and of each include file it took in, and the modification time of
// each folder whose listing an include lookup consulted (a file added to or
// taken from a folder changes the folder's time, and may change which file a
// directive names).
//
// A file changed so recently that a second change within the file system's
// time resolution could go unseen is never trusted: its unit is read again
// next time.
struct FileStamp {
    QString path;
    qint64 size = -1;     // bytes; -1 for a folder, or a file that is not there
    qint64 modified = -1; // ms since the epoch; 0 when not there, -1 unknown
    bool isFolder = false;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of a file or folder as it is now.
FileStamp StampFile(const QString& path);
FileStamp StampFolder(const QString& path);

// A unit's stamps as the store keeps them with the unit's row.
struct UnitStamps {
    QDateTime read;         // the scan that read the unit: its routines found then carry it
    int routineRows = 0;    // the unit's routine rows after that scan
    QList<FileStamp> files; // the unit file first
    // What that read found, as a digest of its routine and declaration rows
    // (see ReadDigest), and the unit's declaration rows after it: a read
    // that finds the same again, the rows as it left them, changes nothing.
    // Empty and -1 where unknown.
    QString digest;
    int declarationRows = -1;

    // The stored text, or empty when a stamp is too fresh to be trusted (or
    // there is no unit file), so that the unit is read again next time.
    QString toText() const;
    // Empty for text that is not a stamp record (an older store, a damaged value).
    static std::optional<UnitStamps> fromText(const QString& text);
};

// Compares stamps with the disk, looking at each path once however many
// units name it: the units of a project share their include files.
class StampCheck {
public:
    // Whether every file and folder of `stamps` is as it was and the unit file
    // is still `unitPath`.
    bool unchanged(const UnitStamps& stamps, const QString& unitPath);

private:
    const FileStamp& now(const FileStamp& then);
    QHash<QString, FileStamp> files_;
    QHash<QString, FileStamp> folders_;
};

} // namespace ink
