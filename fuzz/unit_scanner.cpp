// Unit files come from anywhere: whatever the bytes, scanning a unit must not
// crash or hang, and it must give at least one row of each kind, procedures
// first, with no empty text but a placeholder's declaration; with a build's
// defines as without, and its directives' expressions evaluated.
#include "scan/Conditionals.h"
#include "scan/SourceText.h"
#include "scan/UnitScanner.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {
bool IsProcedure(const ink::RoutineRow& row) {
    return row.procType == QLatin1String("PROCEDURE");
}

const ink::CompilerDefines& Defines() {
    static const ink::CompilerDefines defines = [] {
        ink::CompilerDefines d;
        for (const char* symbol : {"FPC", "UNIX", "LINUX", "CPU64", "A", "B", "DEBUG"})
            d.define(symbol);
        d.constants.insert("COMPILERVERSION", 36);
        d.constants.insert("FPC_FULLVERSION", 30202);
        d.switches.insert('R', false);
        return d;
    }();
    return defines;
}

void Check(QByteArrayView bytes, const ink::CompilerDefines* defines) {
    const ink::UnitRoutines routines = ink::ParseUnitRoutines(bytes, defines);
    const auto& rows = routines.rows;
    if (routines.fileSize != bytes.size() || rows.isEmpty() || !IsProcedure(rows.first()) ||
        IsProcedure(rows.last()) || !std::is_partitioned(rows.begin(), rows.end(), IsProcedure))
        __builtin_trap();
    for (const ink::RoutineRow& row : rows) {
        if (row.name.isEmpty() || row.params.isEmpty() || row.result.isEmpty())
            __builtin_trap();
    }
    if (routines.conditionals.decided < 0 || routines.conditionals.guessed < 0)
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Check(bytes, nullptr);
    Check(bytes, &Defines());
    ink::EvaluateCondition(bytes, Defines());
    // The shared decoder sees the same bytes; it must take any of them too.
    ink::DecodeSourceText(bytes);
    return 0;
}
