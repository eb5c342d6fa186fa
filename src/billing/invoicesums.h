#pragma once
// The sums of every issued invoice, kept beside it so that the figures read one row per invoice
// (szlaosszeg), per invoice and VAT rate (szlaafaosszeg), per invoice and article (szlacikkosszeg),
// per issue date (szlanaposszeg), per issue date and article (szlanapcikk) or per issue date and VAT
// rate (szlanapafa) instead of rounding and summing the lines each time: a period over years of
// invoices adds up a few rows per day. They are the sums of the rounded lines (sql.h),
// converted to forints as billing/amounts.h converts them: each VAT rate's sums times the exchange
// rate, rounded once to whole forints, and the invoice's forints the sums of its rates'; an
// article's forints are its lines' shares of their rates' forints (billing/sql.h, lineForintSql);
// a day's rows add up its invoices' forints and count the invoices. A line without an article or
// VAT code counts under the empty code. An issued invoice never changes, so the sums written in
// the transaction that issues it stay right; a storno is an issued invoice of its own.
#include <QStringList>

namespace orvena {

class Connection;

inline const QString kInvoiceSums = QStringLiteral("szlaosszeg");
inline const QString kInvoiceRateSums = QStringLiteral("szlaafaosszeg");
inline const QString kDaySums = QStringLiteral("szlanaposszeg");
inline const QString kInvoiceArticleSums = QStringLiteral("szlacikkosszeg");
inline const QString kDayArticleSums = QStringLiteral("szlanapcikk");
inline const QString kDayRateSums = QStringLiteral("szlanapafa");

// Writes the sums of the invoice anew when it is issued (nothing for an unissued one), inside the
// caller's transaction; its issue date's rows take its totals instead of any written before.
// Throws DbError.
void recordInvoiceSums(Connection& c, const QString& invoiceNumber);

// Writes the sums of every issued invoice that has none (a database of an earlier layout, an older
// backup restored) and adds the days up afresh, in one transaction; sums of an invoice left over
// without their invoice row are written anew. The days' article and VAT rate rows are added up
// afresh when any invoice's sums were written (or they are missing). Returns the setup's Hungarian line (empty when no
// invoice's sums were missing). Throws DbError.
QStringList backfillInvoiceSums(Connection& c);

} // namespace orvena
