#pragma once
#include <optional>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace ink {

// A VS_VERSIONINFO block, queried the way the system's VerQueryValue does.
//
// The block is a tree of nodes. Each node holds its total length, the length
// and type of its value, a zero-terminated UTF-16 key, the value and then its
// children, every part starting on a 32-bit boundary. The strings we want sit
// at "StringFileInfo\<language and code page>\<key>".
//
// A node that does not fit inside its parent is treated as absent, so a cut or
// damaged block answers "not found" rather than reading past its end.
class VersionInfoBlock {
public:
    VersionInfoBlock() = default;
    explicit VersionInfoBlock(QByteArray bytes) : bytes_(std::move(bytes)) {}

    // The version block of a Windows executable or library; empty when the
    // file is missing or has no (readable) version resource.
    static VersionInfoBlock ofFile(const QString& path);

    bool isEmpty() const { return bytes_.isEmpty(); }

    // The text value at a path such as "StringFileInfo\040904E4\CompanyName",
    // up to its terminating zero. Keys match without regard to letter case.
    // Nothing when a step of the path is missing.
    std::optional<QString> queryText(QStringView path) const;

    // The names of the string tables ("040904E4", ...) in the order stored.
    QStringList stringTableNames() const;

    // The string table to read: U.S. English in Windows Latin 1 ("040904E4")
    // when present, else the first table there is, so that a file written
    // for another language still gives its strings.
    QString stringTableToRead() const;

private:
    QByteArray bytes_;
};

} // namespace ink
