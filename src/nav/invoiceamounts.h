#pragma once
// The amounts of a stored invoice exactly as its print computes them: per line the net
// (quantity x unit price less the header discount, rounded to the fillér), the tax of that
// rounded net (rounded) and their sum; the invoice's net and tax as the sums of the lines'; the
// forint amounts of a foreign-currency invoice from the rounded totals, in whole forints.
// Amounts are held in fillér (hundredths), so sums are exact.
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena {

class DataModule;

namespace nav {

struct LineAmounts {
    qint64 lineId = 0;
    qint64 net = 0;
    qint64 vat = 0;
    qint64 gross = 0;
};

struct InvoiceAmounts {
    std::vector<LineAmounts> lines; // in line order (sID)
    qint64 net = 0;                 // sum of the lines' nets
    qint64 vat = 0;                 // sum of the lines' taxes
    qint64 gross() const { return net + vat; }
    double exchangeRate = 0;        // fArfoly: 0 for a forint invoice
    // Forint amounts in fillér: the invoice amounts for a forint invoice; for a foreign-currency
    // one whole forints, each rounded from the rounded total times the rate, gross = net + tax.
    qint64 netHuf = 0;
    qint64 vatHuf = 0;
    qint64 grossHuf() const { return netHuf + vatHuf; }
};

// One invoice line's rounded amounts as SQL expressions over Szlasor joined with Szlafej: the net
// (quantity x unit price less the header's discount, rounded to the fillér), the tax of that
// rounded net (rounded), and their rounded sum. The print and the invoice-data document both
// take their amounts from these, so the two can never disagree.
QString lineNetSql();
QString lineVatSql();
QString lineGrossSql();

// The three sums of those over the selected lines, named AFA_netto, AFA_afa, AFA_mindossz,
// followed by the join of lines and header; the caller adds WHERE and GROUP BY.
QStringList invoiceAmountColumns();

// Reads the amounts of the invoice of this number (no lines: all zero).
InvoiceAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber);

// The forint value of a foreign-currency amount as the print converts it: the amount rounded to
// the fillér times the rate, rounded half away from zero to whole forints. In fillér.
qint64 forintAmount(qint64 amount, double rate);

// "1234,56" / "-0,5" / "12" (program or server form) in fillér; rounds beyond two decimals.
qint64 parseFiller(const QString& text);
// 123456 -> "1234.56", -5 -> "-0.05" (the schema's decimal form).
QString fillerText(qint64 filler);

} // namespace nav
} // namespace orvena
