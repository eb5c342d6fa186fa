#pragma once
// The amounts of a stored invoice, computed once for its print and its invoice-data report: per
// line the net (quantity x unit price less the header discount, rounded to the fillér), the tax
// of that rounded net (rounded) and their sum; the invoice's net and tax as the sums of the
// lines'; the forint amounts of a foreign-currency invoice from the rounded totals, in whole
// forints.
#include "db/money.h"

#include <QString>
#include <vector>

namespace orvena {

class DataModule;

namespace nav {

struct LineAmounts {
    qint64 lineId = 0;
    Money net;
    Money vat;
    Money gross;
    // The line's VAT name (sAfanev) and its place among the invoice's names in name order:
    // lines whose names the database holds equal share a number (the print's VAT summary).
    QString vatName;
    int vatGroup = 0;
};

struct InvoiceAmounts {
    std::vector<LineAmounts> lines; // in line order (sID)
    Money net;                      // sum of the lines' nets
    Money vat;                      // sum of the lines' taxes
    Money gross() const { return net + vat; }
    Decimal exchangeRate;           // fArfoly: 0 for a forint invoice
    bool converted() const { return exchangeRate.isPositive(); }
    // Forint amounts: the invoice amounts for a forint invoice; for a foreign-currency one whole
    // forints, each rounded from the rounded total times the rate, gross = net + tax.
    Money netHuf;
    Money vatHuf;
    Money grossHuf() const { return netHuf + vatHuf; }
};

// One line's amounts from its stored numbers.
LineAmounts lineAmounts(const Decimal& quantity, const Decimal& unitPrice, const Decimal& discountPercent,
                        const Decimal& vatPercent);

// Reads the amounts of the invoice of this number (no header or no lines: all zero).
InvoiceAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber);
// The same from other tables with the invoice tables' columns (a proforma's).
InvoiceAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber, const QString& headerTable,
                                  const QString& lineTable);

} // namespace nav
} // namespace orvena
