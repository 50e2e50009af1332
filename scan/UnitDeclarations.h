#pragma once
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include "model/Declaration.h"
#include "SourceStamps.h"
#include "UnitScanner.h"

namespace ink {

struct UnitDeclarations {
    // In source order; a structure stands before its members.
    QList<Declaration> declarations;
    bool unreadable = false; // the file could not be read: no declarations
    // The unit file, then the include files read and the folders looked in
    // for them (as UnitRoutines::sources).
    QList<FileStamp> sources;
};

class IncludeCache;

// Reads every declaration of the unit's interface at `path`, its include
// files followed as the routine scanner follows them (`projectFolder` and
// `includeCache` as for ScanUnitRoutines). In conditional code each branch is
// read, and of a declaration that appears in several branches (the same kind
// group, owner, name and overload key) only the first is kept. Nothing is
// reported for a file that cannot be read: it is marked unreadable.
// With `defines`, conditional compilation is followed as the routine
// scanner follows it: only the branches compiled are read.
UnitDeclarations ScanUnitDeclarations(const QString& path, const QString& projectFolder = {},
                                      IncludeCache* includeCache = nullptr,
                                      const CompilerDefines* defines = nullptr);

// The same over a unit's bytes already in memory, without include files;
// `sourceFile` names the file in each declaration.
UnitDeclarations ParseUnitDeclarations(QByteArrayView bytes, const QString& sourceFile = {});

// What a build needs of one unit, from one reading of it and its include files.
struct UnitScan {
    UnitRoutines routines;
    UnitDeclarations declarations;
    // Left to the build, which judges the read on the thread that made it:
    // what the read found, as a digest, and whether its rows were let go
    // there, as those of a read that found what the unit's last one found.
    QString digest;
    bool rowsLetGo = false;
};
UnitScan ScanUnit(const QString& path, const QString& projectFolder = {},
                  IncludeCache* includeCache = nullptr, const CompilerDefines* defines = nullptr);

} // namespace ink
