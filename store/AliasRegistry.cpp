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

#include "StoreError.h"

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
    load();
}

AliasRegistry::~AliasRegistry() = default;

void AliasRegistry::load() {
    d_->ini.Reset();
    if (!QFileInfo::exists(configPath_))
        return;
    QFile file(configPath_);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("Cannot read the configuration \"%1\": %2")
                             .arg(configPath_, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (d_->ini.LoadData(bytes.constData(), size_t(bytes.size())) < 0)
        throw StoreError(
            QStringLiteral("Cannot read the configuration \"%1\": it is not an INI file")
                .arg(configPath_));
}

bool AliasRegistry::aliasExists(const QString& name) const {
    return d_->ini.SectionExists(utf8(name).c_str());
}

void AliasRegistry::addStandardAlias(const QString& name, const QString& path,
                                     const QString& driver) {
    if (aliasExists(name))
        throw StoreError(QStringLiteral("The database alias \"%1\" already exists").arg(name));
    const std::string section = utf8(name);
    d_->ini.SetValue(section.c_str(), "PATH", utf8(path).c_str());
    d_->ini.SetValue(section.c_str(), "DEFAULT DRIVER", utf8(driver).c_str());
}

void AliasRegistry::modifyAlias(const QString& name, const QStringList& lines) {
    if (!aliasExists(name))
        throw StoreError(QStringLiteral("Unknown database alias \"%1\"").arg(name));
    const std::string section = utf8(name);
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            throw StoreError(QStringLiteral("Invalid alias parameter \"%1\"").arg(line));
        const std::string key = utf8(line.left(equals).trimmed());
        d_->ini.SetValue(section.c_str(), key.c_str(), utf8(line.mid(equals + 1)).c_str());
    }
}

QString AliasRegistry::parameter(const QString& alias, const QString& key) const {
    const char* value = d_->ini.GetValue(utf8(alias).c_str(), utf8(key).c_str(), nullptr);
    return value ? QString::fromUtf8(value) : QString();
}

void AliasRegistry::saveConfiguration() {
    const QString failure = QStringLiteral("Cannot write the configuration \"%1\": %2");
    std::string text;
    if (d_->ini.Save(text) < 0)
        throw StoreError(failure.arg(configPath_, QStringLiteral("out of memory")));
    const QString folder = QFileInfo(configPath_).absolutePath();
    if (!QDir().mkpath(folder))
        throw StoreError(failure.arg(configPath_, QStringLiteral("cannot create the folder")));
    // Written whole or not at all, so a crash never leaves half a configuration.
    QSaveFile file(configPath_);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit())
        throw StoreError(failure.arg(configPath_, file.errorString()));
}

} // namespace ink
