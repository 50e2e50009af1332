#pragma once
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace ink {

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
// The five lists are paired by position and never empty: a kind with nothing
// found holds the single element "N/A" in each of its lists. "<None>" stands
// for an absent parameter list, an absent result type and a procedure's result.
struct UnitRoutines {
    QStringList procedureNames;
    QStringList procedureParams;
    QStringList functionNames;
    QStringList functionParams;
    QStringList functionResults;
    // The whole header of each listed routine, from its keyword through its
    // semicolon, blanks folded as in the texts above; empty for "N/A".
    QStringList procedureDeclarations;
    QStringList functionDeclarations;
    qint64 fileSize = 0;     // bytes; 0 when the file cannot be opened
    bool unreadable = false; // the file could not be read: the lists are the placeholders
};

// Units larger than this are scanned only this far (no real unit comes near).
constexpr qint64 unitReadLimit = 64 * 1024 * 1024;

class IncludeCache;

// Scans the unit file at `path`, with the include files its interface names
// (see IncludeFiles.h; `projectFolder` is the last place they are looked
// for, and `includeCache` what the other units of a build found of them). A
// file that is missing or cannot be read (or is not a regular file) gives
// size 0 and "N/A" in all five lists, and is marked unreadable; nothing is
// reported.
UnitRoutines ScanUnitRoutines(const QString& path, const QString& projectFolder = {},
                              IncludeCache* includeCache = nullptr);

// Scans a unit's bytes already in memory; fileSize is the number of bytes.
UnitRoutines ParseUnitRoutines(QByteArrayView bytes);

// The unit's text from its start through the line that holds its
// `implementation` keyword (the whole text when it has none), as lines without
// their line ends. Empty when the file cannot be read.
QStringList ReadUnitInterface(const QString& path);

// One routine as the documentation stores it.
struct RoutineRow {
    QString procType; // "PROCEDURE" or "FUNCTION"
    QString name;
    QString params;
    QString result;      // "<None>" for procedures
    QString declaration; // the whole header; empty for the "N/A" placeholder
};

// The procedures, then the functions, in source order, placeholders included;
// the order in which a new document stores them.
QList<RoutineRow> RoutineRows(const UnitRoutines& routines);

} // namespace ink
