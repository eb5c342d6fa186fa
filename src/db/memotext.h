#pragma once
// Memo columns hold their lines separated by CR LF; screens and editors work with "\n".
#include <QString>

namespace orvena {

// CR LF, a lone CR or a lone LF each end a line on screen.
inline QString memoFromDatabase(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// Every line break is stored as CR LF.
inline QString memoToDatabase(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

} // namespace orvena
