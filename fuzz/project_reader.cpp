// Project files come from anywhere: whatever the bytes, reading a project's
// uses clause must not crash, hang or leave its lists unpaired.
#include "scan/ProjectReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ink::ProjectUnits project = ink::ParseProjectUnits(bytes);
    if (project.units.size() != project.forms.size() ||
        project.units.size() != project.paths.size() || !project.error.isEmpty())
        __builtin_trap();
    for (qsizetype i = 0; i < project.units.size(); ++i) {
        if (project.units[i].isEmpty() || project.forms[i].isEmpty())
            __builtin_trap();
    }
    return 0;
}
