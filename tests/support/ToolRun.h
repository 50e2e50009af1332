#pragma once
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <unistd.h>

#ifndef INKWRIGHT_BIN_DIR
#error "test programs are built with INKWRIGHT_BIN_DIR"
#endif

// One run of inkwright-tool as a script would run it: its exit status and
// what it printed.
struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

// How to run it: as a user without root's powers (permissions hold then),
// and with a limit on the size of any file it writes (a disk that fills up).
struct ToolLimits {
    bool unprivileged = false;
    qint64 fileSizeLimit = 0; // bytes; 0 for none
};

inline QString toolPath() {
    return QStringLiteral(INKWRIGHT_BIN_DIR "/inkwright-tool");
}

// A user without root's powers may not reach the build folder (a clone in a
// private folder), and the tool loads its commands library from beside
// itself: such runs use a copy of both in a folder every user can read.
inline QString toolPathForEveryone() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString tool = folder.filePath(QStringLiteral("inkwright-tool"));
        const QString library = QStringLiteral("/inkwright-tool-commands.so");
        QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7755));
        if (!QFile::copy(toolPath(), tool) ||
            !QFile::copy(QStringLiteral(INKWRIGHT_BIN_DIR) + library, folder.path() + library))
            return toolPath();
        return tool;
    }();
    return path;
}

inline ToolRun runTool(const QStringList& args, const ToolLimits& limits = {},
                       const QString& scratchFolder = {}) {
    const bool unprivileged = limits.unprivileged && geteuid() == 0;
    QStringList command{unprivileged ? toolPathForEveryone() : toolPath()};
    command += args;
    if (unprivileged)
        command =
            QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
    if (limits.fileSizeLimit > 0) {
        // A write past the limit then fails with "File too large" instead of
        // ending the process with SIGXFSZ.
        command =
            QStringList{"sh", "-c",      "trap '' XFSZ; exec \"$@\"",
                        "sh", "prlimit", QStringLiteral("--fsize=%1").arg(limits.fileSizeLimit)} +
            command;
    }
    QProcess process;
    if (!scratchFolder.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", scratchFolder);
        environment.insert("HOME", scratchFolder);
        process.setProcessEnvironment(environment);
    }
    process.start(command.takeFirst(), command);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
