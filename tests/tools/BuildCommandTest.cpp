#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>

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

    MakeFifo(temp.filePath("App/Piped.pas"));
    const QString project =
        temp.write("App/App.dpr", "program App;\nuses\n  Piped in 'Piped.pas';\nbegin\nend.\n");
    const ToolRun built = runTool({"build", project, "--data", data});
    EXPECT_EQ(built.status, 0) << built.err.toStdString();
    EXPECT_EQ(built.out, "docno\t1\tunits\t1\troutines\t1\tsize_kb\t0\n");
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
    EXPECT_EQ(retried.out, "docno\t1\tunits\t1\troutines\t1\tsize_kb\t0\n");
}
