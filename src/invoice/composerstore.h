#pragma once
// What the composition screen reads of the document it composes besides the fields it shows:
// whether its number is taken, its stored lines and their amounts. One statement each, on a
// query of its own.
#include "composertarget.h"

#include "billing/amounts.h"
#include "db/connection.h"

namespace orvena::composer {

// Whether `number` already has a header in the target's header table. `locking` reads with a
// shared lock, inside the store's transaction.
bool numberTaken(Connection& connection, const ComposerTarget& target, const QString& number, bool locking = false);

// How many lines are stored under `number`.
qint64 lineCount(Connection& connection, const ComposerTarget& target, const QString& number);

// The amounts of the lines stored under `number` with the currency and the discount as typed:
// each line rounded, the discount applied, as the print will state them; 0 without lines.
billing::DocumentAmounts draftAmounts(Connection& connection, const ComposerTarget& target, const QString& number,
                                      const QString& currency, const Decimal& discount);

} // namespace orvena::composer
