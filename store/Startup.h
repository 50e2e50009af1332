#pragma once
#include <QString>

namespace ink {

class AliasRegistry;
class TDM1;

// The data directory: the executable's folder followed by "Data".
QString dataDirectoryFor(const QString& executableFolder);

// Creates the data directory with its parents. A failure raises UserError
// naming the path and the system's reason.
void createDataDirectory(const QString& path);

// Adds the alias when missing (if allowed), re-points it at AliasPath and
// saves the configuration. False, with nothing changed, when it is missing
// and CreateIfMissing is false. A path with a line break is refused
// (UserError) with the alias left as it was. A server alias
// (DEFAULT DRIVER=POSTGRESQL) is left as the user set it: true, nothing saved.
bool EnsureDatabaseAlias(AliasRegistry& registry, const QString& AliasName,
                         const QString& AliasPath, bool CreateIfMissing);

// Opens DocsLib, UnitsLib, ProcsLib and DeclsLib in that order; a table that does not
// exist is created and opened. A table that exists but cannot be opened is
// never replaced: UserError names the file and why, and that table and the
// ones after it stay closed.
void OpenOrCreateTables(TDM1& dm);

} // namespace ink
