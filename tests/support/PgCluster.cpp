#include "PgCluster.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <libpq-fe.h>
#include <memory>
#include <netinet/in.h>
#include <pwd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringList>
#include <QVersionNumber>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr const char* ClusterUser = "inkwright";
constexpr auto ReadyWithin = std::chrono::seconds(20);
constexpr auto StopWithin = std::chrono::seconds(5);

[[noreturn]] void fail(const QString& why) {
    throw std::runtime_error(("PostgreSQL test cluster: " + why).toStdString());
}

// The newest /usr/lib/postgresql/<version>/bin with both initdb and postgres.
QString findServerBinaries() {
    const QDir root(QStringLiteral("/usr/lib/postgresql"));
    QString best;
    QVersionNumber bestVersion;
    for (const QString& version : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString bin = root.filePath(version + QStringLiteral("/bin"));
        const QVersionNumber number = QVersionNumber::fromString(version);
        if (QFileInfo(bin + "/initdb").isExecutable() &&
            QFileInfo(bin + "/postgres").isExecutable() &&
            (best.isEmpty() || number > bestVersion)) {
            best = bin;
            bestVersion = number;
        }
    }
    return best;
}

// A port no one listens on now. Another program may still take it before
// the server binds it; launch() then tries another.
int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(s);
    return port;
}

// Starts `argv` as a direct child with its output in `outputFd`. The child
// asks for SIGINT when this thread ends (the kernel's parent-death signal)
// and checks that its parent is still there, so it cannot outlive the test
// even if the test dies between fork and exec; setpriv sets the signal again
// after it changes the user, which clears it.
pid_t spawn(const QStringList& arguments, int outputFd) {
    std::vector<std::string> strings;
    for (const QString& argument : arguments)
        strings.push_back(QFile::encodeName(argument).toStdString());
    std::vector<char*> argv;
    for (std::string& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    // The child: only async-signal-safe calls from here to exec.
    prctl(PR_SET_PDEATHSIG, SIGINT);
    if (getppid() != parent)
        _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int number : {SIGINT, SIGTERM, SIGQUIT, SIGPIPE, SIGHUP})
        signal(number, SIG_DFL);
    const int input = open("/dev/null", O_RDONLY);
    if (input < 0 || dup2(input, 0) < 0 || dup2(outputFd, 1) < 0 || dup2(outputFd, 2) < 0)
        _exit(127);
    syscall(SYS_close_range, 3U, ~0U, 0U);
    execve(argv[0], argv.data(), environ);
    _exit(127);
}

bool exited(pid_t pid, std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        const pid_t done = waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

QString tail(const QString& path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.size() > bytes)
        file.seek(file.size() - bytes);
    return QString::fromUtf8(file.readAll()).trimmed();
}

struct ConnectionCloser {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, ConnectionCloser>;

Connection connect(const ink::StoreAddress& address) {
    const auto parameters = address.connectionParameters();
    std::vector<const char*> keys, values;
    for (const auto& [key, value] : parameters) {
        keys.push_back(key.constData());
        values.push_back(value.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return Connection(PQconnectdbParams(keys.data(), values.data(), 0));
}

} // namespace

PgCluster& PgCluster::shared() {
    static std::unique_ptr<PgCluster> cluster;
    static std::string failure;
    if (!cluster) {
        if (!failure.empty())
            throw std::runtime_error(failure);
        try {
            cluster = std::make_unique<PgCluster>();
        } catch (const std::exception& error) {
            failure = error.what();
            throw;
        }
    }
    return *cluster;
}

PgCluster::PgCluster() {
    if (gettid() != getpid())
        fail(QStringLiteral("start it from the main thread; the server would end with this one"));
    binFolder_ = findServerBinaries();
    if (binFolder_.isEmpty())
        fail(QStringLiteral("no initdb and postgres in /usr/lib/postgresql/*/bin; install the "
                            "postgresql package (scripts/install-deps)"));
    setpriv_ = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv_.isEmpty())
        fail(QStringLiteral("setpriv (util-linux) is not installed"));

    if (geteuid() == 0) {
        switchUser_ = true;
        runUid_ = runGid_ = 65534;
        if (const passwd* postgres = getpwnam("postgres")) {
            runUid_ = postgres->pw_uid;
            runGid_ = postgres->pw_gid;
        }
    }

    // The socket's path must stay under the system's limit of about 100
    // bytes, so a long TMPDIR is passed over for /tmp.
    QString base = QDir::tempPath();
    if (base.size() + 40 > 100)
        base = QStringLiteral("/tmp");
    QByteArray folderTemplate = QFile::encodeName(base + QStringLiteral("/inkpg-XXXXXX"));
    if (!mkdtemp(folderTemplate.data()))
        fail(QStringLiteral("cannot create a folder in %1: %2")
                 .arg(base, QString::fromLocal8Bit(strerror(errno))));
    folder_ = QFile::decodeName(folderTemplate);
    dataFolder_ = folder_ + QStringLiteral("/data");
    // Others may reach the socket (a tool run as another user), not read the data.
    chmod(folderTemplate.constData(), 0711);
    if (switchUser_ && chown(folderTemplate.constData(), runUid_, runGid_) != 0) {
        const QString why = QString::fromLocal8Bit(strerror(errno));
        std::filesystem::remove_all(folderTemplate.constData());
        fail(QStringLiteral("cannot give %1 to uid %2: %3").arg(folder_).arg(runUid_).arg(why));
    }

    try {
        password_ = QStringLiteral("ink-%1").arg(QRandomGenerator::system()->generate64(), 16, 16,
                                                 QLatin1Char('0'));
        const QString passwordFile = folder_ + QStringLiteral("/password");
        {
            QFile file(passwordFile);
            if (!file.open(QIODevice::WriteOnly) || file.write(password_.toUtf8() + "\n") <= 0)
                fail(QStringLiteral("cannot write %1").arg(passwordFile));
        }
        if (switchUser_ && chown(QFile::encodeName(passwordFile).constData(), runUid_, runGid_))
            fail(QStringLiteral("cannot give %1 to uid %2").arg(passwordFile).arg(runUid_));

        const QString initdbLog = folder_ + QStringLiteral("/initdb.log");
        const int output =
            open(QFile::encodeName(initdbLog).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (output < 0)
            fail(QStringLiteral("cannot write %1").arg(initdbLog));
        QStringList command{setpriv_};
        if (switchUser_)
            command << QStringLiteral("--reuid=%1").arg(runUid_)
                    << QStringLiteral("--regid=%1").arg(runGid_)
                    << QStringLiteral("--clear-groups");
        command << QStringLiteral("--pdeathsig=INT") << QStringLiteral("--")
                << binFolder_ + QStringLiteral("/initdb") << QStringLiteral("-D") << dataFolder_
                << QStringLiteral("-U") << QString::fromLatin1(ClusterUser) << QStringLiteral("-A")
                << QStringLiteral("trust") << QStringLiteral("-E") << QStringLiteral("UTF8")
                << QStringLiteral("--locale=C") << QStringLiteral("-N")
                << QStringLiteral("--pwfile=") + passwordFile;
        const pid_t initdb = spawn(command, output);
        close(output);
        int status = 0;
        if (initdb < 0 || waitpid(initdb, &status, 0) != initdb || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0)
            fail(QStringLiteral("initdb failed:\n") + tail(initdbLog, 4000));
        QFile::remove(passwordFile);

        // Socket connections are trusted; TCP ones must give the password,
        // so a test can see a wrong one refused.
        QFile hba(dataFolder_ + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            hba.write("local all all trust\n"
                      "host all all 127.0.0.1/32 scram-sha-256\n") <= 0)
            fail(QStringLiteral("cannot write %1").arg(hba.fileName()));
        hba.close();

        QString why;
        bool started = false;
        // The port may be taken between finding it and the server binding it.
        for (int attempt = 0; attempt < 3 && !started; ++attempt) {
            port_ = freePort();
            if (port_ == 0)
                fail(QStringLiteral("no free port on 127.0.0.1"));
            started = launch(&why);
        }
        if (!started)
            fail(why);
    } catch (...) {
        stop();
        std::filesystem::remove_all(QFile::encodeName(folder_).constData());
        throw;
    }
}

PgCluster::~PgCluster() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(folder_).constData(), ignored);
}

QString PgCluster::user() const {
    return QString::fromLatin1(ClusterUser);
}

bool PgCluster::launch(QString* why) {
    const QString logPath = folder_ + QStringLiteral("/server.log");
    const int output = open(QFile::encodeName(logPath).constData(),
                            O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (output < 0) {
        *why = QStringLiteral("cannot write %1").arg(logPath);
        return false;
    }
    QStringList command{setpriv_};
    if (switchUser_)
        command << QStringLiteral("--reuid=%1").arg(runUid_)
                << QStringLiteral("--regid=%1").arg(runGid_) << QStringLiteral("--clear-groups");
    // Not pg_ctl: it leaves the server running on its own, where no death
    // signal reaches it.
    command << QStringLiteral("--pdeathsig=INT") << QStringLiteral("--")
            << binFolder_ + QStringLiteral("/postgres") << QStringLiteral("-D") << dataFolder_
            << QStringLiteral("-k") << folder_ << QStringLiteral("-p") << QString::number(port_);
    for (const char* setting :
         {"listen_addresses=127.0.0.1", "fsync=off", "synchronous_commit=off",
          "full_page_writes=off", "shared_buffers=16MB", "max_connections=40"})
        command << QStringLiteral("-c") << QString::fromLatin1(setting);
    serverPid_ = spawn(command, output);
    close(output);
    if (serverPid_ < 0) {
        *why = QStringLiteral("cannot start the server: %1")
                   .arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }

    const ink::StoreAddress probe = socketAddress(QStringLiteral("postgres"));
    const auto parameters = probe.connectionParameters();
    std::vector<const char*> keys, values;
    for (const auto& [key, value] : parameters) {
        keys.push_back(key.constData());
        values.push_back(value.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    const auto deadline = std::chrono::steady_clock::now() + ReadyWithin;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(serverPid_, nullptr, WNOHANG) == serverPid_) {
            serverPid_ = -1;
            *why = QStringLiteral("the server on port %1 ended at start:\n%2")
                       .arg(port_)
                       .arg(logTail());
            return false;
        }
        if (PQpingParams(keys.data(), values.data(), 0) == PQPING_OK)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop();
    *why = QStringLiteral("the server on port %1 did not accept connections within %2 s:\n%3")
               .arg(port_)
               .arg(std::chrono::seconds(ReadyWithin).count())
               .arg(logTail());
    return false;
}

bool PgCluster::stop() {
    if (serverPid_ <= 0)
        return true;
    // SIGINT is the fast shutdown: sessions are ended, the data is kept.
    kill(serverPid_, SIGINT);
    bool clean = exited(serverPid_, StopWithin);
    if (!clean) {
        kill(serverPid_, SIGKILL);
        waitpid(serverPid_, nullptr, 0);
    }
    serverPid_ = -1;
    return clean;
}

bool PgCluster::start() {
    lastError_.clear();
    if (isRunning())
        return true;
    return launch(&lastError_);
}

QString PgCluster::logTail() const {
    return tail(folder_ + QStringLiteral("/server.log"), 4000);
}

ink::StoreAddress PgCluster::socketAddress(const QString& database) const {
    ink::StoreAddress address;
    address.driver = ink::StoreAddress::Driver::Postgres;
    address.server = folder_;
    address.port = port_;
    address.database = database;
    address.user = user();
    return address;
}

ink::StoreAddress PgCluster::tcpAddress(const QString& database) const {
    ink::StoreAddress address = socketAddress(database);
    address.server = QStringLiteral("127.0.0.1");
    address.password = password_;
    return address;
}

bool PgCluster::execute(const QString& database, const QString& sql, QString* error) const {
    const Connection connection = connect(socketAddress(database));
    if (PQstatus(connection.get()) != CONNECTION_OK) {
        if (error)
            *error = QString::fromUtf8(PQerrorMessage(connection.get())).trimmed();
        return false;
    }
    PGresult* result = PQexec(connection.get(), sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok && error)
        *error = QString::fromUtf8(PQerrorMessage(connection.get())).trimmed();
    return ok;
}

QString PgCluster::query(const QString& database, const QString& sql) const {
    const Connection connection = connect(socketAddress(database));
    if (PQstatus(connection.get()) != CONNECTION_OK)
        fail(QString::fromUtf8(PQerrorMessage(connection.get())).trimmed());
    PGresult* result = PQexec(connection.get(), sql.toUtf8().constData());
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        PQclear(result);
        fail(QStringLiteral("%1: %2").arg(
            sql, QString::fromUtf8(PQerrorMessage(connection.get())).trimmed()));
    }
    QStringList rows;
    for (int row = 0; row < PQntuples(result); ++row) {
        QStringList columns;
        for (int column = 0; column < PQnfields(result); ++column)
            columns << QString::fromUtf8(PQgetvalue(result, row, column));
        rows << columns.join(QLatin1Char('\t'));
    }
    PQclear(result);
    return rows.join(QLatin1Char('\n'));
}

QString PgCluster::schemaDump(const QString& database) const {
    QProcess dump;
    dump.start(binFolder_ + QStringLiteral("/pg_dump"),
               {QStringLiteral("--schema-only"), QStringLiteral("--host"), folder_,
                QStringLiteral("--port"), QString::number(port_), QStringLiteral("--username"),
                user(), database});
    if (!dump.waitForFinished(60000) || dump.exitStatus() != QProcess::NormalExit ||
        dump.exitCode() != 0)
        fail(QStringLiteral("pg_dump of %1 failed: %2")
                 .arg(database, QString::fromUtf8(dump.readAllStandardError())));
    // The \restrict lines carry a key made afresh for every dump.
    QStringList lines = QString::fromUtf8(dump.readAllStandardOutput()).split(QLatin1Char('\n'));
    lines.removeIf([](const QString& line) {
        return line.startsWith(QLatin1String("\\restrict")) ||
               line.startsWith(QLatin1String("\\unrestrict"));
    });
    return lines.join(QLatin1Char('\n'));
}

ink::StoreAddress PgCluster::createDatabase(const QString& namePrefix) {
    // Names the server folds or must quote are kept out: lower case, digits
    // and underscores only.
    QString name;
    for (QChar c : namePrefix.toLower())
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_'))
            name += c;
    name = (name.isEmpty() ? QStringLiteral("db") : name.left(40)) + QLatin1Char('_') +
           QString::number(++databases_);
    QString error;
    if (!execute(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE \"%1\"").arg(name),
                 &error))
        fail(QStringLiteral("cannot create the database %1: %2").arg(name, error));
    return socketAddress(name);
}
