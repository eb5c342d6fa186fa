#include "sql.h"
#include "currency.h"

namespace orvena::billing {

namespace {
QString qualified(const QString& alias, const char* column)
{
    return alias.isEmpty() ? QString::fromLatin1(column) : alias + u'.' + QLatin1String(column);
}
} // namespace

QString lineNetSql(const QString& line, const QString& header)
{
    return QStringLiteral("ROUND((%1 * %2) - (%1 * %2 * IFNULL(%3, 0) / 100), 2)")
        .arg(qualified(line, "sMenny"), qualified(line, "sEar"), qualified(header, "fKerek"));
}

QString lineVatSql(const QString& line, const QString& header)
{
    return QStringLiteral("ROUND((%1) * %2 / 100, 2)").arg(lineNetSql(line, header), qualified(line, "sAfa"));
}

QString lineGrossSql(const QString& line, const QString& header)
{
    return QStringLiteral("((%1) + (%2))").arg(lineNetSql(line, header), lineVatSql(line, header));
}

QString convertedSql(const QString& h)
{
    return QStringLiteral("(%1 > 0 AND NOT %2)").arg(qualified(h, "fArfoly"), isForintSql(qualified(h, "fPnem")));
}

QString rateForintSql(const QString& amount, const QString& h)
{
    return QStringLiteral("(CASE WHEN %1 THEN ROUND((%2) * %3, 0) ELSE (%2) END)")
        .arg(convertedSql(h), amount, qualified(h, "fArfoly"));
}

QString lineForintSql(const QString& amount)
{
    const QString running = QStringLiteral("SUM(%1) OVER (PARTITION BY h.fBszam, s.skAfakod, s.sAfa ORDER BY s.sID)").arg(amount);
    return QStringLiteral("(CASE WHEN %1 THEN ROUND(%2 * h.fArfoly, 0) - ROUND((%2 - (%3)) * h.fArfoly, 0) ELSE %3 END)")
        .arg(convertedSql(QStringLiteral("h")), running, amount);
}

} // namespace orvena::billing
