#include "invoiceamounts.h"

#include "db/datamodule.h"

namespace orvena::nav {

namespace {

// A stored number; NULL and an empty text count as nought.
Decimal storedNumber(const QString& text)
{
    return text.isEmpty() ? Decimal() : Decimal::parse(text);
}

} // namespace

LineAmounts lineAmounts(const Decimal& quantity, const Decimal& unitPrice, const Decimal& discountPercent,
                        const Decimal& vatPercent)
{
    LineAmounts l;
    l.net = Money::lineNet(quantity, unitPrice, discountPercent);
    l.vat = l.net.tax(vatPercent);
    l.gross = l.net + l.vat;
    return l;
}

InvoiceAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber)
{
    return readInvoiceAmounts(data, invoiceNumber, QStringLiteral("Szlafej"), QStringLiteral("Szlasor"));
}

InvoiceAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber, const QString& headerTable,
                                  const QString& lineTable)
{
    InvoiceAmounts a;
    Query header(data.connection(), QStringLiteral("NAV_AMOUNTS_HEAD"));
    header.setSql({QStringLiteral("SELECT fArfoly, fKerek FROM %1 WHERE fBszam = :p0 ORDER BY fID LIMIT 1").arg(headerTable)});
    header.setText(QStringLiteral("p0"), invoiceNumber);
    header.open();
    if (header.isEmpty())
        return a;
    a.exchangeRate = storedNumber(header.fieldText(QStringLiteral("fArfoly")));
    const Decimal discount = storedNumber(header.fieldText(QStringLiteral("fKerek")));

    // The VAT names are numbered by the server, so names it compares equal (case, trailing
    // blanks) fall into one group as its GROUP BY would put them.
    Query lines(data.connection(), QStringLiteral("NAV_AMOUNTS"));
    lines.setSql({QStringLiteral("SELECT sID, sMenny, sEar, sAfa, sAfanev, DENSE_RANK() OVER (ORDER BY sAfanev) AS csoport"),
                  QStringLiteral("FROM %1 WHERE sBszam = :p0 ORDER BY sID").arg(lineTable)});
    lines.setText(QStringLiteral("p0"), invoiceNumber);
    lines.open();
    a.lines.reserve(static_cast<size_t>(lines.rowCount()));
    for (int r = 0; r < lines.rowCount(); ++r) {
        LineAmounts l = lineAmounts(storedNumber(lines.text(r, 1)), storedNumber(lines.text(r, 2)), discount,
                                    storedNumber(lines.text(r, 3)));
        l.lineId = lines.integer(r, 0);
        l.vatName = lines.text(r, 4);
        l.vatGroup = static_cast<int>(lines.integer(r, 5));
        a.net += l.net;
        a.vat += l.vat;
        a.lines.push_back(l);
    }
    if (a.converted()) {
        a.netHuf = a.net.convertedWhole(a.exchangeRate);
        a.vatHuf = a.vat.convertedWhole(a.exchangeRate);
    } else {
        a.netHuf = a.net;
        a.vatHuf = a.vat;
    }
    return a;
}

} // namespace orvena::nav
