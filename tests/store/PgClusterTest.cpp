#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <memory>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <thread>
#include <vector>

#include "support/PgCluster.h"

#ifndef PG_CLUSTER_CHILD
#error "the store tests are built with PG_CLUSTER_CHILD"
#endif

using namespace ink;

namespace {

struct Closer {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, Closer>;

Connection connectTo(const StoreAddress& address) {
    std::vector<const char*> keys, values;
    const auto parameters = address.connectionParameters();
    for (const auto& [key, value] : parameters) {
        keys.push_back(key.constData());
        values.push_back(value.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return Connection(PQconnectdbParams(keys.data(), values.data(), 0));
}

// The first value of a query's first row; the error text when it fails.
QString firstValue(PGconn* connection, const char* sql) {
    PGresult* result = PQexec(connection, sql);
    QString value = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0
                        ? QString::fromUtf8(PQgetvalue(result, 0, 0))
                        : QString::fromUtf8(PQerrorMessage(connection));
    PQclear(result);
    return value;
}

// The third and fourth fields of /proc/<pid>/stat: state and parent.
bool alive(pid_t pid, pid_t* parent = nullptr) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (parent && fields.size() > 1)
        *parent = fields[1].toInt();
    return !fields.isEmpty() && fields[0] != "Z" && fields[0] != "X";
}

std::vector<pid_t> childrenOf(pid_t pid) {
    std::vector<pid_t> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t candidate = entry.toInt(&number);
        pid_t parent = 0;
        if (number && alive(candidate, &parent) && parent == pid)
            children.push_back(candidate);
    }
    return children;
}

} // namespace

TEST(PgCluster, ServesSeparateDatabasesBySocketAndByPasswordOverTcp) {
    PgCluster& cluster = PgCluster::shared();
    ASSERT_LT(QFile::encodeName(cluster.socketFolder()).size() + 20, 100);
    const StoreAddress first = cluster.createDatabase("Two Words");
    const StoreAddress second = cluster.createDatabase("Two Words");
    EXPECT_NE(first.database, second.database);
    QString error;
    ASSERT_TRUE(cluster.execute(first.database, "CREATE TABLE t (x int); INSERT INTO t VALUES (42)",
                                &error))
        << error.toStdString();
    EXPECT_FALSE(cluster.execute(second.database, "SELECT x FROM t", &error));
    EXPECT_TRUE(error.contains("does not exist")) << error.toStdString();

    Connection socket = connectTo(first);
    ASSERT_EQ(PQstatus(socket.get()), CONNECTION_OK) << PQerrorMessage(socket.get());
    EXPECT_EQ(firstValue(socket.get(), "SELECT x FROM t"), "42");
    EXPECT_EQ(firstValue(socket.get(), "SELECT current_setting('application_name')"), "Inkwright");

    Connection tcp = connectTo(cluster.tcpAddress(first.database));
    ASSERT_EQ(PQstatus(tcp.get()), CONNECTION_OK) << PQerrorMessage(tcp.get());
    EXPECT_EQ(firstValue(tcp.get(), "SELECT host(inet_server_addr()) || ' ' || x FROM t"),
              "127.0.0.1 42");

    StoreAddress wrong = cluster.tcpAddress(first.database);
    wrong.password = "not-the-password";
    Connection refused = connectTo(wrong);
    EXPECT_EQ(PQstatus(refused.get()), CONNECTION_BAD);
    EXPECT_TRUE(
        QString::fromUtf8(PQerrorMessage(refused.get())).contains("password authentication failed"))
        << PQerrorMessage(refused.get());

    // PostgreSQL refuses root; under root the cluster runs as another user.
    QFile status(QStringLiteral("/proc/%1/status").arg(cluster.serverPid()));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const QByteArray text = status.readAll();
    const QByteArray uid = text.mid(text.indexOf("Uid:")).split('\n').value(0).simplified();
    EXPECT_TRUE(uid.startsWith("Uid: ")) << text.toStdString();
    EXPECT_FALSE(uid.startsWith("Uid: 0 ")) << uid.toStdString();
}

TEST(PgCluster, ComesBackOnTheSamePortWithItsData) {
    PgCluster& cluster = PgCluster::shared();
    const StoreAddress address = cluster.createDatabase("restart");
    ASSERT_TRUE(cluster.execute(address.database, "CREATE TABLE t (x text); "
                                                  "INSERT INTO t VALUES ('kept')"));
    const int port = cluster.port();
    Connection before = connectTo(address);
    ASSERT_EQ(PQstatus(before.get()), CONNECTION_OK);

    EXPECT_TRUE(cluster.stop());
    EXPECT_FALSE(cluster.isRunning());
    EXPECT_NE(firstValue(before.get(), "SELECT x FROM t"), "kept");
    EXPECT_NE(PQstatus(connectTo(address).get()), CONNECTION_OK);

    ASSERT_TRUE(cluster.start()) << cluster.lastError().toStdString();
    EXPECT_EQ(cluster.port(), port);
    Connection after = connectTo(address);
    ASSERT_EQ(PQstatus(after.get()), CONNECTION_OK) << PQerrorMessage(after.get());
    EXPECT_EQ(firstValue(after.get(), "SELECT x FROM t"), "kept");
}

// The server and its processes end with the program that started it, also
// when that program is killed outright and runs no clean-up.
TEST(PgCluster, NeverOutlivesAKilledTestProgram) {
    QProcess child;
    child.start(QStringLiteral(PG_CLUSTER_CHILD), {});
    ASSERT_TRUE(child.waitForStarted());
    const auto started = std::chrono::steady_clock::now();
    while (!child.canReadLine() && child.state() == QProcess::Running &&
           std::chrono::steady_clock::now() - started < std::chrono::seconds(90))
        child.waitForReadyRead(1000);
    const QList<QByteArray> line = child.readLine().trimmed().split(' ');
    ASSERT_EQ(line.size(), 2) << child.readAllStandardError().toStdString();
    const pid_t server = line[0].toInt();
    const QString folder = QFile::decodeName(line[1]);
    ASSERT_GT(server, 0);
    ASSERT_TRUE(alive(server));
    const std::vector<pid_t> workers = childrenOf(server);
    EXPECT_FALSE(workers.empty()); // checkpointer, writer, ...

    child.kill(); // SIGKILL
    child.waitForFinished();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    auto anyAlive = [&] {
        if (alive(server))
            return true;
        for (pid_t worker : workers)
            if (alive(worker))
                return true;
        return false;
    };
    while (anyAlive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(alive(server));
    for (pid_t worker : workers)
        EXPECT_FALSE(alive(worker)) << worker;
    // The killed program could not remove its folder.
    if (folder.contains("/inkpg-"))
        std::filesystem::remove_all(QFile::encodeName(folder).constData());
}
