#pragma once
#include <QString>
#include <QStringList>

namespace ink {

// The engine's persistent configuration: an INI file in the user's
// configuration folder with one section per alias and its parameters
// (PATH, DEFAULT DRIVER). Changes stay in memory until saveConfiguration().
class AliasRegistry {
public:
    static constexpr const char* Driver = "SQLITE3";

    // Default: <generic config location>/Inkwright/DatabaseEngine.ini
    static QString defaultConfigPath();
    explicit AliasRegistry(QString configPath = defaultConfigPath());

    const QString& configPath() const { return configPath_; }

    // Reads the file again (a missing file is an empty configuration).
    void load();
    bool aliasExists(const QString& name) const;
    void addStandardAlias(const QString& name, const QString& path, const QString& driver);
    // Replaces the listed parameters ("NAME=value" lines); others stay.
    void modifyAlias(const QString& name, const QStringList& lines);
    QString parameter(const QString& alias, const QString& key) const;
    QString aliasPath(const QString& alias) const { return parameter(alias, "PATH"); }
    // Writes the configuration; StoreError naming the file and the reason.
    void saveConfiguration();

private:
    QString configPath_;
    struct Section;
    QList<QPair<QString, QList<QPair<QString, QString>>>> aliases_;
};

} // namespace ink
