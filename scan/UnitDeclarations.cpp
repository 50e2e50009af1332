#include "UnitDeclarations.h"

namespace ink {

UnitDeclarations ParseUnitDeclarations(QByteArrayView, const QString&) {
    return {};
}

UnitDeclarations ScanUnitDeclarations(const QString&, const QString&, IncludeCache*) {
    return {};
}

UnitScan ScanUnit(const QString& path, const QString& projectFolder, IncludeCache* includeCache) {
    UnitScan scan;
    scan.routines = ScanUnitRoutines(path, projectFolder, includeCache);
    scan.declarations.unreadable = scan.routines.unreadable;
    scan.declarations.sources = scan.routines.sources;
    return scan;
}

} // namespace ink
