// `inkwright-tool import-comments` at declaration level: each declaration
// gets the comment that stands on it, however many share its name.
#include <gtest/gtest.h>
#include <QDir>

#include "store/testing/SqlFile.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

TEST(ImportCommentsDeclarations, EachDeclarationGetsItsOwnCommentAndRoutinesShareTheirs) {
    TempDir temp;
    temp.write("app/Shapes.pas",
               "unit Shapes;\ninterface\ntype\n"
               "  TShape = class\n  private\n    { Private declarations }\n"
               "    FSize: Integer;\n  public\n"
               "    { Makes an empty shape. }\n    constructor Create; overload;\n"
               "    { Makes a shape of a size. }\n"
               "    constructor Create(Size: Integer); overload;\n"
               "    // The area of a shape.\n    function Area: Double;\n"
               "    property Size: Integer read FSize; // How big it is.\n"
               "  end;\n  TSquare = class(TShape)\n"
               "    // The side, squared.\n    function Area: Double;\n  end;\n"
               "// Doubles X.\nfunction Twice(X: Integer): Integer;\n"
               "implementation\nend.\n");
    const QString project =
        temp.write("app/P.dpr", "program P;\nuses\n  Shapes in 'Shapes.pas';\nbegin\nend.\n");
    const QString data = temp.filePath("data");
    ASSERT_EQ(runTool({"build", project, "--data", data}).status, 0);
    const QString store = QDir(data).filePath("Inkwright.sqlite");
    // Typed on the Procedures page: never written over, and the routine
    // declarations of its name show it.
    runSql(store, "UPDATE ProcsLib SET Description = 'Typed.' WHERE ProcName = 'Twice'");

    const ToolRun run = runTool({"import-comments", "1", "--data", data});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "units\t0\troutines\t1\tdeclarations\t4\n");
    EXPECT_EQ(sqlText(store,
                      "SELECT group_concat(x, ' / ') FROM (SELECT coalesce(Owner || '.', '') "
                      "|| DeclName || '=' || coalesce(Description, '-') AS x FROM DeclsLib "
                      "ORDER BY DeclNo)"),
              "TShape=- / TShape.FSize=- / TShape.Create=Makes an empty shape. / "
              "TShape.Create=Makes a shape of a size. / TShape.Area=- / "
              "TShape.Size=How big it is. / TSquare=- / TSquare.Area=The side, squared. / "
              "Twice=-");
    // TShape.Area shares the routine row's words: the comment of the first Area.
    EXPECT_EQ(sqlText(store, "SELECT group_concat(ProcName || '=' || Description, ' / ') FROM "
                             "ProcsLib WHERE Description IS NOT NULL"),
              "Area=The area of a shape. / Twice=Typed.");
    EXPECT_EQ(runTool({"import-comments", "1", "--data", data}).out,
              "units\t0\troutines\t0\tdeclarations\t0\n");
}
