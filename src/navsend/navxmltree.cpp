#include "navxmltree.h"

#include <QXmlStreamReader>

namespace orvena::nav {

namespace {

const XmlNode& nullNode()
{
    static const XmlNode node;
    return node;
}

void readElement(QXmlStreamReader& reader, XmlNode& node)
{
    node.name = reader.name().toString();
    node.namespaceUri = reader.namespaceUri().toString();
    for (const QXmlStreamAttribute& a : reader.attributes())
        node.attributes.insert(a.name().toString(), a.value().toString());
    QString text;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            node.children.emplace_back();
            readElement(reader, node.children.back());
        } else if (reader.isCharacters()) {
            text += reader.text();
        } else if (reader.isEndElement()) {
            break;
        }
    }
    if (node.children.empty())
        node.text = text.trimmed();
}

} // namespace

const XmlNode& XmlNode::child(QStringView localName) const
{
    for (const XmlNode& c : children)
        if (c.name == localName)
            return c;
    return nullNode();
}

std::vector<const XmlNode*> XmlNode::childrenNamed(QStringView localName) const
{
    std::vector<const XmlNode*> found;
    for (const XmlNode& c : children)
        if (c.name == localName)
            found.push_back(&c);
    return found;
}

QString XmlNode::textAt(QStringView path) const
{
    const XmlNode* node = this;
    for (QStringView part : path.split(u'/')) {
        node = &node->child(part);
        if (node->isNull())
            return {};
    }
    return node->text;
}

const XmlNode* XmlNode::find(QStringView localName) const
{
    for (const XmlNode& c : children) {
        if (c.name == localName)
            return &c;
        if (const XmlNode* deeper = c.find(localName))
            return deeper;
    }
    return nullptr;
}

XmlNode parseXml(const QByteArray& document, QString* error)
{
    QXmlStreamReader reader(document);
    XmlNode root;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            readElement(reader, root);
            break;
        }
    }
    while (!reader.atEnd() && !reader.hasError())
        reader.readNext();
    if (reader.hasError() || root.isNull()) {
        if (error)
            *error = reader.hasError() ? reader.errorString() : QStringLiteral("üres dokumentum");
        return XmlNode();
    }
    return root;
}

} // namespace orvena::nav
