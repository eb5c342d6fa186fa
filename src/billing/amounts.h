#pragma once
// The amounts of one document, computed once for every channel that states them (the
// composition screen, the print and its words, the e-mail, the payment QR code, the payments,
// the advance deductions, the invoice-data report):
//
// - a line's net is quantity x unit price less the header's discount, rounded to the fillér; its
//   tax is that net times the VAT percentage, rounded; its gross their sum;
// - the document's net and tax are the sums of its lines', in its currency;
// - a VAT rate of the document is its lines of one VAT code at one percentage; the forint value
//   of a foreign-currency document is taken per VAT rate: the rate's net and tax each times the
//   exchange rate, rounded once to whole forints; every forint total is the sum of its rates'
//   forints, so every breakdown (per rate, per VAT percentage, per classification) adds up to
//   the totals. A forint document's forint amounts are its amounts;
// - the payable is the gross, in whole forints on a forint document whose label set prints whole
//   forints; a storno that reverses its chain (the original and its issued corrections) line for
//   line is payable exactly the negated payables of the chain, so the pair settles to nought.
//
// The server computes the same over many documents at once with the expressions of sql.h.
#include "db/money.h"

#include <QString>
#include <vector>

namespace orvena {

class Connection;
class DataModule;

namespace billing {

struct LineAmounts {
    qint64 lineId = 0;
    Money net;
    Money vat;
    Money gross;
    // The line's VAT name (sAfanev) and its place among the document's names in name order:
    // lines whose names the database holds equal share a number (the print's VAT summary).
    QString vatName;
    int vatGroup = 0;
    // Its VAT rate: an index into DocumentAmounts::rates.
    int rate = 0;
};

struct RateAmounts {
    QString vatCode;     // skAfakod as stored
    QString vatName;     // the first line's sAfanev
    Decimal vatPercent;  // sAfa
    Money net, vat;      // in the document's currency
    Money netHuf, vatHuf;
    Money gross() const { return net + vat; }
    Money grossHuf() const { return netHuf + vatHuf; }
};

struct DocumentAmounts {
    std::vector<LineAmounts> lines; // in line order (sID)
    std::vector<RateAmounts> rates; // in the order of their first lines
    Money net;
    Money vat;
    Money gross() const { return net + vat; }
    QString currency;       // the ISO code ("HUF" for forints); empty for an unknown text
    bool forint = true;
    Decimal exchangeRate;   // fArfoly as stored
    // Whether forint values are converted: a foreign currency with a positive rate.
    bool converted() const { return !forint && exchangeRate.isPositive(); }
    Money netHuf;
    Money vatHuf;
    Money grossHuf() const { return netHuf + vatHuf; }
    bool wholeForints = false; // the payable is stated in whole forints
    Money payable;
    // What the print shows as "Kerekítés": the payable less the gross.
    Money rounding() const { return payable - gross(); }
    // The payable as the documents write it: "12 346" in whole forints, "12 345,67" otherwise.
    QString payableText() const;
};

// What a document's amounts are computed from.
struct LineInput {
    qint64 lineId = 0;
    Decimal quantity, unitPrice, vatPercent;
    QString vatCode, vatName;
    int vatGroup = 0;
};
struct DocumentInput {
    QString currency;  // the stored text
    Decimal exchangeRate;
    Decimal discount;  // percent
    QString labelCode; // the label set
    std::vector<LineInput> lines;
};

// One line's amounts from its stored numbers.
LineAmounts lineAmounts(const Decimal& quantity, const Decimal& unitPrice, const Decimal& discountPercent,
                        const Decimal& vatPercent);

// A document's amounts from its numbers (its own payable: no chain considered).
DocumentAmounts computeAmounts(const DocumentInput& input);

// The forint value of an amount of a converted document: times the rate, to whole forints.
Money forintValue(Money amount, const Decimal& exchangeRate);

// Reads the amounts of the invoice of this number (no header or no lines: all zero); a storno's
// payable follows its chain. An issued invoice's forints are those kept when it was issued
// (invoicesums.h), so a reprint states what it stated then.
DocumentAmounts readInvoiceAmounts(Connection& c, const QString& invoiceNumber);
DocumentAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber);
// The same from its lines alone, whatever was kept at the issue (what the kept sums are checked
// against).
DocumentAmounts invoiceAmountsFromLines(Connection& c, const QString& invoiceNumber);
// The same from other tables with the invoice tables' columns (a proforma's): no chain.
DocumentAmounts readInvoiceAmounts(DataModule& data, const QString& invoiceNumber, const QString& headerTable,
                                   const QString& lineTable);

// A stored number; NULL and an empty text count as nought.
Decimal storedNumber(const QString& text);

// A decimal of at most six decimals (a stored rate or percentage) in program form, with at least
// `minDecimals` decimals and no trailing zeros beyond them: 395,123456; 27; 5,50 (two decimals).
QString decimalText(const Decimal& value, int minDecimals = 0);

} // namespace billing
} // namespace orvena
