#include "VersionInfoBlock.h"

#include "LittleEndianReader.h"
#include "VersionResource.h"

namespace ink {
namespace {

constexpr quint32 kNodeHeaderSize = 6; // wLength, wValueLength, wType
constexpr quint16 kTextValue = 1;      // wValueLength then counts UTF-16 units
constexpr QStringView kPreferredStringTable = u"040904E4";
constexpr QStringView kStringFileInfo = u"StringFileInfo";

quint64 AlignTo32Bits(quint64 offset) {
    return (offset + 3) & ~quint64(3);
}

struct Node {
    quint64 end = 0;
    QString key;
    quint64 valueStart = 0;
    quint64 childrenStart = 0;
};

// UTF-16 text from `start` up to a zero unit or `end`, whichever comes first.
// Sets *terminated when a zero unit was found.
QString ReadUtf16(const LittleEndianReader& reader, quint64 start, quint64 end,
                  bool* terminated = nullptr) {
    QString text;
    for (quint64 at = start; at + 2 <= end; at += 2) {
        const quint16 unit = *reader.u16(at);
        if (unit == 0) {
            if (terminated)
                *terminated = true;
            return text;
        }
        text.append(QChar(unit));
    }
    if (terminated)
        *terminated = false;
    return text;
}

// The node at `start`, which must lie wholly before `limit`.
std::optional<Node> ParseNode(const LittleEndianReader& reader, quint64 start, quint64 limit) {
    if (limit > reader.size() || start > limit || limit - start < kNodeHeaderSize)
        return std::nullopt;
    const quint16 length = *reader.u16(start);
    const quint16 valueLength = *reader.u16(start + 2);
    const quint16 type = *reader.u16(start + 4);
    if (length < kNodeHeaderSize || length > limit - start)
        return std::nullopt;

    Node node;
    node.end = start + length;
    bool keyTerminated = false;
    node.key = ReadUtf16(reader, start + kNodeHeaderSize, node.end, &keyTerminated);
    if (!keyTerminated)
        return std::nullopt;

    // Some writers count text values in bytes rather than in UTF-16 units;
    // keeping the value inside the node makes either count safe.
    const quint64 keyEnd = start + kNodeHeaderSize + (quint64(node.key.size()) + 1) * 2;
    const quint64 valueBytes = type == kTextValue ? quint64(valueLength) * 2 : valueLength;
    node.valueStart = std::min(AlignTo32Bits(keyEnd), node.end);
    node.childrenStart = std::min(AlignTo32Bits(node.valueStart + valueBytes), node.end);
    return node;
}

// Calls visit(child) for each child of `parent` in order until it returns true.
// Every child is at least a header long, so the walk always ends.
template <typename Visit>
std::optional<Node> FindChild(const LittleEndianReader& reader, const Node& parent, Visit visit) {
    quint64 at = parent.childrenStart;
    while (at < parent.end) {
        const auto child = ParseNode(reader, at, parent.end);
        if (!child)
            return std::nullopt;
        if (visit(*child))
            return child;
        at = AlignTo32Bits(child->end);
    }
    return std::nullopt;
}

std::optional<Node> ChildWithKey(const LittleEndianReader& reader, const Node& parent,
                                 QStringView key) {
    return FindChild(reader, parent, [key](const Node& child) {
        return child.key.compare(key, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

VersionInfoBlock VersionInfoBlock::ofFile(const QString& path) {
    return VersionInfoBlock(ReadVersionResource(path));
}

std::optional<QString> VersionInfoBlock::queryText(QStringView path) const {
    const LittleEndianReader reader(bytes_);
    auto node = ParseNode(reader, 0, reader.size());
    const auto steps = path.split(u'\\', Qt::SkipEmptyParts);
    if (!node || steps.isEmpty())
        return std::nullopt;
    for (QStringView step : steps) {
        node = ChildWithKey(reader, *node, step);
        if (!node)
            return std::nullopt;
    }
    // The text runs to its terminating zero within the node. Its declared
    // length cannot be trusted for that: writers count it in bytes or in
    // characters, and flag text as binary (which makes it count bytes).
    return ReadUtf16(reader, node->valueStart, node->end);
}

QStringList VersionInfoBlock::stringTableNames() const {
    const LittleEndianReader reader(bytes_);
    const auto root = ParseNode(reader, 0, reader.size());
    const auto stringFileInfo = root ? ChildWithKey(reader, *root, kStringFileInfo) : std::nullopt;
    QStringList names;
    if (stringFileInfo) {
        FindChild(reader, *stringFileInfo, [&names](const Node& table) {
            names.append(table.key);
            return false;
        });
    }
    return names;
}

QString VersionInfoBlock::stringTableToRead() const {
    const QStringList names = stringTableNames();
    if (names.isEmpty() || names.contains(kPreferredStringTable, Qt::CaseInsensitive))
        return kPreferredStringTable.toString();
    return names.first();
}

} // namespace ink
