#include "UserDefaults.h"

#include "ProfileFile.h"
#include "store/RegularFile.h"
#include "store/UserError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ink {
namespace {

constexpr char kSection[] = "Information";
constexpr char kFileName[] = "Settings.ini";
// Values were read into a 2048-character buffer with its terminator.
constexpr qsizetype kMaxValueLength = 2047;

// A cut never splits a character that takes two UTF-16 units.
QString CutToMaxLength(QString value) {
    if (value.size() <= kMaxValueLength)
        return value;
    value.truncate(kMaxValueLength);
    if (value.back().isHighSurrogate())
        value.chop(1);
    return value;
}

[[noreturn]] void RefuseWrite(const QString& settingsFile) {
    const QString fullPath = QDir::toNativeSeparators(QFileInfo(settingsFile).absoluteFilePath());
    throw UserError(QStringLiteral("Unable to write to %1").arg(fullPath));
}

} // namespace

QString settingsFilePath(const QString& programFolder) {
    return QDir(programFolder).filePath(kFileName);
}

QString programSettingsFilePath() {
    return settingsFilePath(QCoreApplication::applicationDirPath());
}

QString readDefault(const QString& settingsFile, const QString& key) {
    QFile file(settingsFile);
    if (!OpenRegularFile(file, settingsFile))
        return {};
    return CutToMaxLength(
        profileValue(file.readAll(), QString::fromLatin1(kSection), key).value_or(QString()));
}

void writeDefault(const QString& settingsFile, const QString& key, const QString& value) {
    // A file we cannot read is not overwritten: that would lose its other keys.
    QByteArray raw;
    QFile existing(settingsFile);
    if (existing.exists()) {
        if (!OpenRegularFile(existing, settingsFile))
            RefuseWrite(settingsFile);
        raw = existing.readAll();
        existing.close();
    }

    // One line per key: a line break in the value would start a new line of
    // the file and change what it holds.
    QString oneLine = value;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "))
        .replace(u'\r', u' ')
        .replace(u'\n', u' ');
    const QByteArray bytes = withProfileValue(raw, QString::fromLatin1(kSection), key, oneLine);

    // Written to a temporary file and renamed, so a failure midway leaves the
    // old file whole; a folder that refuses new files gets a direct write.
    QSaveFile file(settingsFile);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        RefuseWrite(settingsFile);
}

} // namespace ink
