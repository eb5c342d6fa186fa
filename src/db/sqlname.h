#pragma once
// What is put into SQL text by hand: table, column and index names go through quotedName, so a
// name is always read as a name; texts go through quotedLiteral, so a text is always read as one
// value, whatever characters either holds. (Screen statements bind their values as parameters.)
#include "codepages.h"

#include <QByteArray>
#include <QString>

namespace orvena {

class Connection;

// The name in backticks, a backtick inside it doubled: "vevo" -> "`vevo`", "a`b" -> "`a``b`".
inline QString quotedName(const QString& name)
{
    QString quoted = name;
    quoted.replace(u'`', QStringLiteral("``"));
    return u'`' + quoted + u'`';
}

// The same, as the latin2 bytes a statement is built of.
inline QByteArray quotedNameBytes(const QString& name)
{
    return encode(CodePage::Latin2, quotedName(name));
}

// A text as a quoted literal in the latin2 bytes of a statement, escaped by the connection (it
// knows whether the server reads backslashes as escapes): "O'Neil" -> 'O\'Neil'.
QByteArray quotedLiteral(const Connection& c, const QString& text);
// The same for bytes already in the encoding they are to be stored in.
QByteArray quotedLiteralBytes(const Connection& c, const QByteArray& bytes);

} // namespace orvena
