// `inkwright-tool coverage`: the per-unit lines a build server reads, and
// the exit status that holds a team to a floor.
#include <gtest/gtest.h>
#include <QDir>

#include "store/testing/SqlFile.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

class CoverageCommand : public ::testing::Test {
protected:
    void SetUp() override {
        temp.write("app/A.pas", "unit A;\ninterface\nprocedure One;\nprocedure Two;\n"
                                "function Three: Integer;\nimplementation\nend.\n");
        temp.write("app/B.pas", "unit B;\ninterface\nprocedure Four;\nimplementation\nend.\n");
        project = temp.write("app/P.dpr", "program P;\nuses\n  A in 'A.pas',\n  B in 'B.pas';\n"
                                          "begin\nend.\n");
        ASSERT_EQ(runTool({"build", project, "--data", data()}).status, 0);
        runSql(store(), "UPDATE ProcsLib SET Description = 'Does it.' "
                        "WHERE ProcName IN ('One', 'Three')");
        runSql(store(), "UPDATE ProcsLib SET Description = '  ****  ' WHERE ProcName = 'Two'");
    }
    QString data() const { return temp.filePath("data"); }
    QString store() const { return QDir(data()).filePath("Inkwright.sqlite"); }

    TempDir temp;
    QString project;
};

} // namespace

TEST_F(CoverageCommand, ListsEachUnitAndTheTotal) {
    const ToolRun run = runTool({"coverage", "1", "--data", data()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "unit\tdeclarations\tdescribed\tpercent\n"
                       "A.pas\t3\t2\t66.6\n"
                       "B.pas\t1\t0\t0.0\n"
                       "total\t4\t2\t50.0\n");
}

TEST_F(CoverageCommand, BelowTheFloorExitsOne) {
    EXPECT_EQ(runTool({"coverage", "1", "--data", data(), "--min", "50"}).status, 0);
    const ToolRun below = runTool({"coverage", "1", "--data", data(), "--min", "50.1"});
    EXPECT_EQ(below.status, 1);
    EXPECT_TRUE(below.out.endsWith("total\t4\t2\t50.0\n")) << below.out.toStdString();
    EXPECT_TRUE(below.err.contains("50.1")) << below.err.toStdString();
    EXPECT_EQ(runTool({"coverage", "1", "--data", data(), "--min", "lots"}).status, 2);
    EXPECT_EQ(runTool({"coverage", "7", "--data", data()}).status, 1);
}

TEST_F(CoverageCommand, ARefreshCountsWhatLeftAndCoverageLeavesItOut) {
    temp.write("app/A.pas", "unit A;\ninterface\nprocedure Two;\n"
                            "function Three: Integer;\nimplementation\nend.\n");
    temp.write("app/P.dpr", "program P;\nuses\n  A in 'A.pas';\nbegin\nend.\n");
    const ToolRun refreshed = runTool({"refresh", "1", "--data", data()});
    EXPECT_EQ(refreshed.out, "docno\t1\tunits\t2\troutines\t2\tsize_kb\t0\t"
                             "missing_units\t1\tmissing_routines\t2\n");
    const ToolRun run = runTool({"coverage", "1", "--data", data()});
    EXPECT_EQ(run.out, "unit\tdeclarations\tdescribed\tpercent\n"
                       "A.pas\t2\t1\t50.0\n"
                       "total\t2\t1\t50.0\n");
}

TEST_F(CoverageCommand, SearchPrintsWhatTheBoxShows) {
    runSql(store(), "UPDATE ProcsLib SET Description = 'First line.' || char(13, 10) || "
                    "'Does\tthe counting.' WHERE ProcName = 'Three'");
    const ToolRun run = runTool({"search", "count", "--data", data()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "P\tA.pas\tThree\tDoes the counting.\n");
    EXPECT_EQ(runTool({"search", "fou", "--data", data()}).out, "P\tB.pas\tFour\t\n");
    EXPECT_EQ(runTool({"search", "nothing", "--data", data()}).status, 1);
}

TEST_F(CoverageCommand, ImportCommentsFillsOnlyEmptyDescriptions) {
    temp.write("app/A.pas", "{ The A unit. }\nunit A;\ninterface\n"
                            "{ First. }\nprocedure One;\n"
                            "{ Second. }\nprocedure Two;\n"
                            "/// <summary>Third.</summary>\nfunction Three: Integer;\n"
                            "implementation\nend.\n");
    // One already has words and keeps them; Two holds only a separator line.
    const ToolRun run = runTool({"import-comments", "1", "--data", data()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "units\t1\troutines\t1\tdeclarations\t0\n");
    EXPECT_EQ(sqlText(store(), "SELECT group_concat(ProcName || '=' || IFNULL(Description, ''), "
                               "'|') FROM ProcsLib WHERE UnitNo = 1"),
              "One=Does it.|Two=Second.|Three=Does it.");
    EXPECT_EQ(sqlText(store(), "SELECT Description FROM UnitsLib WHERE UnitNo = 1"), "The A unit.");
    EXPECT_EQ(runTool({"import-comments", "1", "--data", data()}).out,
              "units\t0\troutines\t0\tdeclarations\t0\n");
}

TEST_F(CoverageCommand, CountsTheDeclarationsOfTheKindsAsked) {
    temp.write("app/B.pas", "unit B;\ninterface\ntype\n  TShape = class\n"
                            "    function Area: Double;\n    property Size: Integer read FSize;\n"
                            "  end;\nprocedure Four;\nimplementation\nend.\n");
    ASSERT_EQ(runTool({"refresh", "1", "--data", data()}).status, 0);
    runSql(store(), "UPDATE DeclsLib SET Description = 'How big.' WHERE DeclName = 'Size'");

    // Every kind: A's three routines (two described on the Procedures page,
    // whose words they share), B's class, method, property and routine.
    ToolRun run = runTool({"coverage", "1", "--data", data()});
    EXPECT_EQ(run.out, "unit\tdeclarations\tdescribed\tpercent\nA.pas\t3\t2\t66.6\nB.pas\t4\t1\t25."
                       "0\ntotal\t7\t3\t42.8\n");
    run = runTool({"coverage", "1", "--data", data(), "--kinds", "property"});
    EXPECT_EQ(run.out, "unit\tdeclarations\tdescribed\tpercent\nA.pas\t0\t0\t0.0\nB.pas\t1\t1\t100."
                       "0\ntotal\t1\t1\t100.0\n");
    // A group names all its kinds: methods count with the unit's routines.
    run = runTool({"coverage", "1", "--data", data(), "--kinds", "routines,class"});
    EXPECT_EQ(run.out, "unit\tdeclarations\tdescribed\tpercent\nA.pas\t3\t2\t66.6\nB.pas\t3\t0\t0."
                       "0\ntotal\t6\t2\t33.3\n");
    run = runTool({"coverage", "1", "--data", data(), "--kinds", "routine"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("--kinds")) << run.err.toStdString();
}
