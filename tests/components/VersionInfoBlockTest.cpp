// Version blocks built by hand, for the shapes that real tools rarely write
// but damaged or unusual files do.
#include "components/VersionInfoBlock.h"

#include <gtest/gtest.h>
#include <QtEndian>

using ink::VersionInfoBlock;

namespace {

void Align(QByteArray& bytes) {
    while (bytes.size() % 4 != 0)
        bytes.append('\0');
}

void AppendU16(QByteArray& bytes, quint16 value) {
    char le[2];
    qToLittleEndian(value, le);
    bytes.append(le, 2);
}

void AppendUtf16(QByteArray& bytes, const QString& text, bool terminate = true) {
    for (QChar c : text)
        AppendU16(bytes, c.unicode());
    if (terminate)
        AppendU16(bytes, 0);
}

// One node: length, value length, type, key, value, children, 32-bit aligned.
QByteArray Node(const QString& key, const QByteArray& value, quint16 valueLength, quint16 type,
                const QList<QByteArray>& children = {}) {
    QByteArray node(6, '\0');
    AppendUtf16(node, key);
    Align(node);
    node.append(value);
    for (const QByteArray& child : children) {
        Align(node);
        node.append(child);
    }
    qToLittleEndian(quint16(node.size()), node.data());
    qToLittleEndian(valueLength, node.data() + 2);
    qToLittleEndian(type, node.data() + 4);
    return node;
}

QByteArray Text(const QString& key, const QString& text) {
    QByteArray value;
    AppendUtf16(value, text);
    return Node(key, value, quint16(text.size() + 1), 1);
}

QByteArray Branch(const QString& key, const QList<QByteArray>& children) {
    return Node(key, {}, 0, 1, children);
}

QByteArray Block(const QList<QByteArray>& tables) {
    return Branch("VS_VERSION_INFO", {Branch("StringFileInfo", tables)});
}

} // namespace

TEST(VersionInfoBlock, EveryStepOfAPathMatchesWithoutRegardToCase) {
    const VersionInfoBlock block(Block({Branch("040904e4", {Text("CompanyName", "Quill")})}));
    EXPECT_EQ(block.queryText(u"stringfileinfo\\040904E4\\COMPANYNAME"), "Quill");
    EXPECT_EQ(block.queryText(u"\\StringFileInfo\\040904E4\\CompanyName"), "Quill");
    EXPECT_EQ(block.stringTableToRead(), "040904E4");
    EXPECT_EQ(block.queryText(u"StringFileInfo\\040904E4\\ProductName"), std::nullopt);
}

TEST(VersionInfoBlock, TextValuesEndAtTheirZeroOrAtTheirNode) {
    // Some writers count a text value in bytes, not UTF-16 units.
    QByteArray counted;
    AppendUtf16(counted, "Quill");
    const QByteArray inBytes = Node("CompanyName", counted, quint16(counted.size()), 1);

    // No terminating zero, and a value length past the node.
    QByteArray open;
    AppendUtf16(open, "Keeper", false);
    const QByteArray unterminated = Node("ProductName", open, 500, 1);

    const VersionInfoBlock block(Block({Branch("040904E4", {inBytes, unterminated})}));
    EXPECT_EQ(block.queryText(u"StringFileInfo\\040904E4\\CompanyName"), "Quill");
    EXPECT_EQ(block.queryText(u"StringFileInfo\\040904E4\\ProductName"), "Keeper");
}

TEST(VersionInfoBlock, TextFlaggedBinaryButCountedInCharactersIsReadWhole) {
    QByteArray text;
    AppendUtf16(text, "Quill & Sons Ltd");
    // Type 0 (binary) makes the count one of bytes; the writer counted characters.
    const QByteArray company = Node("CompanyName", text, quint16(text.size() / 2), 0);
    // The zero ends the text even when the declared length runs on past it.
    QByteArray padded;
    AppendUtf16(padded, "2.5");
    padded.append(QByteArray(8, '\0'));
    const QByteArray version = Node("FileVersion", padded, quint16(padded.size() / 2), 1);

    const VersionInfoBlock block(Block({Branch("040904E4", {company, version})}));
    EXPECT_EQ(block.queryText(u"StringFileInfo\\040904E4\\CompanyName"), "Quill & Sons Ltd");
    EXPECT_EQ(block.queryText(u"StringFileInfo\\040904E4\\FileVersion"), "2.5");
}

TEST(VersionInfoBlock, ANodeRunningPastItsParentHidesItAndWhatFollows) {
    QByteArray table = Branch("040904E4", {Text("CompanyName", "Quill"), Text("FileVersion", "1.0"),
                                           Text("ProductName", "Keeper")});
    const QByteArray company = Text("CompanyName", "Quill");
    const qsizetype fileVersionAt = table.indexOf(company) + company.size();
    qToLittleEndian(quint16(0x7FFF), table.data() + fileVersionAt);

    const VersionInfoBlock block(Block({table}));
    EXPECT_EQ(block.queryText(u"StringFileInfo\\040904E4\\CompanyName"), "Quill");
    EXPECT_EQ(block.queryText(u"StringFileInfo\\040904E4\\FileVersion"), std::nullopt);
    EXPECT_EQ(block.queryText(u"StringFileInfo\\040904E4\\ProductName"), std::nullopt);
}

TEST(VersionInfoBlock, WithoutStringTablesTheUsEnglishOneIsAskedFor) {
    EXPECT_EQ(VersionInfoBlock(Block({})).stringTableToRead(), "040904E4");
    EXPECT_EQ(VersionInfoBlock().stringTableToRead(), "040904E4");
    EXPECT_EQ(VersionInfoBlock(Block({Branch("040704B0", {}), Branch("041104B0", {})}))
                  .stringTableNames(),
              QStringList({"040704B0", "041104B0"}));
}
