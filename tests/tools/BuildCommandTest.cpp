#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>

#include "support/FileTimes.h"
#include "support/OddFiles.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

TEST(BuildCommand, BuildsAndRefreshesADocumentFromAScript) {
    TempDir temp;
    temp.write("Lib/Tools.pas", "unit Tools;\ninterface\nprocedure A;\nfunction B: Integer;\n"
                                "implementation\nend.\n");
    const QString project =
        temp.write("App/My App.dpr", "program MyApp;\nuses\n  Tools in '..\\lib\\tools.pas';\n"
                                     "begin\nend.\n");
    const QString data = temp.filePath("data folder");

    const ToolRun built = runTool({"build", project, "--data", data});
    EXPECT_EQ(built.status, 0) << built.err.toStdString();
    EXPECT_EQ(built.out, "docno\t1\tunits\t1\troutines\t2\tsize_kb\t0\n");

    const ToolRun refreshed = runTool({"refresh", "1", "--data", data});
    EXPECT_EQ(refreshed.status, 0);
    EXPECT_EQ(refreshed.out, "docno\t1\tunits\t1\troutines\t2\tsize_kb\t0\t"
                             "missing_units\t0\tmissing_routines\t0\n");

    // The name defaults to the file's base name, so a second build is refused.
    const ToolRun again = runTool({"build", project, "--data", data});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains("MY APP")) << again.err.toStdString();
}

TEST(BuildCommand, ARefreshReadsEveryUnitWhenToldFull) {
    TempDir temp;
    const QString unit = temp.write("Tools.pas", "unit Tools;\ninterface\nprocedure A;\n"
                                                 "implementation\nend.\n");
    const QString project =
        temp.write("App.dpr", "program App;\nuses\n  Tools in 'Tools.pas';\nbegin\nend.\n");
    AgeFileTree(temp.path());
    const QString data = temp.filePath("data");
    ASSERT_EQ(runTool({"build", project, "--data", data}).status, 0);
    RewriteUnseen(unit, "procedure A;", "procedure B;");
    const QString counts = "docno\t1\tunits\t1\troutines\t%1\tsize_kb\t0\t"
                           "missing_units\t0\tmissing_routines\t%2\n";
    EXPECT_EQ(runTool({"refresh", "1", "--data", data}).out, counts.arg(1).arg(0));
    EXPECT_EQ(runTool({"refresh", "1", "--full", "--data", data}).out, counts.arg(1).arg(1));
}

TEST(BuildCommand, ReportsWhatFailsOnStandardError) {
    TempDir temp;
    const QString data = temp.filePath("data");
    const ToolRun missing = runTool({"build", temp.filePath("none.dpr"), "--data", data});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "File " + temp.filePath("none.dpr") +
                               " could not be opened. No document was made.\n");

    const ToolRun unknown = runTool({"refresh", "7", "--data", data});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_FALSE(unknown.err.isEmpty());
    EXPECT_EQ(runTool({"build"}).status, 2);
}

// A pipe where a project or a unit file should be is passed over as a
// missing file is, never waited on.
TEST(BuildCommand, PipesAreNotWaitedOn) {
    TempDir temp;
    const QString data = temp.filePath("data");
    const QString pipeProject = MakeFifo(temp.filePath("Pipe.dpr"));
    const ToolRun refused = runTool({"build", pipeProject, "--data", data});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "File " + pipeProject + " could not be opened. No document was made.\n");

    // The unit is built as one read as empty, and the run fails, saying why.
    MakeFifo(temp.filePath("App/Piped.pas"));
    const QString project =
        temp.write("App/App.dpr", "program App;\nuses\n  Piped in 'Piped.pas';\nbegin\nend.\n");
    const ToolRun built = runTool({"build", project, "--data", data});
    EXPECT_EQ(built.status, 1) << built.err.toStdString();
    EXPECT_EQ(built.out, "docno\t1\tunits\t1\troutines\t0\tsize_kb\t0\n");
    EXPECT_EQ(built.err, "Source of unit Piped.pas could not be read: it is a named pipe (" +
                             temp.filePath("App/Piped.pas") + ")\n");
}

// A unit whose file is there but cannot be read for want of permission
// fails the run once the rest is built, named with why on standard error;
// a refresh keeps its routines, counts none of them missing, and offers
// none for removal.
TEST(BuildCommand, AUnitThatCannotBeReadFailsTheRunAndKeepsItsRows) {
    TempDir temp;
    // The tool runs as a user without root's powers, who must write the store.
    QFile::setPermissions(temp.path(), QFileDevice::Permissions(0x7777));
    const QString util = temp.write("App/Util.pas", "unit Util;\ninterface\nprocedure Run;\n"
                                                    "function Count: Integer;\n"
                                                    "implementation\nend.\n");
    temp.write("App/Main.pas", "unit Main;\ninterface\nprocedure Show;\nimplementation\nend.\n");
    const QString project = temp.write("App/App.dpr", "program App;\nuses\n  Util in 'Util.pas',\n"
                                                      "  Main in 'Main.pas';\nbegin\nend.\n");
    const QString data = temp.filePath("data");
    const ToolLimits asUser{.unprivileged = true};
    ToolRun run = runTool({"build", project, "--data", data}, asUser);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "docno\t1\tunits\t2\troutines\t3\tsize_kb\t0\n");

    QFile::setPermissions(util, QFileDevice::WriteOwner);
    const QString why =
        "Source of unit Util.pas could not be read: permission denied (" + util + ")\n";
    run = runTool({"refresh", "1", "--data", data}, asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "docno\t1\tunits\t2\troutines\t3\tsize_kb\t0\t"
                       "missing_units\t0\tmissing_routines\t0\n");
    EXPECT_EQ(run.err, why);
    run = runTool({"remove-missing", "1", "--data", data, "--list"}, asUser);
    EXPECT_EQ(run.out, "missing\tunits\t0\troutines\t0\tdeclarations\t0\tmoved\t0\n");

    run = runTool({"build", project, "--data", data, "--name", "again"}, asUser);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "docno\t2\tunits\t2\troutines\t1\tsize_kb\t0\n");
    EXPECT_EQ(run.err, why);
}

// A project file that cannot be read makes nothing, so the same command
// works once the file is there; one that cannot be read for want of
// permission is refused the same way.
TEST(BuildCommand, AProjectThatCannotBeReadMakesNothingAndTheRetryWorks) {
    TempDir temp;
    const QString data = temp.filePath("data");
    const QString project = temp.filePath("App/App.dpr");
    const ToolRun missing = runTool({"build", project, "--data", data});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(QFileInfo::exists(data));

    temp.write("App/App.dpr", "program App;\nuses\n  Forms;\nbegin\nend.\n");
    QFile::setPermissions(project, QFileDevice::WriteOwner);
    const ToolRun unreadable = runTool({"build", project, "--data", data}, {.unprivileged = true});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err, "File " + project + " could not be opened. No document was made.\n");
    EXPECT_FALSE(QFileInfo::exists(data));

    QFile::setPermissions(project, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ReadOther);
    const ToolRun retried = runTool({"build", project, "--data", data});
    EXPECT_EQ(retried.status, 0) << retried.err.toStdString();
    EXPECT_EQ(retried.out, "docno\t1\tunits\t1\troutines\t0\tsize_kb\t0\n");
}

// One count of routines everywhere: the build, the refresh, the coverage and
// the report leave out the placeholder rows of units that declare none (or
// whose source is missing), and count what left the source apart.
TEST(BuildCommand, RoutinesAreCountedAsTheCoverageAndTheReportCountThem) {
    TempDir temp;
    temp.write("App/Procs.pas", "unit Procs;\ninterface\nprocedure A;\nprocedure B;\n"
                                "implementation\nend.\n");
    temp.write("App/Funcs.pas", "unit Funcs;\ninterface\nfunction C: Integer;\n"
                                "implementation\nend.\n");
    const QString project =
        temp.write("App/App.dpr", "program App;\nuses\n  SysUtils,\n  Procs in 'Procs.pas',\n"
                                  "  Funcs in 'Funcs.pas';\nbegin\nend.\n");
    const QString data = temp.filePath("data");
    // Rows: SysUtils's placeholder, A, B and a function placeholder, a
    // procedure placeholder and C: seven rows, three routines.
    const ToolRun built = runTool({"build", project, "--data", data});
    EXPECT_EQ(built.out, "docno\t1\tunits\t3\troutines\t3\tsize_kb\t0\n");
    EXPECT_TRUE(runTool({"coverage", "1", "--data", data}).out.endsWith("total\t3\t0\t0.0\n"));
    auto siteFacts = [&] {
        const QString site = temp.filePath("site");
        runTool({"export", "1", "--data", data, "--out", site});
        QFile index(site + "/index.html");
        return index.open(QIODevice::ReadOnly) ? QString::fromUtf8(index.readAll()) : QString();
    };
    QString facts = siteFacts();
    EXPECT_TRUE(facts.contains("<dt>Routines</dt><dd>3</dd>")) << facts.toStdString();
    EXPECT_FALSE(facts.contains("Left the source"));

    temp.write("App/Procs.pas", "unit Procs;\ninterface\nprocedure A;\nimplementation\nend.\n");
    const ToolRun refreshed = runTool({"refresh", "1", "--data", data});
    EXPECT_EQ(refreshed.out, "docno\t1\tunits\t3\troutines\t2\tsize_kb\t0\t"
                             "missing_units\t0\tmissing_routines\t1\n");
    EXPECT_TRUE(runTool({"coverage", "1", "--data", data}).out.endsWith("total\t2\t0\t0.0\n"));
    facts = siteFacts();
    EXPECT_TRUE(facts.contains("<dt>Routines</dt><dd>2</dd>")) << facts.toStdString();
    EXPECT_TRUE(
        facts.contains("<dt>Left the source</dt><dd>0 units, 1 routine, 1 declaration</dd>"))
        << facts.toStdString();
}
