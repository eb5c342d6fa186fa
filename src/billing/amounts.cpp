#include "amounts.h"
#include "invoicesums.h"
#include "currency.h"

#include "db/datamodule.h"
#include "db/query.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace orvena::billing {

Decimal storedNumber(const QString& text)
{
    return text.trimmed().isEmpty() ? Decimal() : Decimal::parse(text);
}

QString decimalText(const Decimal& value, int minDecimals)
{
    // millionths as a whole number: Money keeps whole units in hundredths
    const qint64 millionths = Money::rounded(value * Decimal::parse(QStringLiteral("1000000")), 0).filler() / 100;
    const qint64 magnitude = millionths < 0 ? -millionths : millionths;
    QString fraction = QStringLiteral("%1").arg(magnitude % 1000000, 6, 10, QLatin1Char('0'));
    while (fraction.size() > minDecimals && fraction.endsWith(u'0'))
        fraction.chop(1);
    return (millionths < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 1000000)
           + (fraction.isEmpty() ? QString() : u',' + fraction);
}

QString DocumentAmounts::payableText() const
{
    return wholeForints ? payable.wholeText(true) : payable.groupedText();
}

LineAmounts lineAmounts(const Decimal& quantity, const Decimal& unitPrice, const Decimal& discountPercent,
                        const Decimal& vatPercent)
{
    LineAmounts l;
    l.net = Money::lineNet(quantity, unitPrice, discountPercent);
    l.vat = l.net.tax(vatPercent);
    l.gross = l.net + l.vat;
    return l;
}

Money forintValue(Money amount, const Decimal& exchangeRate)
{
    // rounded once, straight to whole forints, as the server's ROUND(x, 0) does
    return Money::rounded(amount.exact() * exchangeRate, 0);
}

DocumentAmounts computeAmounts(const DocumentInput& input)
{
    DocumentAmounts a;
    a.currency = currencyCode(input.currency);
    a.forint = isForint(input.currency);
    a.exchangeRate = input.exchangeRate;
    a.wholeForints = payableInWholeForints(input.currency, input.labelCode);
    // A VAT rate is one VAT code at one percentage; codes compare as the server compares them.
    std::map<std::pair<QString, QString>, int> rateOf;
    a.lines.reserve(input.lines.size());
    for (const LineInput& in : input.lines) {
        LineAmounts l = lineAmounts(in.quantity, in.unitPrice, input.discount, in.vatPercent);
        l.lineId = in.lineId;
        l.vatName = in.vatName;
        l.vatGroup = in.vatGroup;
        const std::pair<QString, QString> key{in.vatCode.trimmed().toUpper(), decimalText(in.vatPercent)};
        const auto [it, added] = rateOf.try_emplace(key, int(a.rates.size()));
        if (added) {
            RateAmounts r;
            r.vatCode = in.vatCode.trimmed();
            r.vatName = in.vatName;
            r.vatPercent = in.vatPercent;
            a.rates.push_back(r);
        }
        l.rate = it->second;
        RateAmounts& r = a.rates[size_t(l.rate)];
        r.net += l.net;
        r.vat += l.vat;
        a.net += l.net;
        a.vat += l.vat;
        a.lines.push_back(l);
    }
    for (RateAmounts& r : a.rates) {
        r.netHuf = a.converted() ? forintValue(r.net, a.exchangeRate) : r.net;
        r.vatHuf = a.converted() ? forintValue(r.vat, a.exchangeRate) : r.vat;
        a.netHuf += r.netHuf;
        a.vatHuf += r.vatHuf;
    }
    a.payable = a.wholeForints ? a.gross().roundedWhole() : a.gross();
    return a;
}

namespace {

DocumentAmounts readOwnAmounts(Connection& c, const QString& number, const QString& headerTable,
                               const QString& lineTable)
{
    Query header(c, QStringLiteral("BILLING_HEAD"));
    header.setSql({QStringLiteral("SELECT fArfoly, fKerek, fPnem, fmKod FROM %1 WHERE fBszam = :p0 ORDER BY fID LIMIT 1")
                       .arg(headerTable)});
    header.setText(QStringLiteral("p0"), number);
    header.open();
    if (header.isEmpty())
        return {};
    DocumentInput in;
    in.exchangeRate = storedNumber(header.fieldText(QStringLiteral("fArfoly")));
    in.discount = storedNumber(header.fieldText(QStringLiteral("fKerek")));
    in.currency = header.fieldText(QStringLiteral("fPnem"));
    in.labelCode = header.fieldText(QStringLiteral("fmKod"));

    // The VAT names are numbered by the server, so names it compares equal (case, trailing
    // blanks) fall into one group as its GROUP BY would put them.
    Query lines(c, QStringLiteral("BILLING_LINES"));
    lines.setSql({QStringLiteral("SELECT sID, sMenny, sEar, sAfa, sAfanev, DENSE_RANK() OVER (ORDER BY sAfanev) AS csoport,"),
                  QStringLiteral(" skAfakod FROM %1 WHERE sBszam = :p0 ORDER BY sID").arg(lineTable)});
    lines.setText(QStringLiteral("p0"), number);
    lines.open();
    in.lines.reserve(size_t(lines.rowCount()));
    for (int r = 0; r < lines.rowCount(); ++r) {
        LineInput l;
        l.lineId = lines.integer(r, 0);
        l.quantity = storedNumber(lines.text(r, 1));
        l.unitPrice = storedNumber(lines.text(r, 2));
        l.vatPercent = storedNumber(lines.text(r, 3));
        l.vatName = lines.text(r, 4);
        l.vatGroup = static_cast<int>(lines.integer(r, 5));
        l.vatCode = lines.text(r, 6);
        in.lines.push_back(l);
    }
    return computeAmounts(in);
}

// An issued invoice states the forints kept when it was issued (invoicesums.h): what it printed
// and reported then stays what every later print, e-mail and export states, even where an
// invoice issued under an earlier conversion rule differs by a forint from today's rule. Kept
// sums that do not match its lines' own amounts are not used.
void useKeptForints(Connection& c, const QString& number, DocumentAmounts& a)
{
    Query kept(c, QStringLiteral("BILLING_KEPT"));
    kept.setSql({QStringLiteral("SELECT o.oNetto, o.oAfa, o.oNettoFt, o.oAfaFt FROM %1 o JOIN szlafej f ON f.fBszam = "
                                "o.oBszam AND f.fPrn = 'I' WHERE o.oBszam = :p0")
                     .arg(kInvoiceSums)});
    kept.setText(QStringLiteral("p0"), number);
    kept.open();
    if (kept.rowCount() != 1 || kept.money(0, 0) != a.net || kept.money(0, 1) != a.vat)
        return;
    const Money netHuf = kept.money(0, 2), vatHuf = kept.money(0, 3);
    kept.setSql({QStringLiteral("SELECT rAfakod, rAfa, rNetto, rAfaertek, rNettoFt, rAfaFt FROM %1 WHERE rBszam = :p0")
                     .arg(kInvoiceRateSums)});
    kept.setText(QStringLiteral("p0"), number);
    kept.open();
    if (kept.rowCount() != int(a.rates.size()))
        return;
    std::vector<std::pair<Money, Money>> rates(a.rates.size());
    for (int r = 0; r < kept.rowCount(); ++r) {
        const QString code = kept.text(r, 0).trimmed().toUpper();
        const auto rate = std::find_if(a.rates.begin(), a.rates.end(), [&](const RateAmounts& ra) {
            return ra.vatCode.toUpper() == code && ra.vatPercent == kept.decimal(r, 1) && ra.net == kept.money(r, 2)
                && ra.vat == kept.money(r, 3);
        });
        if (rate == a.rates.end())
            return;
        rates[size_t(rate - a.rates.begin())] = {kept.money(r, 4), kept.money(r, 5)};
    }
    for (size_t i = 0; i < rates.size(); ++i)
        std::tie(a.rates[i].netHuf, a.rates[i].vatHuf) = rates[i];
    a.netHuf = netHuf;
    a.vatHuf = vatHuf;
}

} // namespace

DocumentAmounts readInvoiceAmounts(Connection& c, const QString& invoiceNumber)
{
    DocumentAmounts a = invoiceAmountsFromLines(c, invoiceNumber);
    useKeptForints(c, invoiceNumber, a);
    return a;
}

DocumentAmounts invoiceAmountsFromLines(Connection& c, const QString& invoiceNumber)
{
    const QString headers = QStringLiteral("Szlafej"), lines = QStringLiteral("Szlasor");
    DocumentAmounts a = readOwnAmounts(c, invoiceNumber, headers, lines);
    // A storno reverses what its chain owes: the original and its issued corrections.
    Query chain(c, QStringLiteral("BILLING_CHAIN"));
    chain.setSql({QStringLiteral("SELECT h.hEredeti FROM szlahivatkozas h WHERE h.hBszam = :p0 AND h.hMuvelet = 'STORNO'"),
                  QStringLiteral("UNION ALL SELECT m.hBszam FROM szlahivatkozas h JOIN szlahivatkozas m ON m.hEredeti = "
                                 "h.hEredeti AND m.hMuvelet = 'MODIFY' JOIN szlafej f ON f.fBszam = m.hBszam AND "
                                 "f.fPrn = 'I' WHERE h.hBszam = :p0 AND h.hMuvelet = 'STORNO'")});
    chain.setText(QStringLiteral("p0"), invoiceNumber);
    chain.open();
    if (chain.isEmpty())
        return a;
    Money gross, payable;
    for (int r = 0; r < chain.rowCount(); ++r) {
        const DocumentAmounts link = readOwnAmounts(c, chain.text(r, 0), headers, lines);
        gross += link.gross();
        payable += link.payable;
    }
    if (a.gross() == -gross)
        a.payable = -payable;
    return a;
}

DocumentAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber)
{
    return readInvoiceAmounts(data.connection(), invoiceNumber);
}

DocumentAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber, const QString& headerTable,
                                   const QString& lineTable)
{
    if (headerTable.compare(QStringLiteral("Szlafej"), Qt::CaseInsensitive) == 0)
        return readInvoiceAmounts(data.connection(), invoiceNumber);
    return readOwnAmounts(data.connection(), invoiceNumber, headerTable, lineTable);
}

} // namespace orvena::billing
