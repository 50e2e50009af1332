#pragma once
#include <memory>
#include <QString>
#include <QStringList>

namespace ink {

// The engine's persistent configuration: an INI file in the user's
// configuration folder with one section per alias and its parameters
// (PATH, DEFAULT DRIVER). Changes stay in memory until saveConfiguration().
// Sections, keys and comments the program does not know are kept as they are;
// alias and key names match without regard to case.
class AliasRegistry {
public:
    static constexpr const char* Driver = "SQLITE3";

    // Default: <generic config location>/Inkwright/DatabaseEngine.ini
    static QString defaultConfigPath();
    // Loads the file at once (a missing file is an empty configuration).
    explicit AliasRegistry(QString configPath = defaultConfigPath());
    ~AliasRegistry();
    AliasRegistry(const AliasRegistry&) = delete;
    AliasRegistry& operator=(const AliasRegistry&) = delete;

    const QString& configPath() const { return configPath_; }

    // Reads the file again (a missing file is an empty configuration); an
    // unreadable one raises StoreError naming the file and the reason.
    void load();
    bool aliasExists(const QString& name) const;
    // StoreError when the alias exists already.
    void addStandardAlias(const QString& name, const QString& path, const QString& driver);
    // Replaces the listed parameters ("NAME=value" lines); others stay.
    // StoreError when the alias does not exist.
    void modifyAlias(const QString& name, const QStringList& lines);
    QString parameter(const QString& alias, const QString& key) const;
    QString aliasPath(const QString& alias) const { return parameter(alias, "PATH"); }
    // Writes the configuration; StoreError naming the file and the reason.
    void saveConfiguration();

private:
    struct Impl;
    QString configPath_;
    std::unique_ptr<Impl> d_;
};

} // namespace ink
