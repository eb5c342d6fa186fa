#pragma once
// Memo columns hold their lines separated by CR LF; the screens work with "\n".
#include <QString>

namespace orvena::delivery {

inline QString memoToDatabase(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

inline QString memoFromDatabase(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace orvena::delivery
