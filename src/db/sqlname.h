#pragma once
// Table, column and index names put into SQL text: every one goes through quotedName, so a name
// is always read as a name, whatever characters it holds.
#include <QString>

namespace orvena {

// The name in backticks, a backtick inside it doubled: "vevo" -> "`vevo`", "a`b" -> "`a``b`".
inline QString quotedName(const QString& name)
{
    QString quoted = name;
    quoted.replace(u'`', QStringLiteral("``"));
    return u'`' + quoted + u'`';
}

} // namespace orvena
