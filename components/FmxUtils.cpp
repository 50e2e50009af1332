#include "FmxUtils.h"

#include <QDir>
#include <QProcess>

namespace ink {

int LaunchFile(const QString& fileName, const QString& parameters, const QString& defaultDir,
               int /*showMode*/) {
    if (!defaultDir.isEmpty() && !QDir(defaultDir).exists())
        return kLaunchPathNotFound;
    QStringList arguments;
    if (!parameters.isEmpty())
        arguments << parameters;
    if (!QProcess::startDetached(fileName, arguments, defaultDir))
        return kLaunchFileNotFound;
    return kLaunchStarted;
}

QString TextViewerProgram() {
#ifdef Q_OS_WIN
    return QStringLiteral("notepad.exe");
#else
    return QStringLiteral("xdg-open");
#endif
}

} // namespace ink
