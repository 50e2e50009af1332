// `inkwright-tool remove-missing`: what a refresh no longer found goes, and a
// description whose declaration moved to another unit goes with it when
// asked; one that fits another type's namesake only when asked for that too.
#include <gtest/gtest.h>
#include <QDir>

#include "store/testing/SqlFile.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

class RemoveMissingCommand : public ::testing::Test {
protected:
    void SetUp() override {
        temp.write("app/Shapes.pas", "unit Shapes;\ninterface\ntype\n  TShape = class\n"
                                     "    function Area: Double;\n  end;\n"
                                     "  TCircle = class(TShape)\n  end;\nconst\n  Pi2 = 6.28;\n"
                                     "procedure Draw;\nimplementation\nend.\n");
        temp.write("app/Util.pas", "unit Util;\ninterface\nimplementation\nend.\n");
        project = temp.write("app/P.dpr", "program P;\nuses\n  Shapes in 'Shapes.pas',\n"
                                          "  Util in 'Util.pas';\nbegin\nend.\n");
        ASSERT_EQ(runTool({"build", project, "--data", data()}).status, 0);
        runSql(store(), "UPDATE DeclsLib SET Description = 'Own words of ' || DeclName "
                        "WHERE DeclName IN ('Area', 'Pi2', 'Draw')");
        // Area moved to TCircle, Draw to Util, Pi2 renamed.
        temp.write("app/Shapes.pas", "unit Shapes;\ninterface\ntype\n  TShape = class\n  end;\n"
                                     "  TCircle = class(TShape)\n"
                                     "    function Area: Double;\n  end;\nconst\n"
                                     "  TwoPi = 6.28;\nimplementation\nend.\n");
        temp.write("app/Util.pas",
                   "unit Util;\ninterface\nprocedure Draw;\nimplementation\nend.\n");
        ASSERT_EQ(runTool({"refresh", "1", "--data", data()}).status, 0);
    }
    QString data() const { return temp.filePath("data"); }
    QString store() const { return QDir(data()).filePath("Inkwright.sqlite"); }
    QString described() const {
        return sqlText(store(), "SELECT group_concat(x, ', ') FROM (SELECT coalesce(Owner || '.', "
                                "'') || DeclName || '=' || Description AS x FROM DeclsLib "
                                "WHERE Description IS NOT NULL ORDER BY DeclNo)");
    }

    TempDir temp;
    QString project;
};

} // namespace

TEST_F(RemoveMissingCommand, OffersTheMovesAndMovesOnlyWhenAsked) {
    ToolRun run = runTool({"remove-missing", "1", "--data", data(), "--list"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    // Draw moved to another unit; Area is only a namesake in another class.
    EXPECT_EQ(run.out, "move\tShapes.pas: Draw\tUtil.pas: Draw\n"
                       "offer\tShapes.pas: TShape.Area\tShapes.pas: TCircle.Area\n"
                       "missing\tunits\t0\troutines\t1\tdeclarations\t3\tmoved\t0\n");
    EXPECT_EQ(described(), "TShape.Area=Own words of Area, Pi2=Own words of Pi2, "
                           "Draw=Own words of Draw"); // --list changed nothing

    run = runTool({"remove-missing", "1", "--data", data(), "--move-descriptions"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith("removed\tunits\t0\troutines\t1\tdeclarations\t3\tmoved\t1\n"))
        << run.out.toStdString();
    // The renamed constant is no candidate: its words went with it; neither
    // is another class's method, unless asked for.
    EXPECT_EQ(described(), "Draw=Own words of Draw");
    EXPECT_EQ(runTool({"remove-missing", "1", "--data", data()}).out,
              "removed\tunits\t0\troutines\t0\tdeclarations\t0\tmoved\t0\n");
}

TEST_F(RemoveMissingCommand, MovesAcrossClassesOnlyWhenToldSo) {
    const ToolRun run = runTool(
        {"remove-missing", "1", "--data", data(), "--move-descriptions", "--across-owners"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith("removed\tunits\t0\troutines\t1\tdeclarations\t3\tmoved\t2\n"))
        << run.out.toStdString();
    EXPECT_EQ(described(), "TCircle.Area=Own words of Area, Draw=Own words of Draw");
}
