#pragma once
#include <optional>
#include <QString>
#include <QStringList>

#include "Conditionals.h"
#include "ProjectOptions.h"

namespace ink {

// The defines a document's configuration compiles with: the configuration's
// own, then the compiler's for its target, then any given apart.
//
// A configuration is named as the project's option files name it ("Debug",
// "Release"), with the platform after a bar when the project builds for
// several ("Release|Win64", as MSBuild writes it); or by a target alone,
// with the project's default defines: a Free Pascal target as the compiler
// names it ("x86_64-linux", "i386-win32") or a Delphi platform ("Win32",
// "Win64", "Linux64"). Without a platform, Free Pascal compiles for
// x86_64-linux and Delphi for Win32.
//
// The compiler is the one the option files are written for; a project with
// none (a bare .dpr or .lpr) is taken for Free Pascal when a Free Pascal
// target is named or its file is an .lpr, and for Delphi otherwise.
// Free Pascal is 3.2.2; Delphi is Delphi 12 (CompilerVersion 36), and
// another release is chosen with `CompilerVersion=NN` among the extra
// defines, which sets VERnnn and RTLVersion to match.
//
// A define given as `NAME=NUMBER` sets a constant that {$IF} may compare.
struct BuildConfiguration {
    QString name;     // as given
    QString compiler; // "Free Pascal 3.2.2 x86_64-linux", "Delphi 12 Win32": for the user
    CompilerDefines defines;
};

// Resolves `name` against the project's options; throws a UserError naming
// the configurations the project has when it has none of that name.
BuildConfiguration ResolveConfiguration(const ProjectOptions& options, const QString& name,
                                        const QStringList& extraDefines = {});

// The defines of the project's default configuration (no name chosen), with
// `extraDefines`: what `--define` alone compiles with.
BuildConfiguration DefaultConfiguration(const ProjectOptions& options,
                                        const QStringList& extraDefines);

// A project's options as one build reads them: the option files parsed once
// and the configuration the document names chosen once, for both what its
// units are read with and where they and their include files are found.
struct ConfiguredProject {
    // The chosen configuration's search paths and defines in place of the
    // default's (see ChooseConfiguration).
    ProjectOptions options;
    // Its defines; none for a document without a configuration, which reads
    // every branch.
    std::optional<BuildConfiguration> configuration;
};

// Reads the project's options and chooses the configuration `name`. With a
// name, throws a UserError for an option file that cannot be read and for a
// configuration the project does not have; without one, the options' error
// is left for the caller, as ReadProjectInput judges it.
ConfiguredProject ReadConfiguredProject(const QString& projectPath, const QString& name);

// The configuration a document names, as its project's option files resolve
// it now; none for a document without one, which reads every branch.
// `optionFiles` receives the option files read, whose changes change what
// the units declare. Throws a UserError for an option file that cannot be
// read and for a configuration the project no longer has.
std::optional<BuildConfiguration> DocumentConfiguration(const QString& projectPath,
                                                        const QString& name,
                                                        QStringList* optionFiles = nullptr);

// The configuration a new document of the project follows: the one its
// option files name as the project's own (a .dproj's default Config and
// Platform, a .lpi's active build mode), so that it documents the code the
// compiler compiles. Empty for a project whose options name none, or that
// cannot be read: its documents read every branch.
QString ProjectDefaultConfiguration(const QString& projectPath);

// What a reading with the configuration decided and could not, for the user:
// "Configuration Release (Delphi ...): 120 conditionals, 3 undecided (2.5%),
// read as without defines".
QString ConditionalsSummary(const BuildConfiguration& configuration,
                            const ConditionalCounts& counts);

// What a configuration may be named for the project: its own
// configurations, then the usual targets.
QStringList ConfigurationChoices(const ProjectOptions& options);

// The symbols Free Pascal defines on its own for a target ("x86_64-linux"),
// or an empty set for a target it does not know.
CompilerDefines FreePascalDefines(const QString& target);
// Delphi's for a platform ("Win32") and compiler version (36 for Delphi 12).
CompilerDefines DelphiDefines(const QString& platform, double compilerVersion);

} // namespace ink
