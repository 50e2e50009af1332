// Documents built from packages and from the option files of Delphi and
// Lazarus projects: the units they list, found where the compiler finds
// them, library units told apart from sources that went missing.
#include "scan/BuildDocument.h"
#include "store/UserError.h"
#include "support/FileTimes.h"
#include "support/PrintQt.h"
#include "support/RecordingFeedback.h"
#include "support/StoreFixture.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

using namespace ink;

namespace {

class ProjectKinds : public StoreFixture {
protected:
    void build(const QString& projectPath) {
        BuildDocument(*dm, projectPath, "DOC", false, feedback);
    }
    // The routine names of the unit named `unitName`, in stored order.
    QStringList routinesOf(const QString& unitName) {
        for (dm->tblUnits->first(); !dm->tblUnits->eof(); dm->tblUnits->next())
            if (dm->tblUnitsUnitName->asString() == unitName)
                return column(dm->tblProc, "ProcName");
        return {"(no unit " + unitName + ")"};
    }
    QString noteOf(const QString& unitName) {
        const QStringList names = column(dm->tblUnits, "UnitName");
        return column(dm->tblUnits, "MissingSource").value(names.indexOf(unitName), "(none)");
    }
    QStringList errors() const {
        QStringList shown;
        for (const QString& call : feedback.calls)
            if (call.startsWith("error "))
                shown << call.sliced(6);
        return shown;
    }
    RecordingFeedback feedback;
};

const QByteArray dprojFor =
    R"X(<Project xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
    <PropertyGroup>
        <MainSource>%1</MainSource>
        <Config Condition="'$(Config)'==''">Debug</Config>
        <Platform Condition="'$(Platform)'==''">Win32</Platform>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Base' or '$(Base)'!=''">
        <Base>true</Base>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Debug' or '$(Cfg_1)'!=''">
        <Cfg_1>true</Cfg_1>
        <CfgParent>Base</CfgParent>
        <Base>true</Base>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Base)'!=''">
        <DCC_UnitSearchPath>..\Shared;$(BDS)\Lib;$(DCC_UnitSearchPath)</DCC_UnitSearchPath>
        <DCC_IncludePath>..\Inc;$(DCC_IncludePath)</DCC_IncludePath>
        <DCC_Define>SHARED;$(DCC_Define)</DCC_Define>
    </PropertyGroup>
    <ItemGroup>
        <DelphiCompile Include="$(MainSource)"><MainSource>MainSource</MainSource></DelphiCompile>
        <BuildConfiguration Include="Base"><Key>Base</Key></BuildConfiguration>
        <BuildConfiguration Include="Debug"><Key>Cfg_1</Key><CfgParent>Base</CfgParent></BuildConfiguration>
    </ItemGroup>
</Project>
)X";

} // namespace

// A Delphi package lists its units in `contains`; those without a path are
// found on the search path of the .dproj beside it, and the include files
// of their interfaces on its include path. What it requires is not a unit.
TEST_F(ProjectKinds, ADelphiPackageDocumentsItsContainsClause) {
    temp.write("Comps/CompA.pas", "unit CompA;\ninterface\n{$I Decl.inc}\nimplementation\nend.\n");
    temp.write("Inc/Decl.inc", "procedure FromInclude;\n");
    temp.write("Shared/CompB.pas",
               "unit CompB;\ninterface\nfunction B: Integer;\nimplementation\nend.\n");
    const QString dpk =
        temp.write("Comps/Comps.dpk",
                   "package Comps;\r\n\r\n{$R *.res}\r\n\r\nrequires\r\n  rtl,\r\n  vcl;\r\n\r\n"
                   "contains\r\n  CompA in 'CompA.pas',\r\n  CompB,\r\n  Vcl.Gone,\r\n  "
                   "Lost;\r\n\r\nend.\r\n");
    temp.write("Comps/Comps.dproj", QString::fromUtf8(dprojFor).arg("Comps.dpk").toUtf8());
    build(dpk);
    EXPECT_EQ(errors(), QStringList());
    EXPECT_EQ(column(dm->tblUnits, "UnitName"),
              (QStringList{"CompA.pas", "CompB", "Vcl.Gone", "Lost"}));
    EXPECT_EQ(routinesOf("CompA.pas"), (QStringList{"FromInclude", "N/A"}));
    EXPECT_EQ(routinesOf("CompB"), (QStringList{"N/A", "B"}));
    EXPECT_EQ(noteOf("CompA.pas"), "");
    EXPECT_EQ(noteOf("CompB"), "");
    EXPECT_EQ(noteOf("Vcl.Gone"), "library unit of vcl");
    EXPECT_EQ(noteOf("Lost"),
              temp.filePath("Comps/Lost") + "; also looked in " + temp.filePath("Shared"));
}

// A .dproj chosen itself documents its main source's uses clause.
TEST_F(ProjectKinds, ADprojDocumentsItsMainSource) {
    temp.write("Shared/Tools.pas", "unit Tools;\ninterface\nprocedure T;\nimplementation\nend.\n");
    temp.write("App/App.dpr", "program App;\nuses\n  Vcl.Forms,\n  Tools;\nbegin\nend.\n");
    const QString dproj =
        temp.write("App/App.dproj", QString::fromUtf8(dprojFor).arg("App.dpr").toUtf8());
    build(dproj);
    EXPECT_EQ(dm->tblDocsDPRFileName->asString(), dproj);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), (QStringList{"Vcl.Forms", "Tools"}));
    EXPECT_EQ(routinesOf("Tools"), (QStringList{"T", "N/A"}));
    EXPECT_EQ(noteOf("Vcl.Forms"), "library unit of vcl");
}

#ifdef Q_OS_LINUX
namespace {

// Counts the opening of files in one folder, as the kernel reports them:
// what a test needs to tell that a file is read once, not twice.
class OpenCounter {
public:
    explicit OpenCounter(const QString& folder) : fd_(inotify_init1(IN_NONBLOCK)) {
        // Closes are watched too: the kernel merges an event with the one
        // before it when the two are alike, and a close keeps two opens apart.
        if (fd_ >= 0 && inotify_add_watch(fd_, QFile::encodeName(folder).constData(),
                                          IN_OPEN | IN_CLOSE_NOWRITE) < 0)
            stop();
    }
    ~OpenCounter() { stop(); }
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    bool watching() const { return fd_ >= 0; }

    // How often the file `name` in the folder was opened since the last call.
    int opensOf(const QString& name) {
        int opens = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t size; (size = read(fd_, buffer, sizeof buffer)) > 0;)
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_OPEN) && event->len > 0 &&
                    QFile::decodeName(event->name) == name)
                    ++opens;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        return opens;
    }

private:
    void stop() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }
    int fd_;
};

} // namespace

// A build with a configuration reads the option files once: the defines its
// units are read with and the search path they are found on come from that
// one reading. The refresh, which takes the configuration the document
// keeps, too.
TEST_F(ProjectKinds, ABuildReadsItsOptionFileOnce) {
    temp.write("Shared/Tools.pas", "unit Tools;\ninterface\nprocedure T;\n"
                                   "{$IFDEF SHARED} procedure FromShared; {$ENDIF}\n"
                                   "implementation\nend.\n");
    temp.write("App/App.dpr", "program App;\nuses\n  Tools;\nbegin\nend.\n");
    const QString dproj =
        temp.write("App/App.dproj", QString::fromUtf8(dprojFor).arg("App.dpr").toUtf8());
    OpenCounter opened(temp.filePath("App"));
    if (!opened.watching())
        GTEST_SKIP() << "the kernel does not report the opening of files here";

    BuildDocument(*dm, dproj, "DOC", false, feedback, RefreshReading::ChangedUnits, "Debug");
    EXPECT_EQ(opened.opensOf("App.dproj"), 1);
    EXPECT_EQ(routinesOf("Tools"), (QStringList{"T", "FromShared", "N/A"}));

    BuildDocument(*dm, dproj, "DOC", true, feedback, RefreshReading::AllUnits);
    EXPECT_EQ(opened.opensOf("App.dproj"), 1);
    EXPECT_EQ(routinesOf("Tools"), (QStringList{"T", "FromShared", "N/A"}));
}
#endif

// A package or option file that cannot be read, or whose main source is not
// there, makes no document at all: an empty one would read as a success.
TEST_F(ProjectKinds, AProjectThatCannotBeReadMakesNoDocument) {
    const QString broken = temp.write("Broken.lpk", "<CONFIG><Package><Files>");
    QString orphanText = QString::fromUtf8(dprojFor).arg("Gone.dpr");
    const QString orphan = temp.write("Orphan.dproj", orphanText.toUtf8());
    const QString empty = temp.write("Empty.dpk", "package Empty;\nrequires rtl;\nend.\n");
    for (const QString& project : {broken, orphan, temp.filePath("Missing.dpk"), empty}) {
        try {
            build(project);
            ADD_FAILURE() << "no error for " << project.toStdString();
        } catch (const UserError& error) {
            EXPECT_TRUE(error.message().contains(project)) << error.message().toStdString();
        }
    }
    EXPECT_EQ(dm->tblDocs->recordCount(), 0);
}

// An option file beside a .dpr that cannot be read is shown, and the
// project is still documented from its uses clause.
TEST_F(ProjectKinds, ABrokenOptionFileBesideAProgramIsShown) {
    temp.write("App/Tools.pas", "unit Tools;\ninterface\nprocedure T;\nimplementation\nend.\n");
    const QString dpr = temp.write("App/App.dpr", "program App;\nuses Tools;\nbegin\nend.\n");
    const QString dproj = temp.write("App/App.dproj", "<Project>");
    build(dpr);
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].startsWith("File " + dproj + " could not be read"))
        << errors()[0].toStdString();
    EXPECT_EQ(routinesOf("Tools"), (QStringList{"T", "N/A"}));
}

namespace {
const QString lazarus = QStringLiteral("/usr/lib/lazarus/2.2.6");
} // namespace

// A real Lazarus package: its file list is its unit list, sources in
// subfolders included, and an include file only its include path reaches
// is read (cupsprinters_h.inc lies in unix/, beside no unit that names it).
TEST_F(ProjectKinds, DocumentsARealLazarusPackage) {
    const QString lpk = lazarus + "/components/printers/printer4lazarus.lpk";
    if (!QFileInfo::exists(lpk))
        GTEST_SKIP() << "lazarus-src is not installed";
    build(lpk);
    const QStringList units = column(dm->tblUnits, "UnitName");
    EXPECT_EQ(units.size(), 16);
    EXPECT_TRUE(units.contains("osprinters.pas"));
    EXPECT_TRUE(units.contains("cupsdyn.pp"));
    EXPECT_EQ(column(dm->tblUnits, "UnitPath")[units.indexOf("cupsdyn.pp")], "unix/cupsdyn.pp");
    // Every unit the package lists is there to be read.
    EXPECT_EQ(column(dm->tblUnits, "MissingSource"), QStringList(units.size(), ""));
    EXPECT_TRUE(routinesOf("osprinters.pas").contains("DoCupsConnect"));
}

// A real Lazarus project: units from its search path (".." holds gendata),
// from its own package (lazdbexport, in the tree around it), and the LCL's
// units marked as library units of their packages.
TEST_F(ProjectKinds, DocumentsARealLazarusProjectWithItsPackages) {
    const QString lpi = lazarus + "/components/dbexport/demo/simple/simpleexport.lpi";
    if (!QFileInfo::exists(lpi))
        GTEST_SKIP() << "lazarus-src is not installed";
    build(lpi);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"),
              (QStringList{"cthreads", "Interfaces", "Forms", "frmmain", "gendata", "DBFLaz",
                           "RunTimeTypeInfoControls", "lazdbexport"}));
    EXPECT_EQ(noteOf("Interfaces"), "library unit of LCL");
    EXPECT_EQ(noteOf("Forms"), "library unit of LCLBase");
    EXPECT_EQ(noteOf("DBFLaz"), "library unit of DBFLaz");
    for (const QString own : {"frmmain", "gendata", "lazdbexport", "RunTimeTypeInfoControls"})
        EXPECT_EQ(noteOf(own), "") << own.toStdString();
    EXPECT_GT(routinesOf("gendata").size(), 1);
}

// A refresh after the options changed reads every unit again: a unit whose
// own files did not change may now find an include file on a new path.
TEST_F(ProjectKinds, ARefreshAfterTheOptionsChangedReadsEveryUnit) {
    temp.write("app/Uses.pas", "unit Uses;\ninterface\n{$I Decl.inc}\nimplementation\nend.\n");
    temp.write("second/Decl.inc", "procedure Declared;\n");
    temp.write("first/Other.inc", "\n");
    const QString cfg = temp.write("app/App.cfg", "-I..\\first\n");
    const QString dpr =
        temp.write("app/App.dpr", "program App;\nuses Uses in 'Uses.pas';\nbegin\nend.\n");
    AgeFileTree(temp.path());
    build(dpr);
    EXPECT_EQ(routinesOf("Uses.pas"), QStringList{"N/A"});

    temp.write("app/App.cfg", "-I..\\second\n");
    BuildDocument(*dm, dpr, "DOC", true, feedback);
    EXPECT_EQ(routinesOf("Uses.pas"), (QStringList{"N/A", "Declared"}));
}

// A Lazarus project over the sources of the Free Pascal packages: its units
// come from its search path; the run-time library's are library units of the
// package the installed compiler keeps them in.
TEST_F(ProjectKinds, FindsFreePascalUnitsOnTheSearchPath) {
    const QString fcl = "/usr/share/fpcsrc/3.2.2/packages/fcl-base/src";
    if (!QFileInfo::exists(fcl + "/base64.pp"))
        GTEST_SKIP() << "fpc-source is not installed";
    temp.write("demo/demo.lpr", "program demo;\nuses\n  SysUtils, Base64, CustApp;\nbegin\nend.\n");
    const QString lpi =
        temp.write("demo/demo.lpi",
                   ("<CONFIG><ProjectOptions><General><MainUnit Value=\"0\"/></General>"
                    "<Units><Unit0><Filename Value=\"demo.lpr\"/></Unit0></Units>"
                    "</ProjectOptions><CompilerOptions><SearchPaths><OtherUnitFiles Value=\"" +
                    fcl + "\"/></SearchPaths></CompilerOptions></CONFIG>")
                       .toUtf8());
    build(lpi);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), (QStringList{"SysUtils", "Base64", "CustApp"}));
    EXPECT_EQ(noteOf("Base64"), "");
    EXPECT_EQ(noteOf("CustApp"), "");
    EXPECT_GT(routinesOf("Base64").size(), 2);
    if (QFileInfo::exists(
            "/usr/lib/x86_64-linux-gnu/fpc/3.2.2/units/x86_64-linux/rtl/sysutils.ppu"))
        EXPECT_EQ(noteOf("SysUtils"), "library unit of rtl");
    else
        EXPECT_TRUE(noteOf("SysUtils").contains(fcl)) << noteOf("SysUtils").toStdString();
}

// A Lazarus program's project units are named by unit name. A document read
// when they were kept under their file names finds them again on a refresh:
// the row is renamed, its description kept, and nothing is left as gone.
TEST_F(ProjectKinds, ARefreshRenamesAProjectUnitKeptUnderItsFileName) {
    temp.write("app/chmdataprovider.pas",
               "unit ChmDataProvider;\ninterface\nprocedure P;\nimplementation\nend.\n");
    const QString lpr = temp.write("app/app.lpr", "program app;\nuses Forms;\nbegin\nend.\n");
    temp.write("app/app.lpi",
               "<CONFIG><ProjectOptions><Units><Unit0><Filename Value=\"app.lpr\"/></Unit0>"
               "<Unit1><Filename Value=\"chmdataprovider.pas\"/><IsPartOfProject Value=\"True\"/>"
               "<UnitName Value=\"ChmDataProvider\"/></Unit1></Units></ProjectOptions></CONFIG>");
    build(lpr);
    ASSERT_EQ(column(dm->tblUnits, "UnitName"), (QStringList{"Forms", "ChmDataProvider"}));
    ASSERT_EQ(routinesOf("ChmDataProvider"), (QStringList{"P", "N/A"}));
    // As an earlier reading stored it.
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "ChmDataProvider"));
    dm->tblUnits->edit();
    dm->tblUnitsUnitName->setValue("chmdataprovider.pas");
    dm->tblUnitsDescription->setValue("Reads the help files.");
    dm->tblUnits->post();

    BuildDocument(*dm, lpr, "DOC", true, feedback, RefreshReading::AllUnits);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), (QStringList{"Forms", "ChmDataProvider"}));
    EXPECT_EQ(column(dm->tblUnits, "Description"), (QStringList{"", "Reads the help files."}));
    EXPECT_EQ(routinesOf("ChmDataProvider"), (QStringList{"P", "N/A"}));
}
