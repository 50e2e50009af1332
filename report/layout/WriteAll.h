#pragma once
#include <QByteArrayView>
#include <QIODevice>

namespace ink {

// Writes all of `bytes`; false when the device refused, its errorString()
// then says why. A full disk first takes part of a write without a
// complaint; the write of the rest then fails and says why.
inline bool writeAll(QIODevice& device, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const qint64 written = device.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

} // namespace ink
