#pragma once
// Table, column and index names put into SQL text: every one goes through quotedName, so a name
// is always read as a name, whatever characters it holds.
#include "codepages.h"

#include <QByteArray>
#include <QString>

namespace orvena {

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

} // namespace orvena
