#pragma once
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// What a test reads back of the files a command wrote: a file's text, and
// what a checking program (pdftotext, qpdf) prints of one.

// The file's text as UTF-8; empty when it cannot be read.
inline QString fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// What `program` printed; on failure a text that says so, which no
// expectation matches.
inline QString output(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}
