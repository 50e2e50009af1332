#pragma once
#include <cstdint>
#include <QString>

namespace ink {

class Dialogs;

// Hands a document to the report library: loads "Leafpress.dll" from
// `libraryFolder` (the program's own folder; never a search path, never
// another file name), calls its LoadReport with `docNo` (0 when there is no
// current document) and unloads it again, whatever happened. A missing or
// unloadable library, or one without LoadReport, is reported through `dialogs`.
void RunReport(const QString& libraryFolder, std::int32_t docNo, Dialogs& dialogs);

} // namespace ink
