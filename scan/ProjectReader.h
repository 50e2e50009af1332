#pragma once
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace ink {

struct CompilerDefines;

// Reads the units a project names in its uses clause: the first `uses` that
// stands as a word in code (not inside a comment, a string or a longer word)
// through the semicolon that ends its list.
//
// For each entry of the clause, such as
//     Unit2 in 'Lib\Unit2.pas' {DataModule2: TDataModule},
// the three lists receive one element each, so they are always paired by
// position:
//   units  the file-name part of the `in` path ("Unit2.pas"), or the unit name
//          as written when there is no path ("Forms", "Vcl.Forms");
//   forms  the text of the braces comment after the path
//          ("DataModule2: TDataModule"), or "N/A";
//   paths  the `in` path as written ("Lib\Unit2.pas"), or empty.
// Comments and compiler directives inside the clause belong to no entry, so a
// Lazarus-style `{$IFDEF UNIX}cthreads,{$ENDIF}` lists `cthreads`.
struct ProjectUnits {
    QStringList units;
    QStringList forms;
    QStringList paths;

    // Text for an error box captioned "Error", empty when all went well. The
    // reader returns the message rather than throwing it because the build
    // that calls it shows the box and then carries on with what it got (an
    // empty list for a file that could not be opened): an escaped exception
    // would end the build in the general error box instead.
    QString error;
};

// Which clause lists the units: a program's or library's `uses`, a
// package's `contains` (its units), or a package's `requires` (the packages
// it needs, whose names come out as units without paths).
enum class UnitsClause { Uses, Contains, Requires };

// The clause that lists the units of the project file at `path`: `contains`
// for a Delphi package (.dpk), `uses` for anything else.
UnitsClause UnitsClauseOf(const QString& path);

// No project file comes near this size; a larger file is read only this far.
constexpr qint64 projectReadLimit = 16 * 1024 * 1024;

// Reads the project file at `path`.
// - A file that cannot be opened (missing, no access, an empty path, or not
//   a regular file: a folder, a pipe, a device) gives no units and the error "File " + path + "
//   could not be opened." with the path exactly as passed in.
// - A file larger than projectReadLimit gives the units found in its first
//   16 MiB and an error saying so.
// - A file without a uses clause gives no units and no error.
// With `defines`, the clause is read as the compiler reads it, the entries
// of skipped branches left out; without, every entry as written.
ProjectUnits ReadProjectUnits(const QString& path, UnitsClause clause = UnitsClause::Uses,
                              const CompilerDefines* defines = nullptr);

// The same for a project file's bytes already in memory; never sets `error`.
ProjectUnits ParseProjectUnits(QByteArrayView bytes, UnitsClause clause = UnitsClause::Uses,
                               const CompilerDefines* defines = nullptr);

} // namespace ink
