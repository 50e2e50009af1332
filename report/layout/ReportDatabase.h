#pragma once
#include <QString>

namespace ink {

class AliasRegistry;

// The documentation database Inkwright set up: the file in the folder of the
// alias "Quillmark", or the URL of the server store it names. UserError when
// the alias is missing or has no folder.
QString reportDatabaseFile(const AliasRegistry& registry);

} // namespace ink
