#include "UnitDeclarations.h"

#include <optional>
#include <string>
#include <vector>

#include "DeclarationReader.h"
#include "IncludeFiles.h"
#include "InterfaceTokens.h"
#include "PascalLexer.h"
#include "SourceText.h"

#include <algorithm>
#include <array>
#include <QFileInfo>
#include <QHash>
#include <unordered_map>
#include <vector>

namespace ink {

namespace {

struct KindInfo {
    DeclKind kind;
    const char* name;
    DeclGroup group;
};
constexpr std::array<KindInfo, 17> kinds{{
    {DeclKind::Class, "class", DeclGroup::Structures},
    {DeclKind::Record, "record", DeclGroup::Structures},
    {DeclKind::Interface, "interface", DeclGroup::Structures},
    {DeclKind::Object, "object", DeclGroup::Structures},
    {DeclKind::Helper, "helper", DeclGroup::Structures},
    {DeclKind::Type, "type", DeclGroup::Types},
    {DeclKind::Const, "const", DeclGroup::Constants},
    {DeclKind::ResourceString, "resourcestring", DeclGroup::Constants},
    {DeclKind::Var, "var", DeclGroup::Variables},
    {DeclKind::ThreadVar, "threadvar", DeclGroup::Variables},
    {DeclKind::Procedure, "procedure", DeclGroup::Routines},
    {DeclKind::Function, "function", DeclGroup::Routines},
    {DeclKind::Constructor, "constructor", DeclGroup::Routines},
    {DeclKind::Destructor, "destructor", DeclGroup::Routines},
    {DeclKind::Operator, "operator", DeclGroup::Routines},
    {DeclKind::Property, "property", DeclGroup::Properties},
    {DeclKind::Field, "field", DeclGroup::Fields},
}};

} // namespace

QString DeclKindName(DeclKind kind) {
    // Made once and shared: a build names the kind of every declaration it writes.
    static const std::vector<QString> names = [] {
        std::vector<QString> all;
        for (const KindInfo& info : kinds)
            all.push_back(QString::fromLatin1(info.name));
        return all;
    }();
    return names[std::size_t(kind)];
}

bool DeclKindFromName(const QString& name, DeclKind* kind) {
    for (const KindInfo& info : kinds) {
        if (name.compare(QLatin1StringView(info.name), Qt::CaseInsensitive) == 0) {
            *kind = info.kind;
            return true;
        }
    }
    return false;
}

DeclGroup DeclKindGroup(DeclKind kind) {
    return kinds[std::size_t(kind)].group;
}

QString DeclGroupName(DeclGroup group) {
    static const char* const names[] = {"structures", "types",     "routines", "properties",
                                        "fields",     "constants", "variables"};
    return QLatin1StringView(names[std::size_t(group)]);
}

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
