#pragma once
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace ink {

// Which compiler a project is written for: it decides the symbols the
// compiler defines on its own (FPC and the target's, or MSWINDOWS and the
// VERnnn of a Delphi release) when conditional compilation is followed.
enum class ProjectCompiler {
    Unknown,    // any other file chosen as a project (a unit)
    Delphi,     // .dpr, .dpk, .dproj, .cfg, .dof
    FreePascal, // .lpr, .lpk, .lpi
};

// One build configuration as the option files resolve it: a .dproj's
// configuration (Debug, Release, ... inheriting from Base), a .lpi's build
// mode. Its lists are complete, inheritance already applied, so a reader of
// them needs nothing else.
struct ProjectConfiguration {
    QString name;                // "Debug", "Release", "Default"
    QString platform;            // "Win32", "Win64", "Linux64"; empty when none is named
    QStringList defines;         // in the order the options give them, without duplicates
    QStringList unitSearchPaths; // absolute folders, in search order
    QStringList includePaths;    // absolute folders, in search order
};

// What a project's option files say about how it is compiled. Folders are
// absolute, with '/' separators, resolved against the folder of the file
// that names them, and in the order the compiler searches them; macros the
// reader cannot know ($(BDS), $(LazarusDir), $(Platform) left unresolved) drop
// the path that holds them rather than guessing.
struct ProjectOptions {
    // The file the user chose (.dpr, .dpk, .lpr, .lpk, .dproj, .lpi).
    QString projectFile;
    // The Pascal source whose uses or contains clause lists the units: the
    // .dpr/.dpk/.lpr itself, or the main source a .dproj/.lpi names. Empty
    // for a .lpk, whose units come from its file list.
    QString mainSource;
    ProjectCompiler compiler = ProjectCompiler::Unknown;

    // Every option file read, the project file included, so a refresh can
    // tell that the options changed.
    QStringList optionFiles;

    // Units the options name themselves, as absolute paths: a .lpk's <Files>
    // (units only), a .lpi's <Units> that are part of the project. They come
    // after the main source's own list, which keeps its order.
    QStringList listedUnits;
    // Their unit names, paired by position: the <UnitName> the file gives,
    // else the file's base name ("ChmDataProvider" for chmdataprovider.pas).
    QStringList listedUnitNames;
    // Include files a .lpk lists apart from its units; their folders are
    // searched for includes too.
    QStringList listedIncludeFiles;

    // The paths and defines of the configuration a build uses when none is
    // chosen: a .dproj's own default Config and Platform, a .lpi's project
    // options (its default build mode), a .cfg's and .dof's only set.
    QStringList unitSearchPaths;
    QStringList includePaths;
    QStringList defines;

    // Packages the project needs, by name as written ("rtl", "LCL",
    // "SynEdit"): a .dpk's `requires`, a .lpk's or .lpi's RequiredPackages.
    QStringList requiredPackages;

    QList<ProjectConfiguration> configurations;
    // The configuration the options name as the one the project is built
    // with, as a configuration is chosen: a .dproj's default Config and
    // Platform ("Debug|Win64"), a .lpi's active build mode ("Release").
    // Empty when they name none of their configurations (a .cfg, a .dof, a
    // .lpk, a .lpi without build modes).
    QString defaultConfiguration;

    // Text naming the file that could not be read, or the main source that
    // does not exist; empty when all went well. A project with an error is
    // not built.
    QString error;
};

// Reads `projectFile` and the option files beside it: a .dproj, or else a
// .cfg and .dof, beside a .dpr or .dpk; a .lpi beside a .lpr. A .dproj or
// .lpi chosen directly names its main source; a .lpk stands alone.
ProjectOptions ReadProjectOptions(const QString& projectFile);

// The options as a build with the configuration `name` sees them ("Release",
// or "Release|Win64" for one platform of it): that configuration's search
// paths and defines in place of the default's. A name that is no
// configuration of the project (a target such as x86_64-linux, or nothing)
// leaves the defaults.
void ChooseConfiguration(ProjectOptions& options, const QString& name);

// A configuration's name as a user writes it split at its bar:
// "Release|Win64" is {"Release", "Win64"}, "Release" {"Release", ""}.
std::pair<QString, QString> SplitConfigurationName(const QString& name);

// The configuration `name` of the options, for `platform` when both name
// one, as a build looks it up: names and platforms without regard to case,
// the first that fits. None when the project has no such configuration.
const ProjectConfiguration* FindConfiguration(const ProjectOptions& options, const QString& name,
                                              const QString& platform);
// The same for a name as a user writes it ("Release|Win64").
const ProjectConfiguration* FindConfiguration(const ProjectOptions& options, const QString& name);

// The configuration's search paths and defines in place of the options' own.
void TakeConfiguration(ProjectOptions& options, const ProjectConfiguration& configuration);

// Whether `path` names a file the reader takes as a project by its extension
// (.dpr .dpk .lpr .lpk .dproj .lpi, without regard to case).
bool IsProjectFileName(const QString& path);

// The parsers of each kind, over bytes already in memory (what the fuzzer
// drives). `folder` is the folder of the file the bytes came from, to which
// relative paths are resolved; they never touch the disk and never throw.
// Each fills only what its kind can say and sets `error` for bytes that are
// not the kind's shape (XML that does not parse, no <CONFIG> root).
// Delphi's are in DelphiOptionFiles.cpp, Lazarus's in LazarusOptionFiles.cpp.
void ParseDprojOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into);
void ParseLpiOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into);
void ParseLpkOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into);
void ParseCfgOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into);
void ParseDofOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into);

} // namespace ink
