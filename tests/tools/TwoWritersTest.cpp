// Two programs writing one store at the same moment, as two people or two
// scripts do: the second waits for the first and then works on what it left,
// so the result is that of one run, on either kind of store. And a server
// database that holds anything not ours is never written.
#include <gtest/gtest.h>
#include <memory>
#include <QFileInfo>
#include <QProcess>
#include <vector>

#include "store/testing/SqlFile.h"
#include "support/PgCluster.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

// Every command started before any is waited for.
std::vector<ToolRun> runAtOnce(const QList<QStringList>& commands) {
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& args : commands) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(toolPath(), args);
    }
    std::vector<ToolRun> runs;
    for (const auto& process : processes) {
        process->waitForFinished(180000);
        runs.push_back({process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                        QString::fromUtf8(process->readAllStandardOutput()),
                        QString::fromUtf8(process->readAllStandardError())});
    }
    return runs;
}

QString errors(const std::vector<ToolRun>& runs) {
    QString text;
    for (const ToolRun& run : runs)
        text += QStringLiteral("[%1] %2").arg(run.status).arg(run.err);
    return text;
}

class TwoWriters : public ::testing::Test {
protected:
    // A project of `units` units with two routines each; the first unit
    // gains a third with `grown`.
    QString writeProject(int units, bool grown = false) {
        QByteArray uses;
        for (int i = 1; i <= units; ++i) {
            const QByteArray name = "U" + QByteArray::number(i);
            if (!QFileInfo::exists(temp.filePath("app/" + name + ".pas")) || (grown && i == 1))
                temp.write("app/" + name + ".pas",
                           "unit " + name + ";\ninterface\nprocedure Run" + name +
                               ";\nfunction Count" + name + ": Integer;\n" +
                               (grown && i == 1 ? "procedure Extra;\n" : "") +
                               "implementation\nend.\n");
            uses += (i == 1 ? "  " : ",\n  ") + name + " in '" + name + ".pas'";
        }
        return temp.write("app/P.dpr", "program P;\nuses\n" + uses + ";\nbegin\nend.\n");
    }

    TempDir temp;
};

// What the server's tables hold: documents, units, routines, and the rows
// that repeat a name where a name is kept once.
QString serverCounts(const ink::StoreAddress& server) {
    return PgCluster::shared().query(
        server.database,
        "SELECT (SELECT count(*) FROM docslib), (SELECT count(*) FROM unitslib), "
        "(SELECT count(*) FROM procslib), "
        "(SELECT count(*) FROM (SELECT 1 FROM unitslib GROUP BY docno, lower(unitname) "
        "HAVING count(*) > 1) u) + (SELECT count(*) FROM (SELECT 1 FROM procslib GROUP BY "
        "unitno, lower(procname) HAVING count(*) > 1) p)");
}

} // namespace

TEST_F(TwoWriters, TwoRefreshesOfOneDocumentOnAServerEqualOne) {
    const ink::StoreAddress server = PgCluster::shared().createDatabase("refreshes");
    const QString url = server.url();
    ToolRun run = runTool({"build", writeProject(250), "--db", url});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    writeProject(300, true);

    const auto runs = runAtOnce({{"refresh", "1", "--db", url}, {"refresh", "1", "--db", url}});
    for (const ToolRun& each : runs) {
        EXPECT_EQ(each.status, 0) << errors(runs).toStdString();
        EXPECT_TRUE(each.out.startsWith("docno\t1\tunits\t300\troutines\t601\t"))
            << each.out.toStdString();
    }
    EXPECT_EQ(serverCounts(server), "1\t300\t601\t0");
}

TEST_F(TwoWriters, TwoBuildsOfOneNameMakeOneDocumentOnEitherStore) {
    const QString project = writeProject(200);
    const ink::StoreAddress server = PgCluster::shared().createDatabase("names");
    for (const QStringList& store :
         {QStringList{"--data", temp.filePath("data")}, QStringList{"--db", server.url()}}) {
        SCOPED_TRACE(store.join(' ').toStdString());
        // The store is there before the two meet; its first use is below.
        ASSERT_EQ(runTool(QStringList{"build", project, "--name", "First"} + store).status, 0);
        const QStringList build = QStringList{"build", project, "--name", "Same"} + store;
        const auto runs = runAtOnce({build, build});
        EXPECT_EQ(runs[0].status + runs[1].status, 1) << errors(runs).toStdString();
        EXPECT_TRUE((runs[0].status ? runs[0] : runs[1]).err.contains("SAME exists already"))
            << errors(runs).toStdString();
    }
    EXPECT_EQ(sqlText(temp.filePath("data/Inkwright.sqlite"),
                      "SELECT count(*) || ' ' || (SELECT count(*) FROM UnitsLib) FROM DocsLib"),
              "2 400");
    EXPECT_EQ(serverCounts(server), "2\t400\t800\t0");
}

TEST_F(TwoWriters, ProgramsMeetingANewServerStoreMakeItOnce) {
    const QString project = writeProject(3);
    const ink::StoreAddress server = PgCluster::shared().createDatabase("fresh");
    QList<QStringList> builds;
    for (const char* name : {"A", "B", "C", "D"})
        builds << QStringList{"build", project, "--name", name, "--db", server.url()};
    const auto runs = runAtOnce(builds);
    for (const ToolRun& each : runs)
        EXPECT_EQ(each.status, 0) << errors(runs).toStdString();
    EXPECT_EQ(serverCounts(server), "4\t12\t24\t0");
}

TEST_F(TwoWriters, TwoCopiesIntoOneNewServerStoreCopyOnce) {
    ASSERT_EQ(runTool({"build", writeProject(100), "--data", temp.filePath("data")}).status, 0);
    const ink::StoreAddress server = PgCluster::shared().createDatabase("copies");
    const QStringList copy{"copy-store", "--from", temp.filePath("data"), "--to", server.url()};
    const auto runs = runAtOnce({copy, copy});
    EXPECT_EQ(runs[0].status + runs[1].status, 1) << errors(runs).toStdString();
    EXPECT_TRUE((runs[0].status ? runs[0] : runs[1]).err.contains("is not empty"))
        << errors(runs).toStdString();
    EXPECT_EQ(serverCounts(server), "1\t100\t200\t0");
}

// Anything of the database's own makes it "not ours": it is refused, for
// writing and for reading, and left exactly as it was.
TEST_F(TwoWriters, AServerDatabaseHoldingAnythingElseIsNeverWritten) {
    const QString project = writeProject(1);
    PgCluster& cluster = PgCluster::shared();
    for (const char* objects :
         {"CREATE VIEW answer AS SELECT 42 AS value",
          "CREATE SCHEMA accounts; CREATE TABLE accounts.ledger (id INTEGER)",
          "CREATE TYPE mood AS ENUM ('glad', 'sad')",
          "CREATE SEQUENCE tickets; CREATE FUNCTION twice(n INTEGER) RETURNS INTEGER "
          "LANGUAGE sql AS 'SELECT 2 * n'"}) {
        SCOPED_TRACE(objects);
        const ink::StoreAddress server = cluster.createDatabase("taken");
        QString error;
        ASSERT_TRUE(cluster.execute(server.database, objects, &error)) << error.toStdString();
        const QString before = cluster.schemaDump(server.database);
        for (const QStringList& args : {QStringList{"build", project, "--db", server.url()},
                                        QStringList{"coverage", "1", "--db", server.url()}}) {
            const ToolRun run = runTool(args);
            EXPECT_EQ(run.status, 1);
            EXPECT_TRUE(run.err.contains("not an Inkwright database and not empty"))
                << run.err.toStdString();
        }
        EXPECT_EQ(cluster.schemaDump(server.database), before);
    }
}
