// Holds a private PostgreSQL cluster until it is killed: prints the server's
// process id and the cluster's folder, then waits. The test kills it with
// SIGKILL and checks that the server does not outlive it.
#include <cstdio>
#include <exception>
#include <QFile>
#include <unistd.h>

#include "support/PgCluster.h"

int main() {
    try {
        PgCluster cluster;
        std::printf("%d %s\n", int(cluster.serverPid()),
                    QFile::encodeName(cluster.socketFolder()).constData());
        std::fflush(stdout);
        for (;;)
            pause();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
