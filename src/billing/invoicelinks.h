#pragma once
// The links between invoices that the invoice-data report needs: a storno names the invoice it
// reverses in szlahivatkozas (hBszam the storno, hMuvelet STORNO, hEredeti the original),
// recorded in the transaction that makes the storno. The remark never decides it.
#include <QStringList>

namespace orvena {

class Connection;

// The kind of reference of a storno invoice.
inline const QString kStornoLink = QStringLiteral("STORNO");
// The kind of reference of a correcting invoice (hEredeti the corrected invoice).
inline const QString kModifyLink = QStringLiteral("MODIFY");

// Links, once, the stornos a database holds from before the links were recorded; called when the
// link table has just been made. Linked are the invoices reported as STORNO (szlanav names their
// original) and the unreported invoices that carry the storno remark the program wrote and whose
// lines are the named invoice's lines negated (same customer, as many lines, the negated net),
// the first of each original only. An invoice that merely looks like one stays a new invoice.
// Returns the Hungarian summary for the setup's output (empty when nothing was linked).
QStringList backfillStornoLinks(Connection& c);

} // namespace orvena
