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
    // Loads the file at once (a missing file is an empty configuration). A
    // file that cannot be read does not throw here: every later use of the
    // registry raises the reading error, so start-up reports it in its own
    // step, and the file is never written over.
    explicit AliasRegistry(QString configPath = defaultConfigPath());
    ~AliasRegistry();
    AliasRegistry(const AliasRegistry&) = delete;
    AliasRegistry& operator=(const AliasRegistry&) = delete;

    const QString& configPath() const { return configPath_; }

    // Reads the file again (a missing file is an empty configuration); an
    // unreadable one raises UserError naming the file and the reason.
    void load();
    // The lookups and changes below raise the reading error of a file that
    // could not be read.
    bool aliasExists(const QString& name) const;
    // UserError when the alias exists already.
    void addStandardAlias(const QString& name, const QString& path, const QString& driver);
    // Replaces the listed parameters ("NAME=value" lines); others stay.
    // UserError when the alias does not exist.
    void modifyAlias(const QString& name, const QStringList& lines);
    QString parameter(const QString& alias, const QString& key) const;
    QString aliasPath(const QString& alias) const { return parameter(alias, "PATH"); }
    // Writes the configuration; UserError naming the file and the reason.
    void saveConfiguration();

    // The file holds one entry per line, so a name or value with a line break
    // would write a broken entry: adding or modifying refuses it (UserError),
    // and the configuration stays as it was.
    static bool spansLines(const QString& text);

private:
    struct Impl;
    void requireReadable() const;
    QString configPath_;
    QString readError_; // why the file could not be read; empty when it could
    std::unique_ptr<Impl> d_;
};

} // namespace ink
