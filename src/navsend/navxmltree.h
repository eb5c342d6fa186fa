#pragma once
// A small read-only element tree of an XML answer or request: local names only (the protocol's
// namespaces are fixed), text of leaf elements, attributes. Enough to read the authority's
// answers and, in the tests' stand-in, the requests.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

namespace orvena::nav {

struct XmlNode {
    QString name; // local name
    QString namespaceUri;
    QString text; // trimmed text content of a leaf
    QHash<QString, QString> attributes;
    std::vector<XmlNode> children;

    bool isNull() const { return name.isEmpty(); }
    // The first child of this local name (a null node when there is none).
    const XmlNode& child(QStringView localName) const;
    std::vector<const XmlNode*> childrenNamed(QStringView localName) const;
    // Text of a descendant reached by a "/"-separated path of local names; empty when missing.
    QString textAt(QStringView path) const;
    // The first descendant (depth first) of this local name.
    const XmlNode* find(QStringView localName) const;
};

// Parses a whole document; returns a null node (and the parser's message) when it is not
// well-formed.
XmlNode parseXml(const QByteArray& document, QString* error = nullptr);

} // namespace orvena::nav
