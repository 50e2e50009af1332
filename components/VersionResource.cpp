#include "VersionResource.h"

#include "LittleEndianReader.h"
#include "store/RegularFile.h"

#include <algorithm>
#include <optional>
#include <QFile>
#include <vector>

namespace ink {
namespace {

// A version block is a tree whose root length is a 16-bit field, so no
// genuine block is larger; a resource entry claiming more is padded or lying.
constexpr quint32 kMaxVersionBlock = 0xFFFF;
// Files this large are not programs we document; offsets past it are refused.
constexpr quint64 kMaxFileBytes = 256ull * 1024 * 1024;

constexpr quint16 kDosSignature = 0x5A4D;    // "MZ"
constexpr quint32 kPeSignature = 0x00004550; // "PE\0\0"
constexpr quint16 kPe32Magic = 0x10B;
constexpr quint16 kPe32PlusMagic = 0x20B;
constexpr quint32 kResourceDirectoryIndex = 2;
constexpr quint32 kFileHeaderSize = 24; // signature and COFF file header
constexpr quint32 kSectionHeaderSize = 40;
constexpr quint32 kDirectoryHeaderSize = 16;
constexpr quint32 kDirectoryEntrySize = 8;
constexpr quint32 kDataEntrySize = 16;

constexpr quint32 kVersionResourceType = 16; // RT_VERSION
constexpr quint32 kVersionResourceId = 1;    // VS_VERSION_INFO
constexpr quint32 kHighBit = 0x80000000;     // named entry, or subdirectory

std::optional<QByteArray> ReadExactly(const ImageReader& read, quint64 offset, quint64 length) {
    if (length > 0xFFFFFFFFu)
        return std::nullopt;
    QByteArray bytes = read(offset, quint32(length));
    if (quint64(bytes.size()) != length)
        return std::nullopt;
    return bytes;
}

struct Section {
    quint32 virtualAddress = 0;
    quint32 rawSize = 0;
    quint32 rawOffset = 0;
};

struct DirectoryEntry {
    quint32 name = 0; // an id, or with the high bit a name string
    quint32 data = 0; // with the high bit a subdirectory, else a data entry
    bool hasId(quint32 id) const { return (name & kHighBit) == 0 && name == id; }
    bool isSubdirectory() const { return (data & kHighBit) != 0; }
    quint32 offset() const { return data & ~kHighBit; }
};

class PeImage {
public:
    explicit PeImage(const ImageReader& read) : read_(read) {}

    bool readHeaders();
    QByteArray versionResource() const;

private:
    bool readResourceDirectoryRva(QByteArrayView optionalHeader);
    bool readSections(QByteArrayView table, quint32 count);
    std::optional<QByteArray> readAtRva(quint64 rva, quint64 length) const;
    std::optional<std::vector<DirectoryEntry>> readDirectory(quint32 offset) const;
    QByteArray readDataEntry(quint32 offset) const;

    const ImageReader& read_;
    quint32 resourceRva_ = 0;
    std::vector<Section> sections_;
};

bool PeImage::readHeaders() {
    const auto dosHeader = ReadExactly(read_, 0, 64);
    if (!dosHeader)
        return false;
    const LittleEndianReader dos(*dosHeader);
    if (dos.u16(0) != kDosSignature)
        return false;
    const quint64 peOffset = *dos.u32(0x3C);

    const auto fileHeader = ReadExactly(read_, peOffset, kFileHeaderSize);
    if (!fileHeader)
        return false;
    const LittleEndianReader file(*fileHeader);
    if (file.u32(0) != kPeSignature)
        return false;
    const quint16 sectionCount = *file.u16(6);
    const quint16 optionalHeaderSize = *file.u16(20);

    const quint64 optionalOffset = peOffset + kFileHeaderSize;
    const auto optionalHeader = ReadExactly(read_, optionalOffset, optionalHeaderSize);
    if (!optionalHeader || !readResourceDirectoryRva(*optionalHeader))
        return false;

    const auto sectionTable = ReadExactly(read_, optionalOffset + optionalHeaderSize,
                                          quint64(sectionCount) * kSectionHeaderSize);
    return sectionTable && readSections(*sectionTable, sectionCount);
}

bool PeImage::readResourceDirectoryRva(QByteArrayView optionalHeader) {
    const LittleEndianReader header(optionalHeader);
    // PE32+ widens the image base and the stack and heap sizes, which moves
    // the data directories further down.
    quint64 countOffset = 0;
    const auto magic = header.u16(0);
    if (magic == kPe32Magic)
        countOffset = 92;
    else if (magic == kPe32PlusMagic)
        countOffset = 108;
    else
        return false;

    const auto directoryCount = header.u32(countOffset);
    if (!directoryCount || *directoryCount <= kResourceDirectoryIndex)
        return false;
    const auto rva = header.u32(countOffset + 4 + kResourceDirectoryIndex * 8);
    if (!rva || *rva == 0)
        return false;
    resourceRva_ = *rva;
    return true;
}

bool PeImage::readSections(QByteArrayView table, quint32 count) {
    const LittleEndianReader reader(table);
    for (quint32 i = 0; i < count; ++i) {
        const quint64 at = quint64(i) * kSectionHeaderSize;
        sections_.push_back({*reader.u32(at + 12), *reader.u32(at + 16), *reader.u32(at + 20)});
    }
    return true;
}

// Maps an address of the loaded image to the file. Only bytes that a section
// really stores in the file are readable; the zero fill past them is not.
std::optional<QByteArray> PeImage::readAtRva(quint64 rva, quint64 length) const {
    for (const Section& section : sections_) {
        if (rva < section.virtualAddress)
            continue;
        const quint64 into = rva - section.virtualAddress;
        if (into < section.rawSize && length <= section.rawSize - into)
            return ReadExactly(read_, quint64(section.rawOffset) + into, length);
    }
    return std::nullopt;
}

// Offsets inside the resource tree are relative to its root.
std::optional<std::vector<DirectoryEntry>> PeImage::readDirectory(quint32 offset) const {
    const quint64 at = quint64(resourceRva_) + offset;
    const auto header = readAtRva(at, kDirectoryHeaderSize);
    if (!header)
        return std::nullopt;
    const LittleEndianReader counts(*header);
    const quint32 entryCount = quint32(*counts.u16(12)) + *counts.u16(14);

    const auto table =
        readAtRva(at + kDirectoryHeaderSize, quint64(entryCount) * kDirectoryEntrySize);
    if (!table)
        return std::nullopt;
    const LittleEndianReader reader(*table);
    std::vector<DirectoryEntry> entries;
    for (quint32 i = 0; i < entryCount; ++i) {
        const quint64 entryAt = quint64(i) * kDirectoryEntrySize;
        entries.push_back({*reader.u32(entryAt), *reader.u32(entryAt + 4)});
    }
    return entries;
}

QByteArray PeImage::readDataEntry(quint32 offset) const {
    const auto entry = readAtRva(quint64(resourceRva_) + offset, kDataEntrySize);
    if (!entry)
        return {};
    const LittleEndianReader reader(*entry);
    const quint32 length = std::min(*reader.u32(4), kMaxVersionBlock);
    return readAtRva(*reader.u32(0), length).value_or(QByteArray());
}

// The resource tree has three levels: type, name, language. We descend
// exactly three steps, so a tree whose offsets loop back cannot hold us.
QByteArray PeImage::versionResource() const {
    const auto types = readDirectory(0);
    if (!types)
        return {};
    const auto type = std::find_if(types->begin(), types->end(), [](const DirectoryEntry& e) {
        return e.hasId(kVersionResourceType);
    });
    if (type == types->end() || !type->isSubdirectory())
        return {};

    // The system asks for the resource named 1; any other name will do when
    // that one is missing, as a file has only one version resource.
    const auto names = readDirectory(type->offset());
    if (!names || names->empty())
        return {};
    auto name = std::find_if(names->begin(), names->end(),
                             [](const DirectoryEntry& e) { return e.hasId(kVersionResourceId); });
    if (name == names->end())
        name = names->begin();
    if (!name->isSubdirectory())
        return {};

    const auto languages = readDirectory(name->offset());
    if (!languages || languages->empty() || languages->front().isSubdirectory())
        return {};
    return readDataEntry(languages->front().offset());
}

} // namespace

QByteArray FindVersionResource(const ImageReader& read) {
    PeImage image(read);
    if (!image.readHeaders())
        return {};
    return image.versionResource();
}

QByteArray ReadVersionResource(const QString& path) {
    QFile file;
    if (!OpenRegularFile(file, path))
        return {};
    return FindVersionResource([&file](quint64 offset, quint32 length) -> QByteArray {
        if (offset >= kMaxFileBytes || !file.seek(qint64(offset)))
            return {};
        return file.read(qint64(std::min<quint64>(length, kMaxFileBytes - offset)));
    });
}

QByteArray VersionResourceOfImage(QByteArrayView image) {
    return FindVersionResource([image](quint64 offset, quint32 length) -> QByteArray {
        if (offset >= quint64(image.size()))
            return {};
        const quint64 available = quint64(image.size()) - offset;
        return image.sliced(qsizetype(offset), qsizetype(std::min<quint64>(length, available)))
            .toByteArray();
    });
}

} // namespace ink
