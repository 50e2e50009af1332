// The tool's commands with a build configuration or defines: what they read
// is what the compiler compiles for it.
#include "support/FileTimes.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

namespace {
const char* platformUnit = "unit Plat;\ninterface\n"
                           "{$IFDEF MSWINDOWS} procedure WinOnly; {$ENDIF}\n"
                           "{$IFDEF UNIX} procedure UnixOnly; {$ENDIF}\n"
                           "{$IFDEF EXTRA} procedure Extra; {$ENDIF}\n"
                           "{$IF declared(X)} procedure Guessed; {$IFEND}\n"
                           "procedure Always;\nimplementation\nend.\n";

// The routine names the tool lists, placeholders and the size line left out.
QStringList Names(const QString& out) {
    QStringList names;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('\t');
        if (fields.size() > 1 && fields[0] != "size" && fields[1] != "N/A")
            names << fields[1];
    }
    return names;
}

// A .dproj in the IDE's shape: each configuration adds to Base's defines.
const char* dproj = R"X(<Project xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
    <PropertyGroup>
        <MainSource>App.dpr</MainSource>
        <Config Condition="'$(Config)'==''">Debug</Config>
        <Platform Condition="'$(Platform)'==''">Win32</Platform>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Base' or '$(Base)'!=''"><Base>true</Base></PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Debug' or '$(Cfg_1)'!=''">
        <Cfg_1>true</Cfg_1><CfgParent>Base</CfgParent><Base>true</Base>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Release' or '$(Cfg_2)'!=''">
        <Cfg_2>true</Cfg_2><CfgParent>Base</CfgParent><Base>true</Base>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Base)'!=''"><DCC_Define>SHARED;$(DCC_Define)</DCC_Define></PropertyGroup>
    <PropertyGroup Condition="'$(Cfg_1)'!=''"><DCC_Define>DEBUG;$(DCC_Define)</DCC_Define></PropertyGroup>
    <PropertyGroup Condition="'$(Cfg_2)'!=''"><DCC_Define>EXTRA;$(DCC_Define)</DCC_Define></PropertyGroup>
    <ItemGroup>
        <DelphiCompile Include="$(MainSource)"><MainSource>MainSource</MainSource></DelphiCompile>
        <BuildConfiguration Include="Base"><Key>Base</Key></BuildConfiguration>
        <BuildConfiguration Include="Debug"><Key>Cfg_1</Key><CfgParent>Base</CfgParent></BuildConfiguration>
        <BuildConfiguration Include="Release"><Key>Cfg_2</Key><CfgParent>Base</CfgParent></BuildConfiguration>
    </ItemGroup>
    <ProjectExtensions><BorlandProject><Platforms>
        <Platform value="Win32">True</Platform>
    </Platforms></BorlandProject></ProjectExtensions>
</Project>
)X";
} // namespace

TEST(ConfigurationCommands, RoutinesFollowATargetOrDefines) {
    TempDir dir;
    const QString unit = dir.write("Plat.pas", platformUnit);
    const ToolRun onLinux = runTool({"routines", unit, "--config", "x86_64-linux"});
    EXPECT_EQ(onLinux.status, 0) << onLinux.err.toStdString();
    EXPECT_EQ(Names(onLinux.out), QStringList({"UnixOnly", "Guessed", "Always"}));
    EXPECT_TRUE(onLinux.err.contains("x86_64-linux")) << onLinux.err.toStdString();
    EXPECT_TRUE(onLinux.err.contains("4 conditionals, 1 undecided (25.0%)"))
        << onLinux.err.toStdString();

    const ToolRun windows = runTool({"routines", "--define", "EXTRA", unit, "--config", "Win64"});
    EXPECT_EQ(Names(windows.out), QStringList({"WinOnly", "Extra", "Guessed", "Always"}));

    // Without either option, every branch as before, and nothing more said.
    const ToolRun plain = runTool({"routines", unit});
    EXPECT_EQ(Names(plain.out), QStringList({"WinOnly", "UnixOnly", "Extra", "Guessed", "Always"}));
    EXPECT_EQ(plain.err, "");

    const ToolRun missingValue = runTool({"routines", unit, "--config"});
    EXPECT_EQ(missingValue.status, 2);
}

TEST(ConfigurationCommands, DeclarationsFollowTheConfigurationAsRoutinesDo) {
    TempDir dir;
    const QString unit = dir.write("Plat.pas", platformUnit);
    const ToolRun onLinux = runTool({"declarations", unit, "--config", "x86_64-linux"});
    EXPECT_EQ(onLinux.status, 0) << onLinux.err.toStdString();
    QStringList names;
    for (const QString& line : onLinux.out.split('\n', Qt::SkipEmptyParts))
        names << line.section('\t', 2, 2);
    EXPECT_EQ(names, QStringList({"UnixOnly", "Guessed", "Always"}));
    EXPECT_TRUE(runTool({"declarations", unit}).out.contains("WinOnly"));
}

TEST(ConfigurationCommands, UnitsLeaveOutEntriesTheConfigurationDoesNotCompile) {
    TempDir dir;
    const QString project =
        dir.write("Tool.lpr", "program Tool;\nuses\n  {$IFDEF UNIX} cthreads, {$ENDIF}\n"
                              "  {$IFDEF MSWINDOWS} Windows, {$ENDIF}\n  Classes;\nbegin\nend.\n");
    EXPECT_EQ(runTool({"units", project, "--config", "x86_64-linux"}).out,
              "cthreads\tN/A\t\nClasses\tN/A\t\n");
    EXPECT_EQ(runTool({"units", project, "--config", "i386-win32"}).out,
              "Windows\tN/A\t\nClasses\tN/A\t\n");
    EXPECT_EQ(runTool({"units", project}).out, "cthreads\tN/A\t\nWindows\tN/A\t\nClasses\tN/A\t\n");
}

TEST(ConfigurationCommands, ADocumentKeepsItsConfigurationThroughRefreshes) {
    TempDir dir;
    dir.write("Plat.pas", platformUnit);
    // The .dproj beside the .dpr gives the configurations.
    const QString project =
        dir.write("App.dpr", "program App;\nuses\n  Plat in 'Plat.pas';\nbegin\nend.\n");
    dir.write("App.dproj", dproj);
    const QString data = dir.filePath("data");

    const ToolRun release = runTool({"build", project, "--data", data, "--config", "Release"});
    EXPECT_EQ(release.status, 0) << release.err.toStdString();
    // WinOnly, Extra, Guessed, Always.
    EXPECT_EQ(release.out, "docno\t1\tunits\t1\troutines\t4\tsize_kb\t0\n");
    EXPECT_TRUE(release.err.contains("Configuration Release (Delphi")) << release.err.toStdString();

    const ToolRun refreshed = runTool({"refresh", "1", "--full", "--data", data});
    EXPECT_EQ(refreshed.status, 0) << refreshed.err.toStdString();
    EXPECT_TRUE(refreshed.out.startsWith("docno\t1\tunits\t1\troutines\t4\t"))
        << refreshed.out.toStdString();
    EXPECT_TRUE(refreshed.err.contains("Configuration Release")) << refreshed.err.toStdString();

    // A configuration the project does not have makes no document.
    const ToolRun unknown =
        runTool({"build", project, "--data", data, "--name", "other", "--config", "Profile"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains("no configuration \"Profile\"")) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.err.contains("Debug|Win32, Release|Win32")) << unknown.err.toStdString();
    EXPECT_EQ(runTool({"refresh", "2", "--data", data}).status, 1);
}

// The option files give the defines: a refresh that passes over unchanged
// units reads them again when an option file changed.
TEST(ConfigurationCommands, ARefreshReadsTheUnitsAgainWhenTheOptionsChange) {
    TempDir dir;
    dir.write("Plat.pas", platformUnit);
    const QString project =
        dir.write("App.dpr", "program App;\nuses\n  Plat in 'Plat.pas';\nbegin\nend.\n");
    const QString options = dir.write("App.dproj", dproj);
    AgeFileTree(dir.path());
    const QString data = dir.filePath("data");
    ASSERT_EQ(runTool({"build", project, "--data", data, "--config", "Release"}).status, 0);

    QByteArray text = QByteArray(dproj).replace("<DCC_Define>EXTRA;", "<DCC_Define>NOEXTRA;");
    dir.write("App.dproj", text);
    namespace fs = std::filesystem;
    fs::last_write_time(options.toStdString(),
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    const ToolRun refreshed = runTool({"refresh", "1", "--data", data});
    EXPECT_EQ(refreshed.status, 0) << refreshed.err.toStdString();
    // Extra is no longer compiled: it left the source.
    EXPECT_EQ(refreshed.out, "docno\t1\tunits\t1\troutines\t3\tsize_kb\t0\t"
                             "missing_units\t0\tmissing_routines\t1\n");
}

// A project whose options name the configuration it is built with is
// documented as that configuration compiles it, unless told otherwise.
TEST(ConfigurationCommands, ANewDocumentTakesTheConfigurationTheProjectIsBuiltWith) {
    TempDir dir;
    dir.write("Plat.pas", "unit Plat;\ninterface\n"
                          "{$IFDEF WIN32} procedure Win32Only; {$ENDIF}\n"
                          "{$IFDEF WIN64} procedure Win64Only; {$ENDIF}\n"
                          "{$IFDEF DEBUG} procedure DebugOnly; {$ENDIF}\n"
                          "{$IFDEF EXTRA} procedure ReleaseOnly; {$ENDIF}\n"
                          "procedure Always;\nimplementation\nend.\n");
    const QString project =
        dir.write("App.dpr", "program App;\nuses\n  Plat in 'Plat.pas';\nbegin\nend.\n");
    const QByteArray win64 =
        QByteArray(dproj)
            .replace("'$(Platform)'==''\">Win32<", "'$(Platform)'==''\">Win64<")
            .replace("<Platform value=\"Win32\">True</Platform>",
                     "<Platform value=\"Win32\">True</Platform>"
                     "<Platform value=\"Win64\">True</Platform>");
    dir.write("App.dproj", win64);
    const QString data = dir.filePath("data");

    const ToolRun built = runTool({"build", project, "--data", data});
    EXPECT_EQ(built.status, 0) << built.err.toStdString();
    // Win64Only, DebugOnly, Always.
    EXPECT_EQ(built.out, "docno\t1\tunits\t1\troutines\t3\tsize_kb\t0\n");
    EXPECT_TRUE(built.err.contains("Configuration Debug|Win64 (Delphi (CompilerVersion 36) Win64)"))
        << built.err.toStdString();
    // The document keeps it through its refreshes.
    const ToolRun refreshed = runTool({"refresh", "1", "--full", "--data", data});
    EXPECT_TRUE(refreshed.out.startsWith("docno\t1\tunits\t1\troutines\t3\t"))
        << refreshed.out.toStdString();
    EXPECT_TRUE(refreshed.err.contains("Configuration Debug|Win64")) << refreshed.err.toStdString();

    // Told otherwise: another configuration, or every branch.
    const ToolRun release =
        runTool({"build", project, "--data", data, "--name", "rel", "--config", "Release|Win32"});
    EXPECT_EQ(release.out, "docno\t2\tunits\t1\troutines\t3\tsize_kb\t0\n");
    const ToolRun every =
        runTool({"build", project, "--data", data, "--name", "all", "--every-branch"});
    EXPECT_EQ(every.status, 0) << every.err.toStdString();
    EXPECT_EQ(every.out, "docno\t3\tunits\t1\troutines\t5\tsize_kb\t0\n");
    EXPECT_FALSE(every.err.contains("Configuration")) << every.err.toStdString();
    EXPECT_EQ(runTool({"build", project, "--data", data, "--name", "both", "--every-branch",
                       "--config", "Release"})
                  .status,
              2);

    // A Lazarus project's active build mode.
    dir.write("laz/Plat.pas", "unit Plat;\ninterface\n"
                              "{$IFDEF DEBUG} procedure DebugOnly; {$ENDIF}\n"
                              "{$IFDEF WINDOWS} procedure WindowsOnly; {$ENDIF}\n"
                              "procedure Always;\nimplementation\nend.\n");
    const QString lpr = dir.write("laz/app.lpr", "program app;\nuses Plat;\nbegin\nend.\n");
    dir.write("laz/app.lpi", R"(<CONFIG><ProjectOptions><General><MainUnit Value="0"/></General>
  <BuildModes Count="2" Active="Debug"><Item1 Name="Default" Default="True"/>
    <Item2 Name="Debug"><CompilerOptions><Other><CustomOptions Value="-dDEBUG"/></Other>
    </CompilerOptions></Item2></BuildModes>
  <Units><Unit0><Filename Value="app.lpr"/></Unit0></Units></ProjectOptions></CONFIG>)");
    const ToolRun lazarus = runTool({"build", lpr, "--data", data, "--name", "laz"});
    EXPECT_EQ(lazarus.status, 0) << lazarus.err.toStdString();
    EXPECT_EQ(lazarus.out, "docno\t4\tunits\t1\troutines\t2\tsize_kb\t0\n");
    EXPECT_TRUE(lazarus.err.contains("Configuration Debug (Free Pascal 3.2.2 x86_64-linux)"))
        << lazarus.err.toStdString();

    // Without option files, every branch as before, and nothing more said.
    dir.write("bare/Plat.pas", "unit Plat;\ninterface\n"
                               "{$IFDEF MSWINDOWS} procedure WinOnly; {$ENDIF}\n"
                               "{$IFDEF UNIX} procedure UnixOnly; {$ENDIF}\n"
                               "implementation\nend.\n");
    const QString bare =
        dir.write("bare/App.dpr", "program App;\nuses Plat in 'Plat.pas';\nbegin\nend.\n");
    const ToolRun plain = runTool({"build", bare, "--data", data, "--name", "bare"});
    EXPECT_EQ(plain.out, "docno\t5\tunits\t1\troutines\t2\tsize_kb\t0\n");
    EXPECT_EQ(plain.err, "");
}
