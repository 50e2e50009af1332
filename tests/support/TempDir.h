#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A scratch folder that lives for one test, with helpers to lay files in it.
class TempDir {
public:
    TempDir();
    QString path() const { return dir_.path(); }
    // Full path of a file below the folder; parent folders are created.
    QString filePath(const QString& relative) const;
    // Writes bytes to a file below the folder and returns its full path.
    QString write(const QString& relative, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};
