#pragma once
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include "Conditionals.h"
#include "SourceStamps.h"
#include "UnitReadLimit.h"

namespace ink {

// One routine as the documentation stores it.
struct RoutineRow {
    QString procType; // "PROCEDURE" or "FUNCTION"
    QString name;
    QString params;
    QString result;      // "<None>" for procedures
    QString declaration; // the whole header; empty for the "N/A" placeholder
};

// Lists the procedures and functions a unit declares before its
// `implementation` keyword: the unit's own routines and the methods of the
// classes, records and interfaces declared there.
//
// What counts:
// - `procedure` and `function` as words in code (not in comments, directives
//   or strings, not inside longer words), `class procedure` and `class
//   function` included; constructors, destructors, properties and operators
//   are not listed.
// - The name is the identifier after the keyword with its qualifier and
//   generic parameters, as in `TForm1.Button1Click` or `Find<T>`.
// - The parameter text is what stands between the header's own parentheses,
//   the result type what follows the colon up to the semicolon, each with every
//   run of white space or comments made one blank and the ends trimmed. A
//   header may spread over any number of lines.
// - A procedural type (`TNotify = procedure(Sender: TObject) of object`, a
//   field of such a type, `reference to function: Boolean`) is listed under
//   the name "{STDCALL}", once per kind, with the texts of the first one.
// - A name is listed once per kind, at its first declaration, ignoring letter
//   case: overloads and same-named methods of several classes give one entry.
//
// The rows are never empty: a kind with nothing found has the one row "N/A"
// (its parameter and result texts "N/A", a procedure's result "<None>").
// "<None>" stands for an absent parameter list, an absent result type and a
// procedure's result.
struct UnitRoutines {
    // The procedures, then the functions, each in source order, placeholders
    // included: the order in which a new document stores them.
    QList<RoutineRow> rows;
    qint64 fileSize = 0;     // bytes; 0 when the file cannot be opened
    bool unreadable = false; // the file could not be read: the rows are the placeholders
    // Why a file that is there could not be read ("permission denied", "it
    // is a folder"); empty when it was read, or is not there at all.
    QString readFailure;
    // The unit file, then the include files read and the folders looked in
    // for them, as they were when read; empty when the file could not be read.
    QList<FileStamp> sources;
    // With a build's defines: the conditionals decided, and those that
    // could not be and were read as without defines.
    ConditionalCounts conditionals;
};

class IncludeCache;

// Scans the unit file at `path`, with the include files its interface names
// (see IncludeFiles.h; `projectFolder` is the last place they are looked
// for, and `includeCache` what the other units of a build found of them). A
// file that is missing or cannot be read (or is not a regular file) gives
// size 0 and the placeholder rows, and is marked unreadable; one that is
// there also says why it could not be read (readFailure).
//
// With `defines`, conditional compilation is followed as the compiler
// follows it (see ConditionalCompilation): what a skipped branch declares is
// not listed. Without, every branch is read, as it always was.
UnitRoutines ScanUnitRoutines(const QString& path, const QString& projectFolder = {},
                              IncludeCache* includeCache = nullptr,
                              const CompilerDefines* defines = nullptr);

// Scans a unit's bytes already in memory; fileSize is the number of bytes.
UnitRoutines ParseUnitRoutines(QByteArrayView bytes, const CompilerDefines* defines = nullptr);

// The unit's text from its start through the line that holds its
// `implementation` keyword (the whole text when it has none), as lines without
// their line ends. Empty when the file cannot be read.
QStringList ReadUnitInterface(const QString& path);

} // namespace ink
