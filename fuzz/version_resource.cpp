// Feeds arbitrary bytes to the version resource reader, both as a whole file
// image and directly as a version block (the fuzzer rarely builds a valid PE
// path down to a block on its own), and asks for the strings the capture asks
// for.
#include "components/VersionInfoBlock.h"
#include "components/VersionResource.h"

#include <cstddef>
#include <cstdint>

namespace {

void QueryStrings(const ink::VersionInfoBlock& block) {
    static const char* const keys[] = {
        "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
        "LegalTradeMarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};
    const QString table = QStringLiteral("StringFileInfo\\%1\\").arg(block.stringTableToRead());
    for (const char* key : keys)
        block.queryText(table + QLatin1String(key));
    block.stringTableNames();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    QueryStrings(ink::VersionInfoBlock(ink::VersionResourceOfImage(bytes)));
    QueryStrings(ink::VersionInfoBlock(bytes.toByteArray()));
    return 0;
}
