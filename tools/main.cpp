// inkwright-tool: the headless companion of Inkwright. It reads its arguments
// (the program itself reads none) and runs one subcommand.
//
// A script runs the reading commands (search, coverage, check ...) often and
// expects an answer as quick as the database's own shell gives: this program
// holds them and loads only Qt Core, SQLite and libpq. So do build and
// refresh, whose memory is what a large project's build is measured by: Qt
// GUI and the rest would add a tenth to it. The commands that lay out
// reports, read version resources or share the window's document commands
// (export, import-comments, verinfo) need Qt GUI, fonts and more; they live
// in a library beside the program, loaded only when one of them, the help or
// an unknown name is asked for.
#include <cstdio>
#include <QFileInfo>
#include <QLibrary>
#include <QStandardPaths>

#include "ToolMain.h"

namespace {

std::unique_ptr<QCoreApplication> makeCoreApplication(int& argc, char* argv[], bool) {
    return std::make_unique<QCoreApplication>(argc, argv);
}

// This program's folder, found before any application object exists (the
// library makes its own, a GUI one where a command needs it).
QString programFolder(const char* argv0) {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (!self.isEmpty())
        return QFileInfo(self).absolutePath();
    QString path = QString::fromLocal8Bit(argv0);
    if (!path.contains(QLatin1Char('/')) && !path.contains(QLatin1Char('\\')))
        path = QStandardPaths::findExecutable(path);
    return QFileInfo(path).absolutePath();
}

using LibraryMain = int (*)(int argc, char* argv[]);

int runInCommandsLibrary(int argc, char* argv[]) {
    QLibrary library(programFolder(argv[0]) + QStringLiteral("/inkwright-tool-commands"));
    const auto run = reinterpret_cast<LibraryMain>(library.resolve("InkwrightToolMain"));
    if (!run) {
        std::fprintf(stderr, "inkwright-tool: cannot load its commands: %s\n",
                     qPrintable(library.errorString()));
        return 1;
    }
    // Never unloaded: the process ends with the command.
    return run(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc >= 2 && holdsToolCommand(argv[1]))
        return runToolCommand(argc, argv, makeCoreApplication);
    return runInCommandsLibrary(argc, argv);
}
