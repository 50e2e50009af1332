#include "scan/BuildConfiguration.h"
#include "store/UserError.h"
#include "support/PrintQt.h"

#include <gtest/gtest.h>

using namespace ink;

namespace {
ProjectOptions DelphiProject() {
    ProjectOptions options;
    options.projectFile = "/p/Shop.dproj";
    options.compiler = ProjectCompiler::Delphi;
    options.defines = {"BASE"};
    options.configurations = {{"Debug", "Win32", {"BASE", "DEBUG"}, {}, {}},
                              {"Release", "Win32", {"BASE", "RELEASE"}, {}, {}},
                              {"Release", "Win64", {"BASE", "RELEASE", "SIXTYFOUR"}, {}, {}}};
    return options;
}
} // namespace

TEST(BuildConfiguration, TakesTheProjectsConfigurationWithItsPlatform) {
    const ProjectOptions options = DelphiProject();
    const BuildConfiguration debug = ResolveConfiguration(options, "debug");
    EXPECT_TRUE(debug.defines.isDefined("DEBUG"));
    EXPECT_TRUE(debug.defines.isDefined("BASE"));
    EXPECT_FALSE(debug.defines.isDefined("RELEASE"));
    EXPECT_TRUE(debug.defines.isDefined("WIN32"));
    EXPECT_TRUE(debug.defines.isDefined("MSWINDOWS"));
    EXPECT_TRUE(debug.defines.isDefined("VER360"));
    EXPECT_EQ(debug.defines.constants.value("COMPILERVERSION"), 36.0);

    const BuildConfiguration release64 = ResolveConfiguration(options, "Release|Win64");
    EXPECT_TRUE(release64.defines.isDefined("SIXTYFOUR"));
    EXPECT_TRUE(release64.defines.isDefined("WIN64"));
    EXPECT_FALSE(release64.defines.isDefined("WIN32"));
    // The first of a name when no platform is named.
    EXPECT_FALSE(ResolveConfiguration(options, "Release").defines.isDefined("SIXTYFOUR"));
}

TEST(BuildConfiguration, ChoosesTheDelphiReleaseByItsCompilerVersion) {
    const BuildConfiguration xe2 =
        ResolveConfiguration(DelphiProject(), "Debug", {"CompilerVersion=23", "EXTRA"});
    EXPECT_TRUE(xe2.defines.isDefined("VER230"));
    EXPECT_FALSE(xe2.defines.isDefined("VER360"));
    EXPECT_TRUE(xe2.defines.isDefined("EXTRA"));
    EXPECT_EQ(xe2.defines.constants.value("RTLVERSION"), 23.0);
    EXPECT_EQ(EvaluateCondition("CompilerVersion >= 23", xe2.defines), Truth::True);
    EXPECT_EQ(EvaluateCondition("CompilerVersion >= 24", xe2.defines), Truth::False);
    const BuildConfiguration delphi7 =
        ResolveConfiguration(DelphiProject(), "Debug", {"CompilerVersion=15"});
    EXPECT_FALSE(delphi7.defines.isDefined("UNICODE"));
}

TEST(BuildConfiguration, ATargetAloneGivesTheCompilersSymbols) {
    ProjectOptions bare;
    bare.projectFile = "/p/Tool.dpr"; // no option files: the compiler follows the target
    const BuildConfiguration fpcLinux = ResolveConfiguration(bare, "x86_64-linux");
    for (const char* symbol : {"FPC", "UNIX", "LINUX", "CPUX86_64", "CPU64", "VER3_2_2"})
        EXPECT_TRUE(fpcLinux.defines.isDefined(symbol)) << symbol;
    for (const char* symbol : {"MSWINDOWS", "WINDOWS", "CPU32", "CPUI386"})
        EXPECT_FALSE(fpcLinux.defines.isDefined(symbol)) << symbol;
    EXPECT_EQ(EvaluateCondition("FPC_FULLVERSION >= 30200", fpcLinux.defines), Truth::True);
    // A macro with a value is defined as well: {$ifdef FPC_VERSION}.
    EXPECT_TRUE(fpcLinux.defines.isDefined("FPC_VERSION"));

    const BuildConfiguration win64 = ResolveConfiguration(bare, "Win64");
    EXPECT_TRUE(win64.defines.isDefined("WIN64"));
    EXPECT_FALSE(win64.defines.isDefined("FPC"));

    ProjectOptions lazarus;
    lazarus.projectFile = "/p/Tool.lpr";
    EXPECT_TRUE(DefaultConfiguration(lazarus, {"MYDEF"}).defines.isDefined("FPC"));
    EXPECT_TRUE(DefaultConfiguration(lazarus, {"MYDEF"}).defines.isDefined("MYDEF"));
    EXPECT_TRUE(DefaultConfiguration(bare, {}).defines.isDefined("MSWINDOWS"));
}

TEST(BuildConfiguration, AnUnknownNameOrDefineIsAnErrorNamingWhatThereIs) {
    try {
        ResolveConfiguration(DelphiProject(), "Profile");
        FAIL() << "no error";
    } catch (const UserError& error) {
        EXPECT_TRUE(error.message().contains("Shop.dproj")) << error.what();
        EXPECT_TRUE(error.message().contains("Debug|Win32, Release|Win32, Release|Win64"))
            << error.what();
    }
    EXPECT_THROW(ResolveConfiguration(DelphiProject(), "Debug", {"CompilerVersion=new"}),
                 UserError);
}
