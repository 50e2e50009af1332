#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

TempDir::TempDir() {
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

QString TempDir::filePath(const QString& relative) const {
    const QString full = dir_.filePath(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    return full;
}

QString TempDir::write(const QString& relative, const QByteArray& bytes) const {
    const QString full = filePath(relative);
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + full.toStdString());
    return full;
}
