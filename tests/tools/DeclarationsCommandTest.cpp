// The output of `inkwright-tool declarations`: other tools read it, so its
// layout is checked byte for byte.
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

TEST(DeclarationsCommand, ListsEveryDeclarationTabSeparatedInSourceOrder) {
    TempDir dir;
    dir.write("Members.inc", "    function  Area :  Double;  virtual;\n");
    const QString unit = dir.write("Shapes.pas", "unit Shapes;\ninterface\ntype\n"
                                                 "  TShape = class(TObject)\n"
                                                 "  strict private\n"
                                                 "    FArea: Double;\n"
                                                 "  public\n"
                                                 "{$I Members.inc}\n"
                                                 "  end;\n"
                                                 "const Max = 4;\n"
                                                 "implementation\nend.\n");
    const ToolRun run = runTool({"declarations", unit});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "class\t\tTShape\tTShape = class(TObject)\t\t" + unit + ":4\n" +
                           "field\tTShape\tFArea\tFArea: Double;\tstrict private\t" + unit +
                           ":6\n" +
                           "function\tTShape\tArea\tfunction Area : Double; virtual;\tpublic\t" +
                           dir.filePath("Members.inc") + ":1\n" + "const\t\tMax\tMax = 4;\t\t" +
                           unit + ":10\n");
}

TEST(DeclarationsCommand, SaysWhenTheFileCouldNotBeRead) {
    TempDir dir;
    const QString missing = dir.filePath("Missing.pas");
    const ToolRun run = runTool({"declarations", missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "File " + missing + " could not be read.\n");
    const ToolRun folder = runTool({"declarations", dir.path()});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "File " + dir.path() + " could not be read: it is a folder.\n");
    EXPECT_EQ(runTool({"declarations"}).status, 2);
}
