#include "sqlname.h"

#include "connection.h"

namespace orvena {

QByteArray quotedLiteral(const Connection& c, const QString& text)
{
    return quotedLiteralBytes(c, encode(CodePage::Latin2, text));
}

QByteArray quotedLiteralBytes(const Connection& c, const QByteArray& bytes)
{
    return '\'' + c.escape(bytes) + '\'';
}

} // namespace orvena
