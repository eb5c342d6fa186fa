#pragma once
// Memo columns hold their lines separated by CR LF; screens and editors work with "\n".
#include <QString>
#include <utility>

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

// A document's memo (a message, a line's note) as it is stored: without line breaks after its
// last line. Enter at the end of a memo starts a new line and moves the focus on; that empty
// line is not kept.
inline QString memoWithoutTrailingBreaks(QString text)
{
    qsizetype end = text.size();
    while (end > 0 && (text.at(end - 1) == u'\n' || text.at(end - 1) == u'\r'))
        --end;
    text.truncate(end);
    return text;
}

// A block (an address block, an edit screen's memo) stores every line, the last one too, ended
// by CR LF; on screen it has no line end after its last line.
inline QString blockFromDatabase(QString text)
{
    text = memoFromDatabase(std::move(text));
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

inline QString blockToDatabase(QString text)
{
    if (text.isEmpty())
        return text;
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text + QStringLiteral("\r\n");
}

} // namespace orvena
