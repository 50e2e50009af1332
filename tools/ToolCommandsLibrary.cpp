// The library of inkwright-tool's commands that need Qt GUI or the
// components (see main.cpp). It holds every command, the program's own
// too, so that the help it prints lists them all.
#include <QGuiApplication>
#include <QtGlobal>

#include "ToolMain.h"

namespace {

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[], bool gui) {
    if (!gui)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the tool never shows a window
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

extern "C" Q_DECL_EXPORT int InkwrightToolMain(int argc, char* argv[]) {
    return runToolCommand(argc, argv, makeApplication);
}
