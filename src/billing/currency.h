#pragma once
// The currency of a document, decided in one place for every channel: the composition screen's
// rate request, the print, the e-mail, the payment QR code, the balances, the kept sums, the
// figures, the accountant's export and the invoice-data report. The stored text is free (the
// customer's default, what was typed): "", "Ft", "Ft.", "Forint" and "HUF" are forints, "€" and
// "Euro" are euros, any other known ISO 4217 code is that currency, whatever its case and blanks.
// And whether a document's payable is stated in whole forints: on a forint document whose label
// set (dictionary code) prints whole forints, its fifth character being 2.
#include <QString>

namespace orvena::billing {

// "HUF", "EUR", ...: the ISO code of a stored currency text; empty when it names none known.
QString currencyCode(const QString& stored);
// Whether the stored currency text means forints.
bool isForint(const QString& stored);
// The same test as an SQL condition over a column holding the stored text.
QString isForintSql(const QString& column);

// Whether the label set (dictionary code) prints whole forints.
bool wholeForintLabelSet(const QString& labelCode);
// Whether a document of this currency and label set states its payable in whole forints.
bool payableInWholeForints(const QString& currency, const QString& labelCode);
// The same as an SQL condition over the header alias `h` (its fPnem and fmKod).
QString payableInWholeForintsSql(const QString& h);

} // namespace orvena::billing
