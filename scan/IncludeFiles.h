#pragma once
#include <memory>
#include <QByteArray>
#include <QList>
#include <QString>

#include "SourceStamps.h"

namespace ink {

// The interfaces of many units declare their routines in include files
// ({$I file.inc}, {$INCLUDE 'file'}), the LCL's and the FPC packages' above
// all. This puts each include directive met before the `implementation`
// keyword in place of the file it names, so the scanner reads the interface
// the compiler reads.
//
// A name is looked for in the including file's folder, then the unit's, then
// `projectFolder` (when given), then the project's include search paths (the
// cache's search folders), then the unit's "include" subfolder (the
// LCL's layout) and the "inc" folder beside the unit's (the FPC run-time
// library's), matching file names without regard to case,
// and with ".inc", ".pp" and ".pas" tried after the bare name when it has no
// extension. A file is read once per unit, whatever the number of directives
// naming it and whatever links lead to it (so an include of itself ends),
// at most 16 levels deep and maxIncludedBytes in all. A
// file not found is left out without a word, as is everything but an include
// (`{$I+}`, `{$I %DATE%}`, `{$IFDEF}`). A UTF-8 byte-order mark at an
// include file's start is dropped.
//
// `cache`, when given, carries over what one unit's lookups learnt to the
// next units of the same build (see IncludeCache). `taken`, when given,
// receives the stamps of the files read and the folders whose listing was
// consulted, so that a refresh can tell whether the result could differ.
// `pieces`, when given, receives where each stretch of the result came from,
// so that a declaration can be placed in its own file and line.
struct IncludedPiece {
    qsizetype begin = 0; // in the result; the piece runs to the next one's begin
    QString file;        // the unit's path as given, or the include file's
    int firstLine = 1;   // the line of that file the piece starts on
};
//
// `IncludeRepeats::AsCompiled` puts a file in place at every directive that
// names it, as the compiler does, but within itself: a unit that follows its
// defines reads one file several times under different defines (GTK's
// headers include one list three times, each time for another part).
enum class IncludeRepeats { Once, AsCompiled };
class IncludeCache;
QByteArray ExpandInterfaceIncludes(const QByteArray& unitBytes, const QString& unitPath,
                                   const QString& projectFolder = {}, IncludeCache* cache = nullptr,
                                   QList<FileStamp>* taken = nullptr,
                                   QList<IncludedPiece>* pieces = nullptr,
                                   IncludeRepeats repeats = IncludeRepeats::Once);

// What the include lookups of one build share: the listing of each folder
// looked in, and each include file read and lexed once however many units
// name it (the FPC packages' units nearly all include the same few). It
// answers as the disk was when it first looked, so it lives for one build.
// The files it keeps are bounded by `maxBytesKept`: past it, those used
// longest ago are let go (and read again if a later unit names them), so a
// build's memory does not grow with the project. Units come in list order,
// and a package's units, listed together, share a package's includes.
class IncludeCache {
public:
    static constexpr qint64 DefaultMaxBytesKept = 8 * 1024 * 1024;
    explicit IncludeCache(qint64 maxBytesKept = DefaultMaxBytesKept);
    ~IncludeCache();
    IncludeCache(const IncludeCache&) = delete;
    IncludeCache& operator=(const IncludeCache&) = delete;

    // The include search paths of the project the build reads, in order.
    void setSearchFolders(const QStringList& folders);

    struct Data;
    Data& data() { return *d_; }
    // The bytes of the include files kept now.
    qint64 bytesKept() const;

private:
    std::unique_ptr<Data> d_;
};

constexpr int maxIncludeDepth = 16;
// The most one unit takes in of its include files together; a file that
// would go past it is left out. The largest real one we know, the FPC's Java
// run-time unit, includes 4.5 MiB.
constexpr qint64 maxIncludedBytes = 32 * 1024 * 1024;

} // namespace ink
