// Comments are read from units that come from anywhere: whatever the bytes,
// reading them must not crash or hang, and no comment text may keep its
// markers' line breaks at either end.
#include "scan/DeclarationComments.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const ink::DeclarationComments found = ink::ParseDeclarationComments(bytes);
    auto trimmedAtEnds = [](const QString& text) {
        return text.isEmpty() ||
               (!text.startsWith(QLatin1Char('\n')) && !text.endsWith(QLatin1Char('\n')));
    };
    if (!trimmedAtEnds(found.unit))
        __builtin_trap();
    for (const QString& text : found.routines)
        if (text.isEmpty() || !trimmedAtEnds(text))
            __builtin_trap();
    // The comments by line, as the import matches them to declarations.
    const QHash<int, QString> byLine = ink::ParseCommentsByLine(bytes);
    for (auto line = byLine.cbegin(); line != byLine.cend(); ++line)
        if (line.key() < 1 || line.value().isEmpty() || !trimmedAtEnds(line.value()))
            __builtin_trap();
    return 0;
}
