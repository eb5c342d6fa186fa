#include "taxnumber.h"

#include <QRegularExpression>

namespace orvena::nav {

int taxpayerCheckDigit(QStringView firstSeven)
{
    static const int weights[7] = {9, 7, 3, 1, 9, 7, 3};
    int sum = 0;
    for (int i = 0; i < 7 && i < firstSeven.size(); ++i)
        sum += (firstSeven[i].unicode() - u'0') * weights[i];
    return (10 - sum % 10) % 10;
}

std::optional<TaxNumber> parseTaxNumber(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{8})-?(\\d)-?(\\d{2})$"));
    const QString t = text.trimmed();
    const auto m = form.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    // Either all dashes or none: "12345676-242" is a typing error, not a tax number.
    const qsizetype dashes = t.count(u'-');
    if (dashes != 0 && dashes != 2)
        return std::nullopt;
    TaxNumber n{m.captured(1), m.captured(2), m.captured(3)};
    if (n.vatCode < u"1" || n.vatCode > u"5")
        return std::nullopt;
    if (taxpayerCheckDigit(n.taxpayerId) != n.taxpayerId.at(7).unicode() - u'0')
        return std::nullopt;
    return n;
}

QString normalizedCommunityVatNumber(const QString& text)
{
    QString t = text.toUpper();
    t.remove(u' ');
    return t;
}

bool isCommunityVatNumber(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^[A-Z]{2}[0-9A-Z]{2,13}$"));
    return form.match(normalizedCommunityVatNumber(text)).hasMatch();
}

bool isEuCountry(const QString& isoCountry)
{
    static const QStringList members{"AT", "BE", "BG", "CY", "CZ", "DE", "DK", "EE", "ES", "FI", "FR", "GR", "HR", "HU",
                                     "IE", "IT", "LT", "LU", "LV", "MT", "NL", "PL", "PT", "RO", "SE", "SI", "SK"};
    return members.contains(isoCountry.trimmed().toUpper());
}

} // namespace orvena::nav
