#pragma once
// What each invoice owes: the view szlaegyenleg, one row per invoice header.
//
//   eBszam      the invoice's number
//   eFizetendo  the payable amount in the invoice's currency, as its print states it: the sum of
//               the lines' rounded gross amounts, in whole units on a whole-forint invoice (label
//               set type 2 in forints), to the fillér otherwise; negative for a storno, which owes
//               exactly its chain's payables negated (billing/amounts.h)
//   eFizetve    the sum of its payments not deleted
//   eHatralek   the balance: payable less paid, less what its storno partner settles (an issued
//               storno and the invoice it reverses settle each other: each is credited with the other's
//               payable negated, so the pair owes nothing without a payment)
//   eRendezve   once an issued invoice's balance is nought: the day it was settled (its last
//               payment, or the storno's date for a reversed pair, whichever is later; the issue
//               date of an invoice of nought); NULL otherwise
//   eKiallitva  1 for an issued (printed) invoice, 0 otherwise
//   eStorno     the number of its storno partner (the storno of an original, the original of a
//               storno), NULL without one
//   eVevo, eHatarido, ePnem, eKelt   the header's customer code, due date, currency, issue date
//
// The view reads single invoices through the headers' key and the side tables' indexes, so a
// lookup of a few numbers costs no more than those invoices. A backup leaves it out (a dump may
// hold tables only); setup and restore make it anew.
#include <QString>

namespace orvena {

class Connection;

inline const QString kBalanceView = QStringLiteral("szlaegyenleg");

// Creates (or replaces) the view on the connection's current database.
void ensureBalanceView(Connection& connection);

} // namespace orvena
