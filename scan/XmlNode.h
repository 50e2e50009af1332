#pragma once
#include <optional>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>
#include <QString>

namespace ink {

// A small element tree: the XML option files (.dproj, .lpi, .lpk, .lps) are
// read by paths through it, and they are small. Names match without regard to
// case, as the tools that write these files match them.
struct XmlNode {
    QString name;
    QList<std::pair<QString, QString>> attributes;
    QString text;
    QList<XmlNode> children;

    // The attribute's value; empty when the element has none of that name.
    QString attribute(QLatin1StringView key) const;
    // The first child of that name, or none.
    const XmlNode* child(QLatin1StringView childName) const;
    // The Value attribute of the element at `path` ("SearchPaths/OtherUnitFiles").
    QString valueAt(QLatin1StringView path) const;
};

// The document element of `bytes`, or none with `*problem` saying why, for
// the user: not well-formed, no element at all, or nested deeper than any
// option file nests (a hostile file must not exhaust the stack).
std::optional<XmlNode> ParseXml(QByteArrayView bytes, QString* problem);

} // namespace ink
