#pragma once
// The sums of every issued invoice, kept beside it so that the figures read one row per invoice
// (szlaosszeg), per invoice and VAT rate (szlaafaosszeg) or per issue date (szlanaposszeg) instead
// of rounding and summing the lines each time. They are the sums of the rounded lines (sql.h),
// converted to forints as billing/amounts.h converts them: each VAT rate's sums times the exchange
// rate, rounded once to whole forints, and the invoice's forints the sums of its rates'; a day's
// row adds up its invoices' forint totals. An issued invoice never changes, so the sums written in
// the transaction that issues it stay right; a storno is an issued invoice of its own.
#include <QStringList>

namespace orvena {

class Connection;

inline const QString kInvoiceSums = QStringLiteral("szlaosszeg");
inline const QString kInvoiceRateSums = QStringLiteral("szlaafaosszeg");
inline const QString kDaySums = QStringLiteral("szlanaposszeg");

// Writes the sums of the invoice anew when it is issued (nothing for an unissued one), inside the
// caller's transaction; its issue date's row takes its totals instead of any written before.
// Throws DbError.
void recordInvoiceSums(Connection& c, const QString& invoiceNumber);

// Writes the sums of every issued invoice that has none (a database of an earlier layout, an older
// backup restored) and adds the days up afresh, in one transaction; sums of an invoice left over
// without their invoice row are written anew. Returns the setup's Hungarian line (empty when no
// invoice's sums were missing). Throws DbError.
QStringList backfillInvoiceSums(Connection& c);

} // namespace orvena
