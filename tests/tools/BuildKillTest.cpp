// A build killed at any moment must leave a sound database that still holds
// every description typed before it.
#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <sqlite3.h>

#include "support/TempDir.h"

namespace {

const QString Tool = QStringLiteral(INKWRIGHT_BIN_DIR "/inkwright-tool");

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

struct Database {
    explicit Database(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~Database() { sqlite3_close(db); }
    QString text(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        QString result;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            result =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return result;
    }
    void exec(const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    sqlite3* db = nullptr;
};

int runTool(const QStringList& args) {
    QProcess tool;
    tool.start(Tool, args);
    tool.waitForFinished(60000);
    return tool.exitCode();
}

} // namespace

TEST(BuildKill, KilledBuildsLeaveTheStoreSoundAndTheDescriptionsInPlace) {
    TempDir temp;
    const QString project = writeLargeProject(temp, 300);
    const QString data = temp.filePath("data");
    ASSERT_EQ(runTool({"build", project, "--data", data, "--name", "base"}), 0);
    {
        Database db(data + "/Inkwright.sqlite");
        db.exec("UPDATE UnitsLib SET Description = 'unit note ' || UnitNo");
        db.exec("UPDATE ProcsLib SET Description = 'routine note ' || ProcNo");
    }
    const QString units =
        Database(data + "/Inkwright.sqlite").text("SELECT COUNT(*) FROM UnitsLib");

    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 12; ++round) {
        QProcess tool;
        // Alternate between a refresh of the described document and a new build.
        tool.start(Tool, round % 2 ? QStringList{"refresh", "1", "--data", data}
                                   : QStringList{"build", project, "--data", data, "--name",
                                                 "copy " + QString::number(round)});
        ASSERT_TRUE(tool.waitForStarted());
        QThread::msleep(random->bounded(20, 400));
        tool.kill();
        tool.waitForFinished();

        Database db(data + "/Inkwright.sqlite");
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
