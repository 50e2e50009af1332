// A unit's declarations as read matched to the rows stored for it.
#include "DeclarationRows.h"

#include <bit>
#include <cstring>

#include "store/DeclarationChanges.h"
#include "store/NewDeclarations.h"
#include "store/TDM1.h"

namespace ink {

void WriteDeclarations(TDM1& dm, const UnitDeclarations& found, SeenStamps& seen,
                       const QDateTime& stamp) {
    NewDeclarations inserts(dm.database(), stamp);
    WriteDeclarations(dm, found, seen, inserts, stamp);
}

int WriteDeclarations(TDM1& dm, const UnitDeclarations& found, SeenStamps& seen,
                      NewDeclarations& inserts, const QDateTime& stamp) {
    // The unit's own file is not repeated in every row: only an include
    // file is named.
    const QString unitFile = found.sources.isEmpty() ? QString() : found.sources.first().path;
    return UpdateDeclarations(dm, found.declarations, unitFile, seen, inserts, stamp);
}

namespace {

// Two 64-bit lanes, each mixing every word. Qt's own hashes are seeded
// per process, and this digest is kept between runs; a false match would
// leave a changed declaration unwritten, so two lanes of differently mixed
// products.
class Digest {
public:
    // Sixteen bytes a step, each lane taking both words, so that the two
    // multiplications of a step do not wait for one another.
    void add(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        // The length first, so that where one text ends and the next begins counts.
        a_ ^= size;
        b_ ^= std::rotl(quint64(size), 32);
        quint64 first = 0;
        quint64 second = 0;
        for (; size >= 16; bytes += 16, size -= 16) {
            std::memcpy(&first, bytes, 8);
            std::memcpy(&second, bytes + 8, 8);
            mix(first, second);
        }
        // The rest, zero-padded: byte i at bit 8 * (i % 8) of its word. On a
        // little-endian machine that is a copy; most texts are short, so
        // this tail is much of the work.
        if constexpr (std::endian::native == std::endian::little) {
            unsigned char tail[16] = {};
            std::memcpy(tail, bytes, size);
            std::memcpy(&first, tail, 8);
            std::memcpy(&second, tail + 8, 8);
        } else {
            first = 0;
            second = 0;
            for (size_t i = 0; i < size; ++i)
                (i < 8 ? first : second) |= quint64(bytes[i]) << (8 * (i % 8));
        }
        mix(first, second);
    }
    void mix(quint64 first, quint64 second) {
        a_ = (a_ ^ first ^ std::rotl(second, 17)) * 0x9e3779b97f4a7c15ULL;
        a_ ^= a_ >> 32;
        b_ = (b_ ^ second ^ std::rotl(first, 31)) * 0xc2b2ae3d27d4eb4fULL;
        b_ ^= b_ >> 29;
    }
    QString text() const {
        return QString::number(a_, 16) + QLatin1Char('-') + QString::number(b_, 16);
    }

private:
    quint64 a_ = 0x243f6a8885a308d3ULL;
    quint64 b_ = 0x13198a2e03707344ULL;
};

} // namespace

QString ReadDigest(const UnitScan& scan) {
    Digest digest;
    auto text = [&](const QString& value) {
        digest.add(value.constData(), size_t(value.size()) * sizeof(QChar));
    };
    auto number = [&](qint64 value) {
        digest.mix(quint64(value), 0);
    };
    number(scan.routines.rows.size());
    for (const RoutineRow& row : scan.routines.rows) {
        text(row.procType);
        text(row.name);
        text(row.params);
        text(row.result);
        text(row.declaration);
    }
    // What the store keeps of each declaration, field by field as the model
    // lists them, so that no field can be left out of the digest.
    const QString unitFile =
        scan.declarations.sources.isEmpty() ? QString() : scan.declarations.sources.first().path;
    const std::span<const DeclarationField> fields = DeclarationFields();
    number(scan.declarations.declarations.size());
    for (const Declaration& d : scan.declarations.declarations) {
        number(d.parent);
        for (const DeclarationField& field : fields) {
            if (field.number)
                number(field.number(d));
            else
                text(field.text(d, unitFile));
        }
    }
    return digest.text();
}

} // namespace ink
