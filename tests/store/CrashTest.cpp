#include <gtest/gtest.h>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>

#include "store/Startup.h"
#include "store/TDM1.h"
#include "store/testing/SqlFile.h"
#include "support/TempDir.h"

namespace {

// Numbers of the rows the child reported as posted: complete lines only.
QList<int> acknowledgedRows(const QByteArray& output) {
    QList<int> rows;
    const QList<QByteArray> lines = output.split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        rows << lines[i].toInt();
    return rows;
}

// ProcName -> Description of every stored routine, after an integrity check.
QHash<QString, QString> storedRoutines(const QString& databaseFile) {
    SqlFile db(databaseFile);
    EXPECT_EQ(db.text("PRAGMA integrity_check"), "ok");
    QHash<QString, QString> routines;
    for (const QStringList& row : db.rows("SELECT ProcName, Description FROM ProcsLib"))
        routines.insert(row[0], row[1]);
    return routines;
}

} // namespace

// A program killed at any moment (while starting, creating the tables or
// posting) keeps every row whose Post had returned, in a sound database.
TEST(CrashTest, EveryReturnedPostSurvivesAKill) {
    TempDir temp;
    const QString config = temp.filePath("config/DatabaseEngine.ini");
    const QString program = temp.filePath("program");
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    QSet<int> acknowledged;
    for (int round = 0; round < 30; ++round) {
        QProcess child;
        child.start(STORE_CRASH_CHILD, {config, program});
        ASSERT_TRUE(child.waitForStarted());
        QThread::msleep(random.bounded(5, 120));
        child.kill(); // SIGKILL
        ASSERT_TRUE(child.waitForFinished());
        for (int row : acknowledgedRows(child.readAllStandardOutput()))
            acknowledged.insert(row);
    }
    ASSERT_FALSE(acknowledged.isEmpty()) << "the child never got to post";

    const QString databaseFile =
        QDir(ink::dataDirectoryFor(program)).filePath(ink::TDM1::DatabaseFileName);
    const QHash<QString, QString> routines = storedRoutines(databaseFile);
    for (int row : acknowledged) {
        const QString name = QStringLiteral("R%1").arg(row);
        ASSERT_TRUE(routines.contains(name)) << "lost " << name.toStdString();
        EXPECT_EQ(routines.value(name), QStringLiteral("posted %1").arg(row));
    }
}
