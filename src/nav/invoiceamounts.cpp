#include "invoiceamounts.h"

#include "billing/amounts.h"

namespace orvena::nav {

// The report's view of the billing calculation (billing/amounts.h), which alone computes amounts.

LineAmounts lineAmounts(const Decimal& quantity, const Decimal& unitPrice, const Decimal& discountPercent,
                        const Decimal& vatPercent)
{
    const billing::LineAmounts b = billing::lineAmounts(quantity, unitPrice, discountPercent, vatPercent);
    LineAmounts l;
    l.net = b.net;
    l.vat = b.vat;
    l.gross = b.gross;
    return l;
}

InvoiceAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber)
{
    return readInvoiceAmounts(data, invoiceNumber, QStringLiteral("Szlafej"), QStringLiteral("Szlasor"));
}

InvoiceAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber, const QString& headerTable,
                                  const QString& lineTable)
{
    const billing::DocumentAmounts b = billing::readInvoiceAmounts(data, invoiceNumber, headerTable, lineTable);
    InvoiceAmounts a;
    a.lines.reserve(b.lines.size());
    for (const billing::LineAmounts& bl : b.lines) {
        LineAmounts l;
        l.lineId = bl.lineId;
        l.net = bl.net;
        l.vat = bl.vat;
        l.gross = bl.gross;
        l.vatName = bl.vatName;
        l.vatGroup = bl.vatGroup;
        a.lines.push_back(l);
    }
    a.net = b.net;
    a.vat = b.vat;
    // the rate only where it converts (a forint invoice's stored rate converts nothing)
    a.exchangeRate = b.converted() ? b.exchangeRate : Decimal();
    a.netHuf = b.netHuf;
    a.vatHuf = b.vatHuf;
    return a;
}

} // namespace orvena::nav
