// Unit files come from anywhere: whatever the bytes, reading a unit's
// declarations must not crash or hang, and what it gives must hang together:
// every owner is an earlier structure, named by the owner path, and every
// declaration has a kind's name, a name and a line.
#include "scan/UnitDeclarations.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ink::UnitDeclarations unit = ink::ParseUnitDeclarations(bytes, QStringLiteral("F.pas"));
    const auto& all = unit.declarations;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const ink::Declaration& d = all[i];
        if (d.name.isEmpty() || d.line < 1 || d.sourceFile != QLatin1String("F.pas") ||
            ink::DeclKindName(d.kind).isEmpty())
            __builtin_trap();
        if (d.parent < -1 || d.parent >= i)
            __builtin_trap();
        const QString owner = d.parent < 0 ? QString()
                                           : (all[d.parent].owner.isEmpty()
                                                  ? QString()
                                                  : all[d.parent].owner + QLatin1Char('.')) +
                                                 all[d.parent].name;
        if (d.owner != owner)
            __builtin_trap();
        if (d.parent >= 0 && ink::DeclKindGroup(all[d.parent].kind) != ink::DeclGroup::Structures)
            __builtin_trap();
    }
    return 0;
}
