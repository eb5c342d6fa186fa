#include "currency.h"

#include <QStringList>

namespace orvena::billing {

namespace {

// The texts that mean forints, upper case and trimmed as compared.
const QStringList& forintNames()
{
    static const QStringList names{QString(), QStringLiteral("FT"), QStringLiteral("FT."), QStringLiteral("FORINT"),
                                   QStringLiteral("HUF")};
    return names;
}

} // namespace

QString currencyCode(const QString& stored)
{
    static const QStringList iso{
        "HUF", "EUR", "USD", "GBP", "CHF", "CZK", "PLN", "RON", "BGN", "SEK", "NOK", "DKK", "ISK", "RSD", "BAM",
        "MKD", "ALL", "UAH", "MDL", "TRY", "RUB", "JPY", "CNY", "CAD", "AUD", "NZD", "HKD", "SGD", "KRW", "INR",
        "ILS", "AED", "SAR", "ZAR", "BRL", "MXN", "ARS", "THB", "MYR", "IDR", "PHP", "EGP", "GEL", "KZT", "BYN"};
    const QString c = stored.trimmed().toUpper();
    if (forintNames().contains(c))
        return QStringLiteral("HUF");
    if (c == u"€" || c == u"EURO")
        return QStringLiteral("EUR");
    return iso.contains(c) ? c : QString();
}

bool isForint(const QString& stored)
{
    return forintNames().contains(stored.trimmed().toUpper());
}

QString isForintSql(const QString& column)
{
    QStringList literals;
    for (const QString& name : forintNames())
        literals << u'\'' + name + u'\'';
    return QStringLiteral("(UPPER(TRIM(IFNULL(%1, ''))) IN (%2))").arg(column, literals.join(QStringLiteral(", ")));
}

bool wholeForintLabelSet(const QString& labelCode)
{
    return labelCode.size() >= 5 && labelCode.at(4) == u'2';
}

bool payableInWholeForints(const QString& currency, const QString& labelCode)
{
    return isForint(currency) && wholeForintLabelSet(labelCode);
}

QString payableInWholeForintsSql(const QString& h)
{
    return QStringLiteral("(SUBSTRING(IFNULL(%1.fmKod, ''), 5, 1) = '2' AND %2)").arg(h, isForintSql(h + QStringLiteral(".fPnem")));
}

} // namespace orvena::billing
