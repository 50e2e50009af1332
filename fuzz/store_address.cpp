// A server address is typed by a person or passed to a script: whatever the
// text (a URL or libpq's keyword/value form), reading it must not crash,
// and an address it accepts must read back the same from the URL it writes.
#include "store/StoreAddress.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<ink::StoreAddress> address = ink::StoreAddress::fromText(text, &error);
    if (!address) {
        if (error.isEmpty())
            __builtin_trap(); // a refusal always says why
        return 0;
    }
    const std::optional<ink::StoreAddress> again = ink::StoreAddress::fromUrl(address->url());
    if (!again || again->server != address->server || again->port != address->port ||
        again->database != address->database || again->user != address->user)
        __builtin_trap();
    return 0;
}
