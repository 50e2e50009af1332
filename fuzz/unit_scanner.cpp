// Unit files come from anywhere: whatever the bytes, scanning a unit must not
// crash or hang, and its lists must stay paired and never empty.
#include "scan/SourceText.h"
#include "scan/UnitScanner.h"

#include <cstddef>
#include <cstdint>

namespace {
bool HasEmpty(const QStringList& list) {
    return list.isEmpty() || list.contains(QString());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ink::UnitRoutines routines = ink::ParseUnitRoutines(bytes);
    const qsizetype procedures = routines.procedureNames.size();
    const qsizetype functions = routines.functionNames.size();
    if (routines.procedureParams.size() != procedures ||
        routines.functionParams.size() != functions ||
        routines.functionResults.size() != functions || routines.fileSize != bytes.size())
        __builtin_trap();
    if (HasEmpty(routines.procedureNames) || HasEmpty(routines.procedureParams) ||
        HasEmpty(routines.functionNames) || HasEmpty(routines.functionParams) ||
        HasEmpty(routines.functionResults))
        __builtin_trap();
    if (ink::RoutineRows(routines).size() != procedures + functions)
        __builtin_trap();
    // The shared decoder sees the same bytes; it must take any of them too.
    ink::DecodeSourceText(bytes);
    return 0;
}
