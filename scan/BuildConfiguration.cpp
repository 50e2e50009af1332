#include "BuildConfiguration.h"

#include <cmath>
#include <QFileInfo>
#include <span>

#include "store/UserError.h"

namespace ink {

namespace {

constexpr double defaultDelphiVersion = 36.0; // Delphi 12

// What Free Pascal 3.2.2 defines for every target: the version, and the
// features of its run-time library in the default mode.
constexpr const char* freePascalCommon[] = {
    "FPC",
    "VER3",
    "VER3_2",
    "VER3_2_2",
    "CONSOLE",
    "FPC_ABI_DEFAULT",
    "FPC_DYNARRAYCOPY_FIXED",
    "FPC_HAS_CONSTREF",
    "FPC_HAS_CPSTRING",
    "FPC_HAS_FEATURE_ANSISTRINGS",
    "FPC_HAS_FEATURE_CLASSES",
    "FPC_HAS_FEATURE_COMMANDARGS",
    "FPC_HAS_FEATURE_CONSOLEIO",
    "FPC_HAS_FEATURE_DYNARRAYS",
    "FPC_HAS_FEATURE_DYNLIBS",
    "FPC_HAS_FEATURE_EXCEPTIONS",
    "FPC_HAS_FEATURE_EXITCODE",
    "FPC_HAS_FEATURE_FILEIO",
    "FPC_HAS_FEATURE_HEAP",
    "FPC_HAS_FEATURE_INITFINAL",
    "FPC_HAS_FEATURE_OBJECTIVEC1",
    "FPC_HAS_FEATURE_OBJECTS",
    "FPC_HAS_FEATURE_PROCESSES",
    "FPC_HAS_FEATURE_RANDOM",
    "FPC_HAS_FEATURE_RESOURCES",
    "FPC_HAS_FEATURE_RTTI",
    "FPC_HAS_FEATURE_SOFTFPU",
    "FPC_HAS_FEATURE_STACKCHECK",
    "FPC_HAS_FEATURE_SUPPORT",
    "FPC_HAS_FEATURE_TEXTIO",
    "FPC_HAS_FEATURE_THREADING",
    "FPC_HAS_FEATURE_UNICODESTRINGS",
    "FPC_HAS_FEATURE_VARIANTS",
    "FPC_HAS_FEATURE_WIDESTRINGS",
    "FPC_HAS_MEMBAR",
    "FPC_HAS_OPERATOR_ENUMERATOR",
    "FPC_HAS_RESSTRINITS",
    "FPC_HAS_TYPE_DOUBLE",
    "FPC_HAS_TYPE_SINGLE",
    "FPC_HAS_UNICODESTRING",
    "FPC_HAS_INTERNAL_ABS_LONG",
    "FPC_RTTI_PACKSET1",
    "FPC_SETBASE_USED",
    "FPC_VARIANTCOPY_FIXED",
    "INTERNAL_BACKTRACE",
    "STR_CONCAT_PROCS",
};

struct TargetSymbols {
    const char* name;
    std::initializer_list<const char*> symbols;
};

// By processor and by system. x86_64 and Linux are exactly what
// `fpc -va` lists for x86_64-linux; the others are their documented
// processor and system symbols.
const TargetSymbols freePascalCpus[] = {
    {"x86_64",
     {"CPU64",
      "CPUAMD64",
      "CPUATHLON64",
      "CPUINT64",
      "CPUX64",
      "CPUX86_64",
      "CPUX86_HAS_CMOV",
      "CPUX86_HAS_SSE2",
      "CPUX86_HAS_SSEUNIT",
      "ENDIAN_LITTLE",
      "FPC_LITTLE_ENDIAN",
      "FPC_HAS_CEXTENDED",
      "FPC_HAS_INTERNAL_ABS_INT64",
      "FPC_HAS_INTERNAL_BSF",
      "FPC_HAS_INTERNAL_BSR",
      "FPC_HAS_INTERNAL_ROX",
      "FPC_HAS_INTERNAL_SAR",
      "FPC_HAS_RIP_RELATIVE",
      "FPC_HAS_TYPE_EXTENDED",
      "FPC_STATICRIPFIXED",
      "FPUSSE64",
      "REGCALL"}},
    {"i386",
     {"CPU32", "CPU386", "CPUI386", "CPUX86", "ENDIAN_LITTLE", "FPC_LITTLE_ENDIAN", "FPUX87",
      "FPC_HAS_TYPE_EXTENDED", "FPC_HAS_INTERNAL_BSF", "FPC_HAS_INTERNAL_BSR", "REGCALL"}},
    {"aarch64", {"CPU64", "CPUAARCH64", "ENDIAN_LITTLE", "FPC_LITTLE_ENDIAN"}},
};
const TargetSymbols freePascalSystems[] = {
    {"linux",
     {"LINUX", "UNIX", "HASUNIX", "FPC_LINK_STATIC", "FPC_HAS_INDIRECT_ENTRY_INFORMATION",
      "FPC_HAS_WINLIKERESOURCES", "FPC_WIDESTRING_EQUAL_UNICODESTRING"}},
    {"win32", {"WIN32", "WINDOWS", "MSWINDOWS"}},
    {"win64", {"WIN64", "WINDOWS", "MSWINDOWS"}},
    {"darwin", {"DARWIN", "BSD", "UNIX", "HASUNIX", "FPC_WIDESTRING_EQUAL_UNICODESTRING"}},
};

const TargetSymbols delphiPlatforms[] = {
    {"Win32",
     {"MSWINDOWS", "WIN32", "CPUX86", "CPU386", "CPU32BITS", "ASSEMBLER", "UNDERSCOREIMPORTNAME"}},
    {"Win64", {"MSWINDOWS", "WIN64", "CPUX64", "CPU64BITS", "ASSEMBLER"}},
    {"Linux64", {"LINUX", "LINUX64", "POSIX", "POSIX64", "CPUX64", "CPU64BITS"}},
    {"OSX64", {"MACOS", "MACOS64", "OSX", "OSX64", "POSIX", "POSIX64", "CPUX64", "CPU64BITS"}},
    {"OSXARM64", {"MACOS", "MACOS64", "OSX", "OSX64", "POSIX", "POSIX64", "CPUARM64", "CPU64BITS"}},
    {"Android64",
     {"ANDROID", "ANDROID64", "LINUX", "LINUX64", "POSIX", "POSIX64", "CPUARM64", "CPU64BITS"}},
};

const TargetSymbols* findTarget(std::span<const TargetSymbols> targets, const QString& name) {
    for (const TargetSymbols& target : targets)
        if (name.compare(QLatin1String(target.name), Qt::CaseInsensitive) == 0)
            return &target;
    return nullptr;
}

void defineAll(CompilerDefines& defines, std::initializer_list<const char*> symbols) {
    for (const char* symbol : symbols)
        defines.define(symbol);
}

// The switches both compilers start with whatever the configuration.
void defaultSwitches(CompilerDefines& defines) {
    for (const auto& [letter, on] : {std::pair{'B', false},
                                     {'I', true},
                                     {'Q', false},
                                     {'R', false},
                                     {'T', false},
                                     {'X', true}})
        defines.switches.insert(letter, on);
}

bool isFreePascalTarget(const QString& name) {
    const qsizetype dash = name.indexOf(QLatin1Char('-'));
    return dash > 0 && findTarget(freePascalCpus, name.left(dash)) &&
           findTarget(freePascalSystems, name.mid(dash + 1));
}

bool isDelphiPlatform(const QString& name) {
    return findTarget(delphiPlatforms, name) != nullptr;
}

QString delphiVersionVer(double compilerVersion) {
    return QStringLiteral("VER%1").arg(qRound(compilerVersion * 10));
}

// `NAME` defines a symbol; `NAME=NUMBER` sets a constant.
void applyDefine(CompilerDefines& defines, const QString& define) {
    const qsizetype equals = define.indexOf(QLatin1Char('='));
    if (equals < 0) {
        defines.define(define.trimmed().toUtf8());
        return;
    }
    const QByteArray name = define.left(equals).trimmed().toUtf8().toUpper();
    bool ok = false;
    const double value = define.mid(equals + 1).trimmed().toDouble(&ok);
    if (name.isEmpty() || !ok)
        throw UserError(
            QStringLiteral("The define \"%1\" is neither a symbol nor NAME=NUMBER.").arg(define));
    defines.constants.insert(name, value);
}

ProjectCompiler compilerFor(const ProjectOptions& options, const QString& platform) {
    // Option files say which compiler builds the project; without them the
    // compiler is only guessed from the project file's extension, and a
    // target the user names decides instead.
    if (options.compiler != ProjectCompiler::Unknown && !options.optionFiles.isEmpty())
        return options.compiler;
    if (isFreePascalTarget(platform))
        return ProjectCompiler::FreePascal;
    if (isDelphiPlatform(platform))
        return ProjectCompiler::Delphi;
    if (options.compiler != ProjectCompiler::Unknown)
        return options.compiler;
    const QString suffix = QFileInfo(options.projectFile).suffix().toLower();
    return suffix == QLatin1String("lpr") || suffix == QLatin1String("pp")
               ? ProjectCompiler::FreePascal
               : ProjectCompiler::Delphi;
}

// " (it has Debug, Release|Win64)", or nothing for a project without
// configurations: what an unknown name is told it could be.
QString knownConfigurations(const ProjectOptions& options) {
    QStringList known;
    for (const ProjectConfiguration& candidate : options.configurations) {
        const QString written = candidate.platform.isEmpty()
                                    ? candidate.name
                                    : candidate.name + QLatin1Char('|') + candidate.platform;
        if (!known.contains(written))
            known << written;
    }
    return known.isEmpty() ? QString() : QStringLiteral(" (it has %1)").arg(known.join(", "));
}

BuildConfiguration resolve(const ProjectOptions& options, const QString& name,
                           const QStringList& configurationDefines, QString platform,
                           const QStringList& extraDefines) {
    BuildConfiguration result;
    result.name = name;
    const ProjectCompiler compiler = compilerFor(options, platform);
    // Extra defines come last but decide the compiler release first.
    CompilerDefines extra;
    for (const QString& define : extraDefines)
        applyDefine(extra, define);
    if (compiler == ProjectCompiler::FreePascal) {
        if (platform.isEmpty() || !isFreePascalTarget(platform))
            platform = QStringLiteral("x86_64-linux");
        result.defines = FreePascalDefines(platform);
        result.compiler = QStringLiteral("Free Pascal 3.2.2 %1").arg(platform.toLower());
    } else {
        const double version = extra.constants.value("COMPILERVERSION", defaultDelphiVersion);
        if (!isDelphiPlatform(platform))
            platform = QStringLiteral("Win32");
        result.defines = DelphiDefines(platform, version);
        result.compiler = QStringLiteral("Delphi (CompilerVersion %1) %2")
                              .arg(version)
                              .arg(findTarget(delphiPlatforms, platform)->name);
    }
    for (const QString& define : configurationDefines)
        applyDefine(result.defines, define);
    for (const QString& define : extraDefines)
        applyDefine(result.defines, define);
    return result;
}

// The configuration `name`, `chosen` among the project's own (see
// FindConfiguration), resolved to its defines; a name that is none of them
// may name a target alone.
BuildConfiguration resolveChosen(const ProjectOptions& options, const QString& name,
                                 const ProjectConfiguration* chosen,
                                 const QStringList& extraDefines) {
    const auto [configuration, platform] = SplitConfigurationName(name);
    if (chosen)
        return resolve(options, name, chosen->defines,
                       platform.isEmpty() ? chosen->platform : platform, extraDefines);
    if (!name.contains(QLatin1Char('|')) &&
        (isFreePascalTarget(configuration) || isDelphiPlatform(configuration)))
        return resolve(options, name, options.defines, configuration, extraDefines);
    throw UserError(
        QStringLiteral("The project %1 has no configuration \"%2\"%3. A target such as "
                       "x86_64-linux or Win64 may be named instead.")
            .arg(QFileInfo(options.projectFile).fileName(), name, knownConfigurations(options)));
}

} // namespace

CompilerDefines FreePascalDefines(const QString& target) {
    CompilerDefines defines;
    const qsizetype dash = target.indexOf(QLatin1Char('-'));
    const TargetSymbols* cpu = dash > 0 ? findTarget(freePascalCpus, target.left(dash)) : nullptr;
    const TargetSymbols* system =
        dash > 0 ? findTarget(freePascalSystems, target.mid(dash + 1)) : nullptr;
    if (!cpu || !system)
        return defines;
    for (const char* symbol : freePascalCommon)
        defines.define(symbol);
    defineAll(defines, cpu->symbols);
    defineAll(defines, system->symbols);
    // Macros with a value, which {$IFDEF} sees as defined too.
    for (const auto& [name, value] : {std::pair{"FPC_VERSION", 3},
                                      {"FPC_RELEASE", 2},
                                      {"FPC_PATCH", 2},
                                      {"FPC_FULLVERSION", 30202}}) {
        defines.define(name);
        defines.constants.insert(name, value);
    }
    defaultSwitches(defines);
    return defines;
}

CompilerDefines DelphiDefines(const QString& platform, double compilerVersion) {
    CompilerDefines defines;
    const TargetSymbols* target = findTarget(delphiPlatforms, platform);
    if (!target)
        return defines;
    defineAll(defines, target->symbols);
    defineAll(defines, {"CONDITIONALEXPRESSIONS", "NATIVECODE"});
    if (compilerVersion >= 20) // Delphi 2009 made strings Unicode
        defines.define("UNICODE");
    defines.define(delphiVersionVer(compilerVersion).toUtf8());
    defines.constants.insert("COMPILERVERSION", compilerVersion);
    defines.constants.insert("RTLVERSION", compilerVersion);
    defaultSwitches(defines);
    defines.switches.insert('H', true);
    return defines;
}

BuildConfiguration DefaultConfiguration(const ProjectOptions& options,
                                        const QStringList& extraDefines) {
    return resolve(options, QString(), options.defines, QString(), extraDefines);
}

BuildConfiguration ResolveConfiguration(const ProjectOptions& options, const QString& name,
                                        const QStringList& extraDefines) {
    return resolveChosen(options, name, FindConfiguration(options, name), extraDefines);
}

ConfiguredProject ReadConfiguredProject(const QString& projectPath, const QString& name) {
    ConfiguredProject project;
    project.options = ReadProjectOptions(projectPath);
    const QString chosenName = name.trimmed();
    if (chosenName.isEmpty())
        return project;
    if (!project.options.error.isEmpty())
        throw UserError(project.options.error);
    const ProjectConfiguration* chosen = FindConfiguration(project.options, chosenName);
    project.configuration = resolveChosen(project.options, chosenName, chosen, {});
    if (chosen)
        TakeConfiguration(project.options, *chosen);
    return project;
}

std::optional<BuildConfiguration>
DocumentConfiguration(const QString& projectPath, const QString& name, QStringList* optionFiles) {
    if (name.trimmed().isEmpty())
        return std::nullopt;
    ConfiguredProject project = ReadConfiguredProject(projectPath, name);
    if (optionFiles && project.configuration)
        *optionFiles = project.options.optionFiles;
    return std::move(project.configuration);
}

QString ProjectDefaultConfiguration(const QString& projectPath) {
    // A name longer than a document keeps could not be found again.
    constexpr qsizetype storedWidth = 100;
    const ProjectOptions options = ReadProjectOptions(projectPath);
    if (!options.error.isEmpty() || options.defaultConfiguration.size() > storedWidth)
        return {};
    return options.defaultConfiguration;
}

QStringList ConfigurationChoices(const ProjectOptions& options) {
    QStringList choices;
    for (const ProjectConfiguration& configuration : options.configurations) {
        const QString name = configuration.platform.isEmpty()
                                 ? configuration.name
                                 : configuration.name + QLatin1Char('|') + configuration.platform;
        if (!choices.contains(name, Qt::CaseInsensitive))
            choices << name;
    }
    const bool freePascal = compilerFor(options, QString()) == ProjectCompiler::FreePascal;
    const QStringList freePascalTargets{"x86_64-linux",  "i386-linux",   "aarch64-linux",
                                        "i386-win32",    "x86_64-win64", "x86_64-darwin",
                                        "aarch64-darwin"};
    const QStringList delphiPlatformNames{"Win32", "Win64",    "Linux64",
                                          "OSX64", "OSXARM64", "Android64"};
    choices += freePascal ? freePascalTargets : delphiPlatformNames;
    // Without option files the compiler is a guess: the other one's targets
    // are offered after.
    if (options.compiler == ProjectCompiler::Unknown || options.optionFiles.isEmpty())
        choices += freePascal ? delphiPlatformNames : freePascalTargets;
    return choices;
}

QString ConditionalsSummary(const BuildConfiguration& configuration,
                            const ConditionalCounts& counts) {
    const int all = counts.decided + counts.guessed;
    return QStringLiteral("Configuration %1 (%2): %3 conditionals, %4 undecided (%5%), read as "
                          "without defines")
        .arg(configuration.name.isEmpty() ? QStringLiteral("default") : configuration.name,
             configuration.compiler)
        .arg(all)
        .arg(counts.guessed)
        .arg(QString::number(all ? 100.0 * counts.guessed / all : 0.0, 'f', 1));
}

} // namespace ink
