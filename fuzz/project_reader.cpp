// Project files and their option files come from anywhere: whatever the
// bytes, reading them must not crash or hang, must leave a uses clause's
// lists paired, and must give only absolute folders and well-formed names.
// The first byte chooses the reader, so one corpus covers them all.
#include "scan/ProjectOptions.h"
#include "scan/ProjectReader.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkClause(QByteArrayView bytes, ink::UnitsClause clause) {
    const ink::ProjectUnits project = ink::ParseProjectUnits(bytes, clause);
    if (project.units.size() != project.forms.size() ||
        project.units.size() != project.paths.size() || !project.error.isEmpty())
        __builtin_trap();
    for (qsizetype i = 0; i < project.units.size(); ++i) {
        if (project.units[i].isEmpty() || project.forms[i].isEmpty())
            __builtin_trap();
    }
}

void checkFolders(const QStringList& folders) {
    for (const QString& folder : folders)
        if (folder.isEmpty() ||
            (!folder.startsWith(u'/') && !(folder.size() >= 2 && folder[1] == u':')) ||
            folder.contains(QLatin1String("$(")))
            __builtin_trap();
}

void checkOptions(const ink::ProjectOptions& options) {
    checkFolders(options.unitSearchPaths);
    checkFolders(options.includePaths);
    checkFolders(options.listedUnits);
    // Each listed unit has a name, looked for as a file: never a path.
    if (options.listedUnitNames.size() != options.listedUnits.size())
        __builtin_trap();
    for (const QString& name : options.listedUnitNames)
        if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\'))
            __builtin_trap();
    // The configuration a new document takes is one the options have.
    if (!options.defaultConfiguration.isEmpty()) {
        bool known = false;
        for (const ink::ProjectConfiguration& configuration : options.configurations)
            known = known || options.defaultConfiguration.startsWith(configuration.name,
                                                                     Qt::CaseInsensitive);
        if (!known)
            __builtin_trap();
    }
    checkFolders(options.listedIncludeFiles);
    for (const ink::ProjectConfiguration& configuration : options.configurations) {
        checkFolders(configuration.unitSearchPaths);
        checkFolders(configuration.includePaths);
        for (const QString& define : configuration.defines)
            if (define.isEmpty())
                __builtin_trap();
    }
    for (const QString& define : options.defines)
        if (define.isEmpty())
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString folder = QStringLiteral("/project/folder");
    ink::ProjectOptions options;
    switch (data[0] % 7) {
    case 0:
        checkClause(bytes, ink::UnitsClause::Uses);
        return 0;
    case 1:
        checkClause(bytes, ink::UnitsClause::Contains);
        return 0;
    case 2:
        ink::ParseDprojOptions(bytes, folder, options);
        break;
    case 3:
        ink::ParseLpiOptions(bytes, folder, options);
        break;
    case 4:
        ink::ParseLpkOptions(bytes, folder, options);
        break;
    case 5:
        ink::ParseCfgOptions(bytes, folder, options);
        break;
    case 6:
        ink::ParseDofOptions(bytes, folder, options);
        break;
    }
    checkOptions(options);
    return 0;
}
