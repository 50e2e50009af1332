#pragma once
#include <QString>
#include <QStringList>

namespace ink {

// What UnitsLib.MissingSource holds when a build read no source for a unit,
// and how every view of it (the window's hint, the report, the site, the
// tool) says so. Three cases read differently: a unit of a library package
// (the RTL, the LCL), which the project uses but nobody documents with it,
// a unit whose source was looked for in vain, and one whose source is there
// but could not be read (no permission, a disk error, a folder in its
// place). The last is a failure, never a unit that left its source: its
// rows are kept as the last read left them.

// The stored text of a library unit, with its package's name when known.
QString LibraryUnitNote(const QString& package);

// The stored text of a unit not found: the first place looked in (the file
// beside the project, or where its `in` path points), then the others. A
// store written before search paths were followed holds the first alone.
QString NotFoundNote(const QStringList& lookedIn);

bool IsLibraryUnitNote(const QString& stored);

// The stored text of a unit whose file at `path` could not be read, and why
// ("permission denied"): "could not be read: permission denied (path)".
QString UnreadableNote(const QString& reason, const QString& path);
bool IsUnreadableNote(const QString& stored);

// The note for the user: "Library unit (LCL)", "Library unit",
// "Source not found: " followed by the places looked in, or "Source could
// not be read: " with the reason and the file; empty for a unit whose
// source was read.
QString MissingSourceText(const QString& stored);

} // namespace ink
