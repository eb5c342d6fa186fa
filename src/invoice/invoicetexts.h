#pragma once
// Small helpers shared by the invoice screens: state keys, field checks and amount display; the
// program's blank-text rule comes with them.
#include "db/conversions.h"
#include "db/memotext.h"
#include "db/money.h"
#include "db/queryroles.h"

#include <QString>

namespace orvena::invoice {

// AppState key of the invoice family: the remembered line ID.
inline const QString kLineTable = QStringLiteral("szlasor");

// The list statement of the register, re-run by everything that stores an invoice.
inline const QString kRegisterListSql = QStringLiteral("SELECT * FROM SzlaFej ORDER BY fBszam");
inline const QString kLineListSql = QStringLiteral("SELECT * FROM SzlaSor WHERE sBszam= :p1 ORDER BY sID");


// The remark a storno is stored with: the reversed invoice by its stored number (older data is
// linked from this text). The print names the original by its printed number instead.
inline QString stornoRemark(const QString& reversed)
{
    return reversed + QStringLiteral(" számú érvénytelenítő számla");
}

// An amount as the screens show it: two decimals, blank thousands grouping, at most twelve
// significant digits (beyond that the figure is rounded to twelve digits first). The exact
// value is rounded once, half away from zero.
QString formatAmount(const Decimal& value);

} // namespace orvena::invoice

namespace orvena::invoice {

using orvena::memoFromDatabase;
using orvena::memoToDatabase;

} // namespace orvena::invoice
