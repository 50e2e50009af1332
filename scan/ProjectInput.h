#pragma once
#include <QDateTime>
#include <QString>

#include "ProjectOptions.h"
#include "ProjectReader.h"
#include "ProjectSearch.h"

namespace ink {

// Everything a build learns of a project before it reads a unit: the units
// it lists, its options, and where its compiler looks for units and include
// files.
struct ProjectInput {
    ProjectOptions options;
    ProjectSearch search;
    // The main source's uses clause (a package's contains clause) as the
    // reader gives it, followed by the units the options list that the
    // clause does not name: a .lpk's files, a .lpi's project units. Its
    // error is shown and the build goes on, as for a project file alone.
    ProjectUnits units;
};

// Reads the project at `projectPath` (.dpr .dpk .dproj .lpr .lpi .lpk, or
// any other file read as a project file). A package or option file chosen
// as the project (.dpk .lpk .dproj .lpi) that cannot be read, or that names
// a main source that is not there, or a package that lists no unit, throws
// UserError naming the file: a build from it could only make an empty
// document. An option file beside a .dpr or .lpr that cannot be read is
// reported through `units.error`.
// With `defines`, the main source's clause is read as the compiler reads it;
// with a `configuration` the options name, units and include files are
// looked for on that configuration's search paths.
ProjectInput ReadProjectInput(const QString& projectPath, const CompilerDefines* defines = nullptr,
                              const QString& configuration = {});

// The same from options already read, their configuration already chosen
// (see ReadConfiguredProject): what a build does, so that it reads the option
// files once.
ProjectInput ReadProjectInput(ProjectOptions options, const CompilerDefines* defines);

// Whether an option file of the project was written at or after `lastScan`
// (or it is not known when the last scan was). The stamps a refresh keeps of
// a unit name the folders its include files were looked up in, not the
// folders a changed search path adds, so a refresh after such a change reads
// every unit again.
bool OptionFilesChangedSince(const ProjectOptions& options, const QDateTime& lastScan);

} // namespace ink
