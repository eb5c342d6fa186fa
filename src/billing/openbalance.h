#pragma once
// The open balances: the table szlanyitott, one row per issued invoice whose balance is not
// nought, with what the balance view (balanceview.h) states for it today: its customer, issuer,
// currency, issue and due dates, payable, paid and balance. The receivables and the reminders read
// these rows (and the few invoices a later payment, correction or storno changes, from the view)
// instead of working out the balance of every invoice ever issued.
//
// The rows are kept in the transactions that change a balance: an invoice issued, a payment booked
// or deleted, a storno or a correction made or issued. Each calls refreshOpenBalance for the
// invoice concerned; the rows of its whole chain (the original, its corrections and its storno)
// are worked out again, since each of them settles the others.
#include <QStringList>

namespace orvena {

class Connection;

inline const QString kOpenBalance = QStringLiteral("szlanyitott");

// Works out again, from the balance view, the rows of the invoice's chain inside the caller's
// transaction. Throws DbError.
void refreshOpenBalance(Connection& c, const QString& invoiceNumber);

// Writes every row afresh from the balance view (made first when missing), in one transaction:
// for a database whose table has just been made (setup, a restore of an older backup). Returns the
// setup's Hungarian line. Throws DbError.
QStringList backfillOpenBalance(Connection& c);

} // namespace orvena
