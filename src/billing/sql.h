#pragma once
// The billing rules of amounts.h in the server's form, for the sums the server makes over many
// documents at once (the balance view, the kept sums, the figures, the accountant's export). The
// server rounds exact decimals half away from zero, as Money does; tests compare both over the
// same documents. `line` and `header` are the aliases of the line (szlasor) and header (szlafej)
// rows, empty for unqualified names.
#include <QString>

namespace orvena::billing {

// A line's net (quantity x unit price less the header's discount, rounded to the fillér), its tax
// (rounded) and their sum.
QString lineNetSql(const QString& line = {}, const QString& header = {});
QString lineVatSql(const QString& line = {}, const QString& header = {});
QString lineGrossSql(const QString& line = {}, const QString& header = {});

// Whether the document of header alias `h` converts its amounts to forints (a foreign currency
// with a positive rate).
QString convertedSql(const QString& h);
// A VAT rate's sum in the currency (one VAT code at one percentage of one document) in forints:
// times the rate, rounded once to whole forints when converted, itself otherwise.
QString rateForintSql(const QString& amount, const QString& h);
// A line's share of its VAT rate's forints, for sums per line (per article): a forint document's
// line amount itself; a converted document's lines share their rate's forints by cumulative
// rounding, each line the rounded running sum of its rate's lines through it less that through
// the line before, so the lines of a rate add up to exactly the rate's forints. `amount` is the
// line's amount over the line alias `s` and the header alias `h`.
QString lineForintSql(const QString& amount);

} // namespace orvena::billing
