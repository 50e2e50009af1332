// What the command-line companion does when the store cannot be written, is
// missing, or lies in a folder the user may only read.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "store/testing/SqlFile.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

// A project of `units` units, each with `routines` procedures.
QString writeProject(const TempDir& temp, const QString& folder, int units, int routines) {
    QByteArray project = "program P;\nuses\n";
    for (int i = 0; i < units; ++i) {
        const QByteArray name = "U" + QByteArray::number(i);
        project += "  " + name + " in '" + name + ".pas'" + (i + 1 < units ? ",\n" : ";\n");
        QByteArray unit = "unit " + name + ";\ninterface\n";
        for (int r = 0; r < routines; ++r)
            unit += "procedure Routine" + QByteArray::number(r) + "(const Value: string);\n";
        temp.write(folder + "/" + name + ".pas", unit + "implementation\nend.\n");
    }
    return temp.write(folder + "/P.dpr", project + "begin\nend.\n");
}

class ToolStoreFaults : public ::testing::Test {
protected:
    QString data() const { return temp.filePath("data"); }
    QString store() const { return QDir(data()).filePath("Inkwright.sqlite"); }
    TempDir temp;
};

} // namespace

TEST_F(ToolStoreFaults, ADiskThatFillsDuringABuildKeepsTheStoreAsItWas) {
    ASSERT_EQ(runTool({"build", writeProject(temp, "small", 2, 2), "--data", data()}).status, 0);
    const QString big = writeProject(temp, "big", 200, 40);
    const qint64 limit = QFileInfo(store()).size() + 16 * 1024;

    const ToolRun full = runTool({"build", big, "--data", data(), "--name", "BIG"}, {false, limit});
    EXPECT_EQ(full.status, 1) << full.out.toStdString();
    EXPECT_TRUE(full.err.startsWith("Cannot save the changes to \"" + store() + "\""))
        << full.err.toStdString();
    // SQLite names the write that failed, not the system's reason for it.
    EXPECT_TRUE(full.err.contains("disk I/O error")) << full.err.toStdString();
    EXPECT_EQ(sqlText(store(), "SELECT group_concat(DocName) FROM DocsLib"), "P");
    EXPECT_EQ(sqlText(store(), "SELECT count(*) FROM ProcsLib"), "6");
    EXPECT_EQ(sqlText(store(), "PRAGMA integrity_check"), "ok");
}

TEST_F(ToolStoreFaults, OnlyABuildCreatesAStore) {
    const ToolRun refresh = runTool({"refresh", "1", "--data", data()});
    EXPECT_EQ(refresh.status, 1);
    EXPECT_TRUE(refresh.err.startsWith("There is no documentation database in " + data()))
        << refresh.err.toStdString();
    const ToolRun exported =
        runTool({"export", "1", "--data", data(), "--out", temp.filePath("r.html")});
    EXPECT_EQ(exported.status, 1);
    EXPECT_TRUE(exported.err.contains("does not exist")) << exported.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(data()));
}

TEST_F(ToolStoreFaults, AReadOnlyDataFolderIsReadButNeverWritten) {
    ASSERT_EQ(runTool({"build", writeProject(temp, "app", 1, 2), "--data", data()}).status, 0);
    // Another user may read and enter everything, and write only "out".
    QFile::setPermissions(temp.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
    QFile::setPermissions(data(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther);
    QFile::setPermissions(store(), QFileDevice::ReadOwner | QFileDevice::ReadOther);
    QDir(temp.path()).mkdir("out");
    QFile::setPermissions(temp.filePath("out"), QFileDevice::Permissions(0x7777));
    const QByteArray before = [&] {
        QFile file(store());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    const ToolLimits reader{true, 0};
    const ToolRun exported =
        runTool({"export", "1", "--data", data(), "--out", temp.filePath("out/r.html")}, reader,
                temp.filePath("out"));
    EXPECT_EQ(exported.status, 0) << exported.err.toStdString();
    EXPECT_TRUE(QFileInfo(temp.filePath("out/r.html")).size() > 0);
    // Counting and searching only read, too.
    const ToolRun coverage = runTool({"coverage", "1", "--data", data()}, reader);
    EXPECT_EQ(coverage.status, 0) << coverage.err.toStdString();
    EXPECT_EQ(coverage.out,
              "unit\tdeclarations\tdescribed\tpercent\nU0.pas\t2\t0\t0.0\ntotal\t2\t0\t0.0\n");
    const ToolRun search = runTool({"search", "routine1", "--data", data()}, reader);
    EXPECT_EQ(search.status, 0) << search.err.toStdString();
    EXPECT_EQ(search.out, "P\tU0.pas\tRoutine1\t\n");

    const ToolRun refreshed =
        runTool({"refresh", "1", "--data", data()}, reader, temp.filePath("out"));
    EXPECT_EQ(refreshed.status, 1);
    EXPECT_TRUE(refreshed.err.contains("the folder \"" + data() + "\" is not writable"))
        << refreshed.err.toStdString();
    const ToolRun built =
        runTool({"build", writeProject(temp, "out/app", 1, 1), "--data", data(), "--name", "OTHER"},
                reader, temp.filePath("out"));
    EXPECT_EQ(built.status, 1);
    EXPECT_TRUE(built.err.contains("is not writable")) << built.err.toStdString();

    QFile file(store());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_FALSE(QFileInfo::exists(store() + "-wal"));
}

TEST_F(ToolStoreFaults, NamesBeyondTheBasicPlaneAreFoundAgainByARefresh) {
    // 30 letters that take two UTF-16 units each: longer than a name field in
    // UTF-16 units, short enough in characters to be stored whole.
    const QString name = QString::fromUcs4(U"\U0001D518").repeated(30);
    temp.write("app/" + name + ".pas", ("unit X;\ninterface\nprocedure " + name +
                                        ";\nprocedure Plain;\nimplementation\nend.\n")
                                           .toUtf8());
    const QString project = temp.write(
        "app/P.dpr",
        ("program P;\nuses\n  " + name + " in '" + name + ".pas';\nbegin\nend.\n").toUtf8());
    const ToolRun built = runTool({"build", project, "--data", data()});
    ASSERT_EQ(built.status, 0) << built.err.toStdString();
    for (int round = 0; round < 2; ++round) {
        const ToolRun refreshed = runTool({"refresh", "1", "--data", data()});
        EXPECT_EQ(refreshed.out,
                  QString(built.out).replace("\n", "\tmissing_units\t0\tmissing_routines\t0\n"));
    }
    EXPECT_EQ(sqlText(store(), "SELECT count(*) FROM UnitsLib"), "1");
    EXPECT_EQ(sqlText(store(), "SELECT count(*) FROM ProcsLib WHERE length(ProcName) = 30"), "1");
}
