#pragma once
#include <QString>
#include <QStringList>

namespace ink {

// What UnitsLib.MissingSource holds when a build read no source for a unit,
// and how every view of it (the window's hint, the report, the site, the
// tool) says so. Two cases read differently: a unit of a library package
// (the RTL, the LCL), which the project uses but nobody documents with it,
// and a unit whose source was looked for in vain.

// The stored text of a library unit, with its package's name when known.
QString LibraryUnitNote(const QString& package);

// The stored text of a unit not found: the first place looked in (the file
// beside the project, or where its `in` path points), then the others. A
// store written before search paths were followed holds the first alone.
QString NotFoundNote(const QStringList& lookedIn);

bool IsLibraryUnitNote(const QString& stored);

// The note for the user: "Library unit (LCL)", "Library unit", or
// "Source not found: " followed by the places looked in; empty for a unit
// whose source was read.
QString MissingSourceText(const QString& stored);

} // namespace ink
