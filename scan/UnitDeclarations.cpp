#include "UnitDeclarations.h"

#include <QFileInfo>

#include <optional>

#include "DeclarationReader.h"
#include "IncludeFiles.h"
#include "SourceText.h"

namespace ink {

namespace {

// A read that follows a build's defines puts an include file in wherever the
// compiler would; one that reads every branch puts each file in once.
IncludeRepeats IncludeRepeatsFor(const CompilerDefines* defines) {
    return defines ? IncludeRepeats::AsCompiled : IncludeRepeats::Once;
}

} // namespace

UnitDeclarations ParseUnitDeclarations(QByteArrayView bytes, const QString& sourceFile) {
    UnitDeclarations result;
    result.declarations = DeclarationReader(bytes, {}, sourceFile).read();
    return result;
}

UnitScan ScanUnit(const QString& path, const QString& projectFolder, IncludeCache* includeCache,
                  const CompilerDefines* defines) {
    UnitScan scan;
    QList<FileStamp> sources{StampFile(path)};
    QString failure;
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit, nullptr, &failure);
    if (!bytes) {
        scan.routines = ParseUnitRoutines({});
        scan.routines.unreadable = true;
        scan.routines.readFailure = failure;
        scan.declarations.unreadable = true;
        return scan;
    }
    QList<IncludedPiece> pieces;
    const QByteArray expanded = ExpandInterfaceIncludes(
        *bytes, path, projectFolder, includeCache, &sources, &pieces, IncludeRepeatsFor(defines));
    scan.routines = ParseUnitRoutines(expanded, defines);
    scan.routines.fileSize =
        sources.first().size >= 0 ? sources.first().size : QFileInfo(path).size();
    scan.routines.sources = sources;
    scan.declarations.declarations =
        DeclarationReader(expanded, std::move(pieces), path, defines).read();
    scan.declarations.sources = std::move(sources);
    return scan;
}

UnitDeclarations ScanUnitDeclarations(const QString& path, const QString& projectFolder,
                                      IncludeCache* includeCache, const CompilerDefines* defines) {
    UnitDeclarations result;
    result.sources << StampFile(path);
    const std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit);
    if (!bytes) {
        result.unreadable = true;
        result.sources.clear();
        return result;
    }
    QList<IncludedPiece> pieces;
    const QByteArray expanded =
        ExpandInterfaceIncludes(*bytes, path, projectFolder, includeCache, &result.sources, &pieces,
                                IncludeRepeatsFor(defines));
    result.declarations = DeclarationReader(expanded, std::move(pieces), path, defines).read();
    return result;
}

} // namespace ink
