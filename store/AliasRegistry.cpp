#include "AliasRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
// UTF-8 passes through as bytes; only the narrow-character parser is needed.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // Debian ships the template bodies behind this switch
#include <SimpleIni.h>
#include <string>

#include "RegularFile.h"

#include "UserError.h"

namespace ink {

struct AliasRegistry::Impl {
    CSimpleIniA ini{true, false, false}; // UTF-8, one value per key, no multi-line
};

namespace {

std::string utf8(const QString& text) {
    return text.toStdString();
}

} // namespace

QString AliasRegistry::defaultConfigPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Inkwright/DatabaseEngine.ini");
}

AliasRegistry::AliasRegistry(QString configPath)
    : configPath_(std::move(configPath)), d_(std::make_unique<Impl>()) {
    try {
        load();
    } catch (const UserError&) {
        // Kept in readError_ and raised by the first use.
    }
}

AliasRegistry::~AliasRegistry() = default;

void AliasRegistry::load() {
    d_->ini.Reset();
    readError_.clear();
    if (!QFileInfo::exists(configPath_))
        return;
    const QString failure = QStringLiteral("Cannot read the configuration \"%1\": %2");
    QFile file(configPath_);
    if (QFileInfo(configPath_).isDir())
        readError_ = failure.arg(configPath_, QStringLiteral("it is a folder"));
    else if (!IsRegularFile(configPath_))
        readError_ = failure.arg(configPath_, QStringLiteral("it is not a file"));
    else if (!OpenRegularFile(file, configPath_))
        readError_ = failure.arg(configPath_, file.errorString());
    if (readError_.isEmpty()) {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            readError_ = failure.arg(configPath_, file.errorString());
        else if (d_->ini.LoadData(bytes.constData(), size_t(bytes.size())) < 0)
            readError_ = failure.arg(configPath_, QStringLiteral("it is not an INI file"));
    }
    if (!readError_.isEmpty()) {
        d_->ini.Reset();
        throw UserError(readError_);
    }
}

void AliasRegistry::requireReadable() const {
    if (!readError_.isEmpty())
        throw UserError(readError_);
}

bool AliasRegistry::spansLines(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

namespace {

void refuseLineBreak(const QString& alias, const QString& what) {
    if (AliasRegistry::spansLines(what))
        throw UserError(
            QStringLiteral("The database alias \"%1\" cannot hold \"%2\": the configuration "
                           "keeps one entry per line, and this text holds a line break")
                .arg(alias, what));
}

} // namespace

bool AliasRegistry::aliasExists(const QString& name) const {
    requireReadable();
    return d_->ini.SectionExists(utf8(name).c_str());
}

void AliasRegistry::addStandardAlias(const QString& name, const QString& path,
                                     const QString& driver) {
    if (aliasExists(name))
        throw UserError(QStringLiteral("The database alias \"%1\" already exists").arg(name));
    for (const QString& text : {name, path, driver})
        refuseLineBreak(name, text);
    const std::string section = utf8(name);
    d_->ini.SetValue(section.c_str(), "PATH", utf8(path).c_str());
    d_->ini.SetValue(section.c_str(), "DEFAULT DRIVER", utf8(driver).c_str());
}

void AliasRegistry::modifyAlias(const QString& name, const QStringList& lines) {
    if (!aliasExists(name))
        throw UserError(QStringLiteral("Unknown database alias \"%1\"").arg(name));
    // All lines are checked before the first is applied, so a refused list
    // changes nothing.
    for (const QString& line : lines) {
        if (line.indexOf(QLatin1Char('=')) <= 0)
            throw UserError(QStringLiteral("Invalid alias parameter \"%1\"").arg(line));
        refuseLineBreak(name, line);
    }
    const std::string section = utf8(name);
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const std::string key = utf8(line.left(equals).trimmed());
        d_->ini.SetValue(section.c_str(), key.c_str(), utf8(line.mid(equals + 1)).c_str());
    }
}

QString AliasRegistry::parameter(const QString& alias, const QString& key) const {
    requireReadable();
    const char* value = d_->ini.GetValue(utf8(alias).c_str(), utf8(key).c_str(), nullptr);
    return value ? QString::fromUtf8(value) : QString();
}

void AliasRegistry::saveConfiguration() {
    // A file we could not read is never written over: that would lose the
    // aliases of every other program in it.
    requireReadable();
    const QString failure = QStringLiteral("Cannot write the configuration \"%1\": %2");
    std::string text;
    if (d_->ini.Save(text) < 0)
        throw UserError(failure.arg(configPath_, QStringLiteral("out of memory")));
    const QString folder = QFileInfo(configPath_).absolutePath();
    if (!QDir().mkpath(folder))
        throw UserError(failure.arg(configPath_, QStringLiteral("cannot create the folder")));
    // Written whole or not at all, so a crash never leaves half a configuration.
    QSaveFile file(configPath_);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit())
        throw UserError(failure.arg(configPath_, file.errorString()));
}

} // namespace ink
