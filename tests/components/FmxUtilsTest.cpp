#include "components/FmxUtils.h"
#include "support/TempDir.h"

#include "support/PrintQt.h"
#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

using namespace ink;

namespace {

// A stand-in viewer: a script that writes its argument count, its arguments
// one per line and its working folder to args.txt beside itself.
QString writeRecordingProgram(const TempDir& temp) {
    const QString script =
        temp.write("bin/viewer", "#!/bin/sh\n"
                                 "out=\"$(dirname \"$0\")/args.txt\"\n"
                                 "{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; "
                                 "done; pwd; } > \"$out.tmp\"\n"
                                 "mv \"$out.tmp\" \"$out\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script;
}

// The program runs on its own; wait a little for what it recorded.
QStringList recordedLines(const QString& path) {
    QDeadlineTimer deadline(5000);
    while (!QFile::exists(path) && !deadline.hasExpired())
        QThread::msleep(10);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

// A path with blanks, longer than any fixed buffer would hold, arrives whole
// as a single argument.
TEST(LaunchFile, PassesTheWholeParameterAsOneArgument) {
    TempDir temp;
    const QString viewer = writeRecordingProgram(temp);
    const QString workDir = temp.filePath("work folder/");
    const QString unitPath =
        "/home/someone/Delphi Projects/A Rather Long Project Folder Name/Sub Folder/Main Unit.pas";
    ASSERT_GT(unitPath.size(), 79);

    EXPECT_GT(LaunchFile(viewer, unitPath, workDir), 32);
    EXPECT_EQ(recordedLines(temp.filePath("bin/args.txt")),
              QStringList({"1", unitPath, QDir(workDir).canonicalPath()}));
}

TEST(LaunchFile, EmptyParameterPassesNoArgument) {
    TempDir temp;
    const QString viewer = writeRecordingProgram(temp);
    EXPECT_GT(LaunchFile(viewer, "", ""), 32);
    const QStringList lines = recordedLines(temp.filePath("bin/args.txt"));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], "0");
}

TEST(LaunchFile, ReportsFailureAtOrBelow32) {
    TempDir temp;
    EXPECT_LE(LaunchFile(temp.filePath("no-such-program"), "a file.txt", ""), 32);
    const QString viewer = writeRecordingProgram(temp);
    EXPECT_LE(LaunchFile(viewer, "a file.txt", temp.filePath("missing-folder")), 32);
}
