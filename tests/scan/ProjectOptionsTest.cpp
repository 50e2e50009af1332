#include "scan/ProjectOptions.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <QDir>

using namespace ink;

namespace {

// A .dproj in the shape the Delphi IDE writes: the configurations' keys set
// by conditions on Config and Platform, then groups that add to the
// inherited value through $(DCC_Define).
const QByteArray dproj = R"X(<Project xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
    <PropertyGroup>
        <ProjectGuid>{8E2D4A57-0000-4000-8000-000000000001}</ProjectGuid>
        <MainSource>Demo.dpr</MainSource>
        <Config Condition="'$(Config)'==''">Debug</Config>
        <Platform Condition="'$(Platform)'==''">Win32</Platform>
        <FrameworkType>VCL</FrameworkType>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Base' or '$(Base)'!=''">
        <Base>true</Base>
    </PropertyGroup>
    <PropertyGroup Condition="('$(Platform)'=='Win64' and '$(Base)'=='true') or '$(Base_Win64)'!=''">
        <Base_Win64>true</Base_Win64>
        <CfgParent>Base</CfgParent>
        <Base>true</Base>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Debug' or '$(Cfg_1)'!=''">
        <Cfg_1>true</Cfg_1>
        <CfgParent>Base</CfgParent>
        <Base>true</Base>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Release' or '$(Cfg_2)'!=''">
        <Cfg_2>true</Cfg_2>
        <CfgParent>Base</CfgParent>
        <Base>true</Base>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Base)'!=''">
        <DCC_Define>SHARED;$(DCC_Define)</DCC_Define>
        <DCC_UnitSearchPath>..\Common;Lib;$(BDS)\Source;$(DCC_UnitSearchPath)</DCC_UnitSearchPath>
        <DCC_IncludePath>Inc;$(DCC_IncludePath)</DCC_IncludePath>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Base_Win64)'!=''">
        <DCC_Define>WIDE;$(DCC_Define)</DCC_Define>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Cfg_1)'!=''">
        <DCC_Define>DEBUG;$(DCC_Define)</DCC_Define>
        <DCC_UnitSearchPath>DebugLib;$(DCC_UnitSearchPath)</DCC_UnitSearchPath>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Cfg_2)'!=''">
        <DCC_Define>RELEASE;$(DCC_Define)</DCC_Define>
    </PropertyGroup>
    <ItemGroup>
        <DelphiCompile Include="$(MainSource)"><MainSource>MainSource</MainSource></DelphiCompile>
        <DCCReference Include="Main.pas"><Form>MainForm</Form></DCCReference>
        <BuildConfiguration Include="Release"><Key>Cfg_2</Key><CfgParent>Base</CfgParent></BuildConfiguration>
        <BuildConfiguration Include="Base"><Key>Base</Key></BuildConfiguration>
        <BuildConfiguration Include="Debug"><Key>Cfg_1</Key><CfgParent>Base</CfgParent></BuildConfiguration>
    </ItemGroup>
    <ProjectExtensions>
        <Borland.Personality>Delphi.Personality.12</Borland.Personality>
        <BorlandProject>
            <Platforms>
                <Platform value="Win32">True</Platform>
                <Platform value="Win64">True</Platform>
                <Platform value="Linux64">False</Platform>
            </Platforms>
        </BorlandProject>
        <ProjectFileVersion>12</ProjectFileVersion>
    </ProjectExtensions>
</Project>
)X";

QString configurationLine(const ProjectConfiguration& c) {
    return c.name + "/" + c.platform + ": " + c.defines.join(',');
}

} // namespace

TEST(ProjectOptions, ResolvesADprojsConfigurationsAsMSBuildDoes) {
    const QString folder = "/work/Demo";
    ProjectOptions options;
    ParseDprojOptions(dproj, folder, options);
    ASSERT_EQ(options.error, QString());
    EXPECT_EQ(options.compiler, ProjectCompiler::Delphi);
    EXPECT_EQ(options.mainSource, "/work/Demo/Demo.dpr");
    // Without a choice the file's own defaults hold: Debug on Win32.
    EXPECT_EQ(options.defines, (QStringList{"DEBUG", "SHARED"}));
    EXPECT_EQ(options.defaultConfiguration, "Debug|Win32");
    // The group of the configuration comes after Base's and puts its path
    // first; a macro's path cannot be known here and is left out.
    EXPECT_EQ(options.unitSearchPaths,
              (QStringList{"/work/Demo/DebugLib", "/work/Common", "/work/Demo/Lib"}));
    EXPECT_EQ(options.includePaths, QStringList{"/work/Demo/Inc"});

    QStringList lines;
    for (const ProjectConfiguration& c : options.configurations)
        lines << configurationLine(c);
    // Base is what the others inherit, not a configuration of its own; a
    // platform switched off in the IDE is none either.
    EXPECT_EQ(lines,
              (QStringList{"Release/Win32: RELEASE,SHARED", "Release/Win64: RELEASE,WIDE,SHARED",
                           "Debug/Win32: DEBUG,SHARED", "Debug/Win64: DEBUG,WIDE,SHARED"}));
    EXPECT_EQ(options.configurations[0].unitSearchPaths,
              (QStringList{"/work/Common", "/work/Demo/Lib"}));

    // A build of another configuration looks where that one looks.
    ProjectOptions release = options;
    ChooseConfiguration(release, "release|win64");
    EXPECT_EQ(release.unitSearchPaths, (QStringList{"/work/Common", "/work/Demo/Lib"}));
    EXPECT_EQ(release.defines, (QStringList{"RELEASE", "WIDE", "SHARED"}));
    ProjectOptions target = options;
    ChooseConfiguration(target, "x86_64-linux");
    EXPECT_EQ(target.unitSearchPaths, options.unitSearchPaths);
}

TEST(ProjectOptions, ReadsALazarusProjectsUnitsModesAndPackages) {
    const QByteArray lpi = R"X(<?xml version="1.0" encoding="UTF-8"?>
<CONFIG>
  <ProjectOptions>
    <General><MainUnit Value="0"/></General>
    <BuildModes Count="2">
      <Item1 Name="Default" Default="True"/>
      <Item2 Name="Debug">
        <CompilerOptions>
          <SearchPaths><OtherUnitFiles Value="..\shared;debug"/></SearchPaths>
          <Other><CustomOptions Value="-dDEBUG&#xA;-dTRACE -uTRACE -Fuextra"/></Other>
        </CompilerOptions>
      </Item2>
    </BuildModes>
    <RequiredPackages Count="2">
      <Item1><PackageName Value="SynEdit"/></Item1>
      <Item2><PackageName Value="LCL"/></Item2>
    </RequiredPackages>
    <Units Count="3">
      <Unit0><Filename Value="demo.lpr"/><IsPartOfProject Value="True"/></Unit0>
      <Unit1><Filename Value="forms\main.pas"/><IsPartOfProject Value="True"/></Unit1>
      <Unit2><Filename Value="notes.txt"/><IsPartOfProject Value="True"/></Unit2>
      <Unit3><Filename Value="other.pas"/></Unit3>
    </Units>
  </ProjectOptions>
  <CompilerOptions>
    <SearchPaths>
      <IncludeFiles Value="inc;$(ProjOutDir)"/>
      <OtherUnitFiles Value="..\shared"/>
    </SearchPaths>
    <Other><CustomOptions Value="-dGUI"/></Other>
  </CompilerOptions>
</CONFIG>
)X";
    ProjectOptions options;
    ParseLpiOptions(lpi, "/p/demo", options);
    ASSERT_EQ(options.error, QString());
    EXPECT_EQ(options.compiler, ProjectCompiler::FreePascal);
    EXPECT_EQ(options.mainSource, "/p/demo/demo.lpr");
    // Only Pascal files that are part of the project, paths as written made absolute.
    EXPECT_EQ(options.listedUnits, QStringList{"/p/demo/forms/main.pas"});
    EXPECT_EQ(options.listedUnitNames, QStringList{"main"});
    // No session names an active mode: the one marked as the default is built.
    EXPECT_EQ(options.defaultConfiguration, "Default");
    EXPECT_EQ(options.requiredPackages, (QStringList{"SynEdit", "LCL"}));
    EXPECT_EQ(options.unitSearchPaths, QStringList{"/p/shared"});
    EXPECT_EQ(options.includePaths, QStringList{"/p/demo/inc"});
    EXPECT_EQ(options.defines, QStringList{"GUI"});
    ASSERT_EQ(options.configurations.size(), 2);
    // The default mode is the project's own options; another mode's replace them.
    EXPECT_EQ(options.configurations[0].name, "Default");
    EXPECT_EQ(options.configurations[0].defines, QStringList{"GUI"});
    EXPECT_EQ(options.configurations[1].name, "Debug");
    EXPECT_EQ(options.configurations[1].defines, QStringList{"DEBUG"});
    EXPECT_EQ(options.configurations[1].unitSearchPaths,
              (QStringList{"/p/shared", "/p/demo/debug", "/p/demo/extra"}));
}

TEST(ProjectOptions, ReadsAPackagesFilesApartFromItsIncludeFiles) {
    const QByteArray lpk = R"X(<?xml version="1.0" encoding="UTF-8"?>
<CONFIG>
  <Package Version="5">
    <PathDelim Value="\"/>
    <Name Value="Widgets"/>
    <CompilerOptions>
      <SearchPaths><OtherUnitFiles Value="src"/><IncludeFiles Value="inc"/></SearchPaths>
      <Other><CustomOptions Value="$(IDEBuildOptions) -dgc"/></Other>
    </CompilerOptions>
    <Files>
      <Item><Filename Value="src\widgets.pas"/><UnitName Value="Widgets"/></Item>
      <Item><Filename Value="src\widgets.inc"/><Type Value="Include"/></Item>
      <Item><Filename Value="widgets.lfm"/><Type Value="LFM"/></Item>
      <Item><Filename Value="win\widgetswin.pp"/><Type Value="Unit"/></Item>
      <Item><Filename Value="gone.pas"/><Type Value="Virtual Unit"/></Item>
    </Files>
    <RequiredPkgs>
      <Item><PackageName Value="LCLBase"/></Item>
      <Item><PackageName Value="FCL"/></Item>
    </RequiredPkgs>
  </Package>
</CONFIG>
)X";
    ProjectOptions options;
    ParseLpkOptions(lpk, "/c/widgets", options);
    ASSERT_EQ(options.error, QString());
    EXPECT_EQ(options.mainSource, QString());
    EXPECT_EQ(options.listedUnits,
              (QStringList{"/c/widgets/src/widgets.pas", "/c/widgets/win/widgetswin.pp"}));
    EXPECT_EQ(options.listedIncludeFiles, QStringList{"/c/widgets/src/widgets.inc"});
    EXPECT_EQ(options.requiredPackages, (QStringList{"LCLBase", "FCL"}));
    EXPECT_EQ(options.unitSearchPaths, QStringList{"/c/widgets/src"});
    // The listed include files' folder is searched after the include path.
    EXPECT_EQ(options.includePaths, (QStringList{"/c/widgets/inc", "/c/widgets/src"}));
    EXPECT_EQ(options.defines, QStringList{"gc"});
}

TEST(ProjectOptions, ReadsTheOlderDelphiOptionFiles) {
    ProjectOptions cfg;
    ParseCfgOptions(
        "-$A8\r\n-$O+\r\n-U\"..\\Lib;C:\\Delphi\\Lib\"\r\n-I\"Inc\"\r\n-DDEBUG;USE_X\r\n"
        "-O\"Obj\"\r\n-dLATE\r\n",
        "/d/app", cfg);
    EXPECT_EQ(cfg.unitSearchPaths, (QStringList{"/d/Lib", "C:/Delphi/Lib"}));
    EXPECT_EQ(cfg.includePaths, QStringList{"/d/app/Inc"});
    EXPECT_EQ(cfg.defines, (QStringList{"DEBUG", "USE_X", "LATE"}));
    // A folder whose name begins with ':' is a folder, not one of Qt's resources.
    ProjectOptions colon;
    ParseCfgOptions("-U:\\Lib;C:\\..\\Lib\r\n", "/d/app", colon);
    EXPECT_EQ(colon.unitSearchPaths, (QStringList{"/d/app/:/Lib", "C:/Lib"}));

    ProjectOptions dof;
    ParseDofOptions("[FileVersion]\r\nVersion=7.0\r\n[Directories]\r\nOutputDir=\r\n"
                    "SearchPath=$(DELPHI)\\Lib;..\\Common\r\nConditionals=DEBUG;EUREKA\r\n"
                    "[Parameters]\r\nSearchPath=ignored\r\n",
                    "/d/app", dof);
    EXPECT_EQ(dof.unitSearchPaths, QStringList{"/d/Common"});
    EXPECT_EQ(dof.includePaths, QStringList{"/d/Common"});
    EXPECT_EQ(dof.defines, (QStringList{"DEBUG", "EUREKA"}));
}

TEST(ProjectOptions, FindsTheOptionFilesBesideAProject) {
    TempDir dir;
    dir.write("app/Demo.dpr", "program Demo; uses Main in 'Main.pas'; begin end.");
    dir.write("app/DEMO.CFG", "-U..\\Lib\n-DFROMCFG\n");
    dir.write("app/Demo.dof", "[Directories]\nConditionals=FROMDOF\n");
    ProjectOptions older = ReadProjectOptions(dir.filePath("app/Demo.dpr"));
    EXPECT_EQ(older.error, QString());
    EXPECT_EQ(older.mainSource, dir.filePath("app/Demo.dpr"));
    EXPECT_EQ(older.defines, (QStringList{"FROMCFG", "FROMDOF"}));
    EXPECT_EQ(older.unitSearchPaths, QStringList{QDir::cleanPath(dir.filePath("Lib"))});
    EXPECT_EQ(older.optionFiles.size(), 2);

    // A .dproj supersedes them, and the .dpr stays the main source.
    dir.write("app/Demo.dproj", dproj);
    ProjectOptions newer = ReadProjectOptions(dir.filePath("app/Demo.dpr"));
    EXPECT_EQ(newer.error, QString());
    EXPECT_EQ(newer.defines, (QStringList{"DEBUG", "SHARED"}));
    EXPECT_EQ(newer.optionFiles, QStringList{dir.filePath("app/Demo.dproj")});

    // The .dproj chosen itself leads to its main source, matched without
    // regard to case.
    dir.write("other/Demo.dproj", dproj);
    dir.write("other/DEMO.DPR", "program Demo; begin end.");
    EXPECT_EQ(ReadProjectOptions(dir.filePath("other/Demo.dproj")).mainSource,
              dir.filePath("other/DEMO.DPR"));

    dir.write("laz/demo.lpr", "program demo; uses main; begin end.");
    dir.write("laz/demo.lpi",
              "<CONFIG><ProjectOptions><RequiredPackages><Item1><PackageName "
              "Value=\"LCL\"/></Item1></RequiredPackages></ProjectOptions></CONFIG>");
    const ProjectOptions lazarus = ReadProjectOptions(dir.filePath("laz/demo.lpr"));
    EXPECT_EQ(lazarus.mainSource, dir.filePath("laz/demo.lpr"));
    EXPECT_EQ(lazarus.requiredPackages, QStringList{"LCL"});
    EXPECT_EQ(lazarus.compiler, ProjectCompiler::FreePascal);

    // Without a MainUnit element the first unit is the main one, as the IDE
    // reads it.
    const QString unwritten = dir.write(
        "laz/plain.lpi", "<CONFIG><ProjectOptions><Units><Unit0><Filename "
                         "Value=\"demo.lpr\"/></Unit0></Units></ProjectOptions></CONFIG>");
    EXPECT_EQ(ReadProjectOptions(unwritten).mainSource, dir.filePath("laz/demo.lpr"));

    // A .dpk's requires clause names the packages it needs.
    dir.write("pkg/Comps.dpk", "package Comps;\r\nrequires\r\n  rtl,\r\n  vcl;\r\ncontains\r\n"
                               "  CompA in 'CompA.pas';\r\nend.\r\n");
    EXPECT_EQ(ReadProjectOptions(dir.filePath("pkg/Comps.dpk")).requiredPackages,
              (QStringList{"rtl", "vcl"}));
}

TEST(ProjectOptions, NamesTheFileThatCannotBeRead) {
    TempDir dir;
    // Each of these must stop the build with the file named, never give an
    // empty document reported as a success.
    const QString missing = dir.filePath("Missing.lpk");
    EXPECT_EQ(ReadProjectOptions(missing).error, "File " + missing + " could not be opened.");

    const QString broken = dir.write("Broken.lpi", "<CONFIG><ProjectOptions>");
    EXPECT_TRUE(ReadProjectOptions(broken).error.startsWith(
        "File " + broken + " could not be read: it is not well-formed XML"))
        << ReadProjectOptions(broken).error.toStdString();

    const QString notPackage = dir.write("Other.lpk", "<CONFIG><ProjectOptions/></CONFIG>");
    EXPECT_EQ(ReadProjectOptions(notPackage).error,
              "File " + notPackage + " could not be read: it holds no <Package>.");

    QByteArray noMain = dproj;
    noMain.replace("Demo.dpr", "Absent.dpr");
    const QString orphan = dir.write("Orphan.dproj", noMain);
    EXPECT_EQ(ReadProjectOptions(orphan).error, "File " + orphan + " names the main source " +
                                                    dir.filePath("Absent.dpr") +
                                                    ", which does not exist.");

    const QString noMainUnit = dir.write(
        "NoMain.lpi", "<CONFIG><ProjectOptions><General><MainUnit Value=\"-1\"/></General>"
                      "<Units/></ProjectOptions></CONFIG>");
    EXPECT_EQ(ReadProjectOptions(noMainUnit).error,
              "File " + noMainUnit + " names no main source.");

    // A broken option file beside a .dpr is named too.
    dir.write("App.dpr", "program App; begin end.");
    const QString besideDproj = dir.write("App.dproj", "<Project><PropertyGroup>");
    EXPECT_TRUE(ReadProjectOptions(dir.filePath("App.dpr")).error.startsWith("File " + besideDproj))
        << ReadProjectOptions(dir.filePath("App.dpr")).error.toStdString();
}

TEST(ProjectOptions, RefusesXmlNestedBeyondAnyOptionFile) {
    QByteArray deep;
    for (int i = 0; i < 10000; ++i)
        deep += "<a>";
    ProjectOptions options;
    ParseLpkOptions(deep, "/x", options);
    EXPECT_EQ(options.error, "its elements nest too deep");
}

// A project's units are named as the compiler names them, and only units
// are: another program the project's folder holds is listed beside them.
TEST(ProjectOptions, NamesALazarusProjectsUnitsByTheirUnitNames) {
    const QByteArray lpi = R"X(<?xml version="1.0" encoding="UTF-8"?>
<CONFIG><ProjectOptions>
  <General><MainUnit Value="0"/></General>
  <Units Count="6">
    <Unit0><Filename Value="lhelp.lpr"/><IsPartOfProject Value="True"/></Unit0>
    <Unit1><Filename Value="chmdataprovider.pas"/><IsPartOfProject Value="True"/>
      <UnitName Value="ChmDataProvider"/></Unit1>
    <Unit2><Filename Value="lib/basecontentprovider.pp"/><IsPartOfProject Value="True"/></Unit2>
    <Unit3><Filename Value="test3_1listboxdrawitem.lpr"/><IsPartOfProject Value="True"/></Unit3>
    <Unit4><Filename Value="Other.DPR"/><IsPartOfProject Value="True"/></Unit4>
    <Unit5><Filename Value="odd.pas"/><IsPartOfProject Value="True"/>
      <UnitName Value="../../etc/passwd"/></Unit5>
    <Unit6><Filename Value="CHMDATAPROVIDER.PAS"/><IsPartOfProject Value="True"/></Unit6>
  </Units>
</ProjectOptions></CONFIG>
)X";
    ProjectOptions options;
    ParseLpiOptions(lpi, "/p/lhelp", options);
    ASSERT_EQ(options.error, QString());
    EXPECT_EQ(options.listedUnits,
              (QStringList{"/p/lhelp/chmdataprovider.pas", "/p/lhelp/lib/basecontentprovider.pp",
                           "/p/lhelp/odd.pas"}));
    // A name that is no unit name is not taken from the file: the base name is.
    EXPECT_EQ(options.listedUnitNames,
              (QStringList{"ChmDataProvider", "basecontentprovider", "odd"}));
}

// The configuration a new document follows: the one the project is built
// with when nothing is chosen, and none where the options name none.
TEST(ProjectOptions, NamesTheConfigurationTheProjectIsBuiltWith) {
    TempDir dir;
    // The IDE's default Config and Platform, when the project has them.
    QByteArray win64 = dproj;
    win64.replace("'$(Platform)'==''\">Win32<", "'$(Platform)'==''\">Win64<");
    dir.write("d/App.dpr", "program App; begin end.");
    dir.write("d/App.dproj", win64);
    EXPECT_EQ(ReadProjectOptions(dir.filePath("d/App.dpr")).defaultConfiguration, "Debug|Win64");
    QByteArray linux = dproj;
    linux.replace("'$(Platform)'==''\">Win32<", "'$(Platform)'==''\">Linux64<");
    dir.write("d/Off.dproj", linux);
    dir.write("d/Off.dpr", "program Off; begin end.");
    // Linux64 is switched off in the IDE: no configuration of the project.
    EXPECT_EQ(ReadProjectOptions(dir.filePath("d/Off.dpr")).defaultConfiguration, "");

    // A .lpi's active build mode, kept in the project file or in the
    // session file beside it, before the mode marked as the default.
    const QByteArray modes = R"X(<CONFIG><ProjectOptions>
  <General><MainUnit Value="0"/></General>
  <BuildModes Count="3"%1>
    <Item1 Name="Default" Default="True"/>
    <Item2 Name="Debug"><CompilerOptions><Other><CustomOptions Value="-dDEBUG"/></Other>
      </CompilerOptions></Item2>
    <Item3 Name="Release"><CompilerOptions/></Item3>
  </BuildModes>
  <Units><Unit0><Filename Value="%2.lpr"/></Unit0></Units>
</ProjectOptions></CONFIG>)X";
    const auto lpi = [&](const char* name, const char* active) {
        dir.write(QString("l/%1.lpr").arg(name), "program p; begin end.");
        return dir.write(QString("l/%1.lpi").arg(name),
                         QString::fromUtf8(modes).arg(active, name).toUtf8());
    };
    EXPECT_EQ(ReadProjectOptions(lpi("marked", "")).defaultConfiguration, "Default");
    EXPECT_EQ(ReadProjectOptions(lpi("inlpi", " Active=\"debug\"")).defaultConfiguration, "Debug");
    const QString session = lpi("session", "");
    dir.write("l/session.lps", "<CONFIG><ProjectSession><BuildModes Active=\"Release\"/>"
                               "</ProjectSession></CONFIG>");
    EXPECT_EQ(ReadProjectOptions(session).defaultConfiguration, "Release");
    EXPECT_EQ(ReadProjectOptions(dir.filePath("l/session.lpr")).defaultConfiguration, "Release");
    // A session naming a mode the project no longer has says nothing.
    dir.write("l/session.lps", "<CONFIG><ProjectSession><BuildModes Active=\"Gone\"/>"
                               "</ProjectSession></CONFIG>");
    EXPECT_EQ(ReadProjectOptions(session).defaultConfiguration, "Default");

    // Options that name no configuration: none.
    dir.write("old/Old.dpr", "program Old; begin end.");
    dir.write("old/Old.cfg", "-DFROMCFG\n");
    EXPECT_EQ(ReadProjectOptions(dir.filePath("old/Old.dpr")).defaultConfiguration, "");
    dir.write("bare/Bare.lpr", "program Bare; begin end.");
    EXPECT_EQ(ReadProjectOptions(dir.filePath("bare/Bare.lpr")).defaultConfiguration, "");
}
