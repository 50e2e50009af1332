// A build killed at any moment must leave a sound database that still holds
// every description typed before it.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include "store/testing/SqlFile.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

// A project of `count` units in a sibling folder, each with a few routines.
QString writeLargeProject(const TempDir& temp, int count) {
    QByteArray project = "program Large;\r\nuses\r\n";
    for (int i = 0; i < count; ++i) {
        const QByteArray name = "Unit" + QByteArray::number(i);
        project += "  " + name + " in '..\\src\\" + name + ".pas' {Form" + QByteArray::number(i) +
                   "}" + (i + 1 < count ? ",\r\n" : ";\r\n");
        QByteArray unit = "unit " + name + ";\r\ninterface\r\n";
        for (int r = 0; r < 20; ++r)
            unit += "procedure Step" + QByteArray::number(r) +
                    "(A: Integer; const B: string);\r\n"
                    "function Value" +
                    QByteArray::number(r) + ": Integer;\r\n";
        unit += "implementation\r\nend.\r\n";
        temp.write("src/" + name + ".pas", unit);
    }
    return temp.write("app/Large.dpr", project + "begin\r\nend.\r\n");
}

} // namespace

TEST(BuildKill, KilledBuildsLeaveTheStoreSoundAndTheDescriptionsInPlace) {
    TempDir temp;
    const QString project = writeLargeProject(temp, 300);
    const QString data = temp.filePath("data");
    ASSERT_EQ(runTool({"build", project, "--data", data, "--name", "base"}).status, 0);
    {
        SqlFile db(data + "/Inkwright.sqlite");
        db.run("UPDATE UnitsLib SET Description = 'unit note ' || UnitNo");
        db.run("UPDATE ProcsLib SET Description = 'routine note ' || ProcNo");
    }
    const QString units = sqlText(data + "/Inkwright.sqlite", "SELECT COUNT(*) FROM UnitsLib");

    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 12; ++round) {
        QProcess tool;
        // Alternate between a refresh of the described document and a new build.
        tool.start(toolPath(), round % 2 ? QStringList{"refresh", "1", "--data", data}
                                         : QStringList{"build", project, "--data", data, "--name",
                                                       "copy " + QString::number(round)});
        ASSERT_TRUE(tool.waitForStarted());
        QThread::msleep(random->bounded(20, 400));
        tool.kill();
        tool.waitForFinished();

        SqlFile db(data + "/Inkwright.sqlite");
        SCOPED_TRACE(round);
        EXPECT_EQ(db.text("PRAGMA integrity_check"), "ok");
        EXPECT_EQ(db.text("SELECT COUNT(*) FROM UnitsLib WHERE DocNo = 1"), units);
        EXPECT_EQ(db.text("SELECT COUNT(*) FROM UnitsLib WHERE DocNo = 1 AND "
                          "Description = 'unit note ' || UnitNo"),
                  units);
        EXPECT_EQ(db.text("SELECT COUNT(*) FROM ProcsLib WHERE DocNo = 1 AND "
                          "(Description IS NULL OR Description <> 'routine note ' || ProcNo)"),
                  "0");
    }
}
