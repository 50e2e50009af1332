#include "UserDefaults.h"

#include "scan/SourceText.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// We hand SimpleIni text we have already decoded, so it needs no converter;
// this is the one file that instantiates it.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace ink {
namespace {

constexpr char kSection[] = "Information";
constexpr char kFileName[] = "Settings.ini";
// Values were read into a 2048-character buffer with its terminator.
constexpr qsizetype kMaxValueLength = 2047;
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// The settings file as text, with what we need to write it back the same way.
struct SettingsText {
    QByteArray utf8; // line breaks as "\n"
    bool hasBom = false;
    bool crlf = false;
};

SettingsText DecodeSettings(const QByteArray& raw) {
    SettingsText text;
    text.hasBom = raw.startsWith(kUtf8Bom);
    text.crlf = raw.contains("\r\n");
    text.utf8 = DecodeSourceText(raw).toUtf8().replace("\r\n", "\n");
    return text;
}

void Load(CSimpleIniA& ini, const SettingsText& text) {
    ini.SetSpaces(false); // "key=value", as the system's profile functions write
    ini.LoadData(text.utf8.constData(), size_t(text.utf8.size()));
}

bool IsBlank(const QByteArray& line) {
    return line.trimmed().isEmpty();
}

bool IsComment(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    return trimmed.startsWith(';') || trimmed.startsWith('#');
}

// SimpleIni keeps a comment only when a section or key follows it, so the
// comment lines that end a file would vanish on the first save. This finds
// them so they can be put back.
QByteArray TrailingComments(const QByteArray& utf8) {
    const QList<QByteArray> lines = utf8.split('\n');
    qsizetype start = lines.size();
    while (start > 0 && (IsBlank(lines[start - 1]) || IsComment(lines[start - 1])))
        --start;
    // In a file of comments only, SimpleIni keeps the lines from the very
    // first one up to a line that does not begin with a comment mark, as the
    // file's own comment.
    if (start == 0) {
        while (start < lines.size() &&
               (lines[start].startsWith(';') || lines[start].startsWith('#')))
            ++start;
    }
    return lines.mid(start).join('\n').trimmed();
}

QByteArray Encode(QByteArray saved, const SettingsText& original) {
    const QByteArray trailing = TrailingComments(original.utf8);
    if (!trailing.isEmpty())
        saved += trailing + '\n';
    if (original.crlf)
        saved.replace("\n", "\r\n");
    if (original.hasBom)
        saved.prepend(kUtf8Bom);
    return saved;
}

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
    throw StoreError(QStringLiteral("Unable to write to %1").arg(fullPath));
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
    if (!file.open(QIODevice::ReadOnly))
        return {};
    CSimpleIniA ini;
    Load(ini, DecodeSettings(file.readAll()));
    return CutToMaxLength(QString::fromUtf8(ini.GetValue(kSection, key.toUtf8().constData(), "")));
}

void writeDefault(const QString& settingsFile, const QString& key, const QString& value) {
    // A file we cannot read is not overwritten: that would lose its other keys.
    QByteArray raw;
    QFile existing(settingsFile);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            RefuseWrite(settingsFile);
        raw = existing.readAll();
        existing.close();
    }
    const SettingsText original = DecodeSettings(raw);
    CSimpleIniA ini;
    Load(ini, original);

    // One line per key: a line break in the value would start a new line of
    // the file and change what it holds.
    QString oneLine = value;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "))
        .replace(u'\r', u' ')
        .replace(u'\n', u' ');
    ini.SetValue(kSection, key.toUtf8().constData(), oneLine.toUtf8().constData());
    std::string saved;
    ini.Save(saved);
    const QByteArray bytes = Encode(QByteArray::fromStdString(saved), original);

    // Written to a temporary file and renamed, so a failure midway leaves the
    // old file whole; a folder that refuses new files gets a direct write.
    QSaveFile file(settingsFile);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        RefuseWrite(settingsFile);
}

} // namespace ink
