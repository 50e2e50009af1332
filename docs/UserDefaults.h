#pragma once
#include <QString>

namespace ink {

// The author and company defaults, kept in "Settings.ini" beside the program
// (section "Information"). Every call opens the file afresh and lets it go;
// nothing is cached between commands.

inline constexpr char kDefaultAuthorKey[] = "Author";
inline constexpr char kDefaultCompanyKey[] = "Company";

// The settings file in a program folder.
QString settingsFilePath(const QString& programFolder);
// The settings file beside the running program, whatever the current folder.
QString programSettingsFilePath();

// The value of a key of the "Information" section, at most 2047 characters,
// without enclosing quotes. A missing file, section or key reads as empty
// text; reading never creates the file.
QString readDefault(const QString& settingsFile, const QString& key);

// Sets one key of the "Information" section, creating the file and the
// section when needed. Only that key's line changes (or is added to its
// section); every other byte of the file stays as it was. Throws
// UserError "Unable to write to <full path>" when the file cannot be
// written, and leaves the file as it was.
void writeDefault(const QString& settingsFile, const QString& key, const QString& value);

} // namespace ink
