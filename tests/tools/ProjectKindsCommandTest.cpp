// inkwright-tool on packages and on the option files of Delphi and Lazarus
// projects: what it lists, what it builds, and what it refuses.
#include <gtest/gtest.h>

#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {
// A Lazarus package with a unit in a subfolder, one on its search path
// only, and a project beside it that requires it and the LCL.
void layPackageAndProject(const TempDir& temp) {
    temp.write("pkg/src/widgets.pas",
               "unit widgets;\ninterface\nprocedure W;\nimplementation\nend.\n");
    temp.write("pkg/extra/helpers.pas",
               "unit helpers;\ninterface\nprocedure H;\nimplementation\nend.\n");
    temp.write("pkg/widgetspkg.lpk", R"(<?xml version="1.0" encoding="UTF-8"?>
<CONFIG><Package Version="5"><Name Value="WidgetsPkg"/>
  <CompilerOptions><SearchPaths><OtherUnitFiles Value="extra"/></SearchPaths></CompilerOptions>
  <Files><Item><Filename Value="src\widgets.pas"/><UnitName Value="widgets"/></Item></Files>
  <RequiredPkgs><Item><PackageName Value="LCL"/></Item></RequiredPkgs>
</Package></CONFIG>
)");
    temp.write("pkg/demo/demo.lpr",
               "program demo;\nuses\n  SysUtils, widgets, helpers, nowhere;\nbegin\nend.\n");
    temp.write("pkg/demo/demo.lpi", R"(<?xml version="1.0" encoding="UTF-8"?>
<CONFIG><ProjectOptions><General><MainUnit Value="0"/></General>
  <RequiredPackages Count="1"><Item1><PackageName Value="WidgetsPkg"/></Item1></RequiredPackages>
  <Units Count="1"><Unit0><Filename Value="demo.lpr"/><IsPartOfProject Value="True"/></Unit0></Units>
</ProjectOptions></CONFIG>
)");
}
} // namespace

TEST(ProjectKindsCommand, UnitsListsAPackageAndWhereEachUnitIsFound) {
    TempDir temp;
    layPackageAndProject(temp);
    const ToolRun package = runTool({"units", temp.filePath("pkg/widgetspkg.lpk")});
    EXPECT_EQ(package.status, 0) << package.err.toStdString();
    EXPECT_EQ(package.out, "widgets.pas\tN/A\tsrc/widgets.pas\n");

    // The project's units come from its own package, found in its tree, and
    // that package's search path; "nowhere" names every place looked in.
    const ToolRun project = runTool({"units", temp.filePath("pkg/demo/demo.lpi"), "--where"});
    EXPECT_EQ(project.status, 0) << project.err.toStdString();
    const QStringList lines = project.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << project.out.toStdString();
    EXPECT_EQ(lines[0], "SysUtils\tN/A\t\tlibrary unit of rtl");
    EXPECT_EQ(lines[1], "widgets\tN/A\t\t" + temp.filePath("pkg/src/widgets.pas"));
    EXPECT_EQ(lines[2], "helpers\tN/A\t\t" + temp.filePath("pkg/extra/helpers.pas"));
    EXPECT_EQ(lines[3], "nowhere\tN/A\t\tnot found: " + temp.filePath("pkg/demo/nowhere") + ", " +
                            temp.filePath("pkg") + ", " + temp.filePath("pkg/extra"));
}

TEST(ProjectKindsCommand, BuildDocumentsAProjectThroughItsOptions) {
    TempDir temp;
    layPackageAndProject(temp);
    const ToolRun built =
        runTool({"build", temp.filePath("pkg/demo/demo.lpi"), "--data", temp.filePath("data")});
    EXPECT_EQ(built.status, 0) << built.err.toStdString();
    EXPECT_EQ(built.out, "docno\t1\tunits\t4\troutines\t2\tsize_kb\t0\n");
    EXPECT_EQ(built.err, "Library unit (rtl): unit SysUtils\nSource not found for unit nowhere: " +
                             temp.filePath("pkg/demo/nowhere") + "; also looked in " +
                             temp.filePath("pkg") + ", " + temp.filePath("pkg/extra") + "\n");
}

TEST(ProjectKindsCommand, AProjectThatCannotBeReadIsAnErrorNamingTheFile) {
    TempDir temp;
    const QString broken = temp.write("broken.lpi", "<CONFIG><ProjectOptions>");
    const QString orphan = temp.write(
        "orphan.lpi",
        "<CONFIG><ProjectOptions><General><MainUnit Value=\"0\"/></General><Units>"
        "<Unit0><Filename Value=\"gone.lpr\"/></Unit0></Units></ProjectOptions></CONFIG>");
    for (const QString& project : {broken, orphan}) {
        const ToolRun units = runTool({"units", project});
        EXPECT_EQ(units.status, 1);
        EXPECT_EQ(units.out, "");
        EXPECT_TRUE(units.err.startsWith("File " + project)) << units.err.toStdString();

        const ToolRun built = runTool({"build", project, "--data", temp.filePath("data")});
        EXPECT_EQ(built.status, 1);
        EXPECT_EQ(built.out, "");
        EXPECT_TRUE(built.err.startsWith("File " + project)) << built.err.toStdString();
    }
    EXPECT_TRUE(runTool({"units", orphan}).err.contains("gone.lpr, which does not exist"));
    // No document was made by either build.
    const ToolRun coverage = runTool({"coverage", "1", "--data", temp.filePath("data")});
    EXPECT_NE(coverage.status, 0);
}

// A Lazarus program lists the units its uses clause names, as that clause
// names them, then the project's other units, by unit name, found where the
// project file says; another program in the folder is none of them.
TEST(ProjectKindsCommand, AProgramListsItsProjectsOtherUnitsByUnitName) {
    TempDir temp;
    temp.write("lhelp/chmdataprovider.pas",
               "unit ChmDataProvider;\ninterface\nprocedure P;\nimplementation\nend.\n");
    temp.write("lhelp/lib/basecontentprovider.pp",
               "unit basecontentprovider;\ninterface\nprocedure B;\nimplementation\nend.\n");
    temp.write("lhelp/lhelpcore.pas", "unit lhelpcore;\ninterface\nimplementation\nend.\n");
    temp.write("lhelp/test3_1listboxdrawitem.lpr",
               "program test3_1listboxdrawitem;\nbegin\nend.\n");
    const QString lpr =
        temp.write("lhelp/lhelp.lpr",
                   "program lhelp;\nuses\n  Interfaces, Forms, LHelpCore in 'lhelpcore.pas';"
                   "\nbegin\nend.\n");
    temp.write("lhelp/lhelp.lpi", R"(<?xml version="1.0" encoding="UTF-8"?>
<CONFIG><ProjectOptions><General><MainUnit Value="0"/></General>
  <Units Count="5">
    <Unit0><Filename Value="lhelp.lpr"/><IsPartOfProject Value="True"/></Unit0>
    <Unit1><Filename Value="lhelpcore.pas"/><IsPartOfProject Value="True"/><UnitName Value="LHelpCore"/></Unit1>
    <Unit2><Filename Value="chmdataprovider.pas"/><IsPartOfProject Value="True"/><UnitName Value="ChmDataProvider"/></Unit2>
    <Unit3><Filename Value="test3_1listboxdrawitem.lpr"/><IsPartOfProject Value="True"/></Unit3>
    <Unit4><Filename Value="lib/basecontentprovider.pp"/><IsPartOfProject Value="True"/></Unit4>
  </Units>
</ProjectOptions></CONFIG>
)");
    const ToolRun units = runTool({"units", lpr, "--where"});
    EXPECT_EQ(units.status, 0) << units.err.toStdString();
    const QStringList lines = units.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << units.out.toStdString();
    EXPECT_EQ(lines[0].section('\t', 0, 2), "Interfaces\tN/A\t");
    EXPECT_EQ(lines[1].section('\t', 0, 2), "Forms\tN/A\t");
    EXPECT_EQ(lines[2],
              "lhelpcore.pas\tN/A\tlhelpcore.pas\t" + temp.filePath("lhelp/lhelpcore.pas"));
    EXPECT_EQ(lines[3], "ChmDataProvider\tN/A\tchmdataprovider.pas\t" +
                            temp.filePath("lhelp/chmdataprovider.pas"));
    EXPECT_EQ(lines[4], "basecontentprovider\tN/A\tlib/basecontentprovider.pp\t" +
                            temp.filePath("lhelp/lib/basecontentprovider.pp"));

    // The build reads them where they are.
    const ToolRun built = runTool({"build", lpr, "--data", temp.filePath("data")});
    EXPECT_EQ(built.status, 0) << built.err.toStdString();
    EXPECT_TRUE(built.out.startsWith("docno\t1\tunits\t5\troutines\t2\t"))
        << built.out.toStdString();
}
