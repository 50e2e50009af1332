// `inkwright-tool check`: the full look at a store that opening no longer
// takes, reporting damage anywhere in the file and changing nothing.
#include <gtest/gtest.h>
#include <QFile>

#include "store/testing/SqlFile.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(CheckCommand, FindsDamageInsideATableThatOpeningDoesNotRead) {
    TempDir temp;
    temp.write("Tools.pas", "unit Tools;\ninterface\nprocedure A;\nfunction B: Integer;\n"
                            "implementation\nend.\n");
    const QString project =
        temp.write("App.dpr", "program App;\nuses\n  Tools in 'Tools.pas';\nbegin\nend.\n");
    const QString data = temp.filePath("data");
    ASSERT_EQ(runTool({"build", project, "--data", data}).status, 0);

    const ToolRun sound = runTool({"check", "--data", data});
    EXPECT_EQ(sound.status, 0) << sound.err.toStdString();
    EXPECT_EQ(sound.out, "ok\n");

    const QString file = data + "/Inkwright.sqlite";
    const int page =
        sqlText(file, "SELECT rootpage FROM sqlite_schema WHERE name = 'tblProcIndex1'").toInt();
    ASSERT_GT(page, 1);
    QByteArray damaged = bytesOf(file);
    damaged.replace((page - 1) * 4096 + 8, 64, QByteArray(64, '\xA5'));
    temp.write("data/Inkwright.sqlite", damaged);

    const ToolRun units = runTool({"coverage", "1", "--data", data});
    EXPECT_EQ(units.status, 0) << "opening reads no index page: " << units.err.toStdString();
    const ToolRun check = runTool({"check", "--data", data});
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(check.err.startsWith("The store " + data + " is damaged:\n  "))
        << check.err.toStdString();
    EXPECT_EQ(bytesOf(file), damaged);

    EXPECT_EQ(runTool({"check", "--data", temp.filePath("none")}).status, 1);
    EXPECT_EQ(runTool({"check"}).status, 2);
}
