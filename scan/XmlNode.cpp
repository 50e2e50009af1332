#include "XmlNode.h"

#include <QXmlStreamReader>

namespace ink {

namespace {

// Real option files nest a handful of levels; deeper XML is refused rather
// than followed, so a hostile file cannot exhaust the stack.
constexpr int maxXmlDepth = 48;

} // namespace

QString XmlNode::attribute(QLatin1StringView key) const {
    for (const auto& [attributeName, value] : attributes)
        if (attributeName.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

const XmlNode* XmlNode::child(QLatin1StringView childName) const {
    for (const XmlNode& node : children)
        if (node.name.compare(childName, Qt::CaseInsensitive) == 0)
            return &node;
    return nullptr;
}

QString XmlNode::valueAt(QLatin1StringView path) const {
    const XmlNode* node = this;
    for (const QString& part : QString(path).split(u'/')) {
        const XmlNode* next = nullptr;
        for (const XmlNode& candidate : node->children)
            if (candidate.name.compare(part, Qt::CaseInsensitive) == 0) {
                next = &candidate;
                break;
            }
        if (!next)
            return {};
        node = next;
    }
    return node->attribute(QLatin1StringView("Value"));
}

std::optional<XmlNode> ParseXml(QByteArrayView bytes, QString* problem) {
    QXmlStreamReader reader(bytes.toByteArray());
    XmlNode root;
    QList<XmlNode*> open{&root};
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (open.size() > maxXmlDepth) {
                *problem = QStringLiteral("its elements nest too deep");
                return std::nullopt;
            }
            XmlNode node;
            node.name = reader.name().toString();
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                node.attributes.append({attribute.name().toString(), attribute.value().toString()});
            open.last()->children.append(std::move(node));
            open.append(&open.last()->children.last());
            break;
        }
        case QXmlStreamReader::EndElement:
            open.removeLast();
            break;
        case QXmlStreamReader::Characters:
            open.last()->text += reader.text();
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        *problem = QStringLiteral("it is not well-formed XML (line %1: %2)")
                       .arg(reader.lineNumber())
                       .arg(reader.errorString());
        return std::nullopt;
    }
    if (root.children.isEmpty()) {
        *problem = QStringLiteral("it holds no XML element");
        return std::nullopt;
    }
    return std::move(root.children.first());
}

} // namespace ink
