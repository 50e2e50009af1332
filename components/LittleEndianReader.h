#pragma once
#include <optional>
#include <QByteArrayView>
#include <QtEndian>

namespace ink {

// Bounds-checked little-endian reads from untrusted bytes. A read that would
// reach past the end gives nothing instead of touching memory outside the
// view, so a parser built on it cannot overrun its buffer whatever the file
// claims. Offsets are 64-bit so that adding two 32-bit file fields never wraps.
class LittleEndianReader {
public:
    explicit LittleEndianReader(QByteArrayView bytes) : bytes_(bytes) {}

    quint64 size() const { return quint64(bytes_.size()); }
    bool holds(quint64 offset, quint64 length) const {
        return offset <= size() && length <= size() - offset;
    }

    std::optional<quint16> u16(quint64 offset) const {
        if (!holds(offset, 2))
            return std::nullopt;
        return qFromLittleEndian<quint16>(bytes_.data() + offset);
    }
    std::optional<quint32> u32(quint64 offset) const {
        if (!holds(offset, 4))
            return std::nullopt;
        return qFromLittleEndian<quint32>(bytes_.data() + offset);
    }

private:
    QByteArrayView bytes_;
};

} // namespace ink
