#include "balanceview.h"
#include "invoicesums.h"
#include "currency.h"
#include "sql.h"

#include "db/codepages.h"
#include "db/connection.h"

#include <QStringList>

namespace orvena {

namespace {

// The payable amount of the invoice whose header is aliased `h`, its own (billing/amounts.h): the
// sum of its lines' rounded gross amounts, rounded to whole units when it states its payable in
// whole forints. An issued invoice's lines were summed when it was issued (invoicesums.h): its
// payable is read from those sums by key; only an unissued invoice's lines are summed here.
QString payableOf(const QString& h)
{
    const QString sum = QStringLiteral("IFNULL(SUM(%1), 0)").arg(billing::lineGrossSql(QStringLiteral("s"), h));
    const QString whole = billing::payableInWholeForintsSql(h);
    return QStringLiteral("IFNULL((SELECT IF(%2, ROUND(o.oNetto + o.oAfa, 0), ROUND(o.oNetto + o.oAfa, 2)) FROM %4 o "
                          "WHERE o.oBszam = %1.fBszam AND %1.fPrn = 'I'), (SELECT IF(%2, ROUND(%3, 0), ROUND(%3, 2)) "
                          "FROM szlasor s WHERE s.sBszam = %1.fBszam))")
        .arg(h, whole, sum, kInvoiceSums);
}

// The gross of the invoice aliased `h` to the fillér, before any rounding to whole units.
QString grossOf(const QString& h)
{
    const QString sum = QStringLiteral("IFNULL(SUM(%1), 0)").arg(billing::lineGrossSql(QStringLiteral("s"), h));
    return QStringLiteral("IFNULL((SELECT ROUND(o.oNetto + o.oAfa, 2) FROM %3 o WHERE o.oBszam = %1.fBszam AND "
                          "%1.fPrn = 'I'), (SELECT ROUND(%2, 2) FROM szlasor s WHERE s.sBszam = %1.fBszam))")
        .arg(h, sum, kInvoiceSums);
}

// What the issued corrections of the invoice aliased `h` add to its payable (their differences),
// or with `of` = grossOf to its gross.
QString correctionsOf(const QString& h, QString (*of)(const QString&) = payableOf)
{
    return QStringLiteral("IFNULL((SELECT SUM(%1) FROM szlahivatkozas hm JOIN szlafej c ON c.fBszam = hm.hBszam WHERE "
                          "hm.hEredeti = %2.fBszam AND hm.hMuvelet = 'MODIFY' AND c.fPrn = 'I'), 0)")
        .arg(of(QStringLiteral("c")), h);
}

// The payable of the storno aliased `s` of the original aliased `o`: a storno whose lines reverse
// the chain (the original with its issued corrections) owes exactly the chain's payable negated,
// whatever its own rounding would give; otherwise its own.
QString stornoPayableOf(const QString& s, const QString& o)
{
    return QStringLiteral("(CASE WHEN %1 = -(%2 + %3) THEN -(%4 + %5) ELSE %6 END)")
        .arg(grossOf(s), grossOf(o), correctionsOf(o, grossOf), payableOf(o), correctionsOf(o), payableOf(s));
}

QString paymentsOf(const QString& what)
{
    return QStringLiteral("(SELECT %1 FROM szlafizetes p WHERE p.pBszam = f.fBszam AND p.pTorolve IS NULL)").arg(what);
}

} // namespace

void ensureBalanceView(Connection& connection)
{
    // A corrected invoice is payable with its issued corrections; an issued correction is settled
    // through its original (paid there), like a storno pair.
    const QString payable = QStringLiteral("(CASE WHEN ho.hBszam IS NOT NULL THEN %1 ELSE %2 + %3 END)")
                                .arg(stornoPayableOf(QStringLiteral("f"), QStringLiteral("g")), payableOf(QStringLiteral("f")),
                                     correctionsOf(QStringLiteral("f")));
    const QString paid = paymentsOf(QStringLiteral("IFNULL(SUM(p.pOsszeg), 0)"));
    const QString lastPayment = paymentsOf(QStringLiteral("MAX(p.pDatum)"));
    // What the storno partner settles: its payable negated (a reversed invoice's with its
    // corrections); a storno settles its original only once it is issued.
    const QString settled = QStringLiteral("CASE WHEN hc.hBszam IS NOT NULL AND f.fPrn = 'I' THEN %1 WHEN g.fBszam IS "
                                           "NULL THEN 0 WHEN hs.hBszam IS NOT NULL THEN IF(g.fPrn = 'I', -%2, 0) "
                                           "ELSE -(%3 + %4) END")
                                .arg(payableOf(QStringLiteral("f")),
                                     stornoPayableOf(QStringLiteral("g"), QStringLiteral("f")),
                                     payableOf(QStringLiteral("g")), correctionsOf(QStringLiteral("g")));
    const QString balance = QStringLiteral("(%1 - %2 - %3)").arg(payable, paid, settled);
    const QString pairDate = QStringLiteral("IF(g.fBszam IS NULL OR g.fPrn <> 'I', NULL, GREATEST(f.fRkelt, g.fRkelt))");
    const QString settledOn = QStringLiteral("CASE WHEN f.fPrn = 'I' AND %1 = 0 THEN GREATEST(IFNULL(%2, IFNULL(%3, "
                                             "f.fRkelt)), IFNULL(%3, IFNULL(%2, f.fRkelt))) END")
                                  .arg(balance, lastPayment, pairDate);
    const QStringList columns{
        QStringLiteral("f.fBszam AS eBszam"),
        payable + QStringLiteral(" AS eFizetendo"),
        paid + QStringLiteral(" AS eFizetve"),
        balance + QStringLiteral(" AS eHatralek"),
        settledOn + QStringLiteral(" AS eRendezve"),
        QStringLiteral("IF(f.fPrn = 'I', 1, 0) AS eKiallitva"),
        QStringLiteral("g.fBszam AS eStorno"),
        QStringLiteral("f.fvKod AS eVevo"),
        QStringLiteral("f.fFkelt AS eHatarido"),
        QStringLiteral("f.fPnem AS ePnem"),
        QStringLiteral("f.fRkelt AS eKelt"),
    };
    // SQL SECURITY INVOKER: every account reads it with its own rights on the tables, whoever
    // made it (setup and restore run as the administrator).
    const QString sql = QStringLiteral(
                            "CREATE OR REPLACE ALGORITHM = MERGE SQL SECURITY INVOKER VIEW `%1` AS SELECT %2 FROM "
                            "szlafej f LEFT JOIN szlahivatkozas hs ON hs.hEredeti = f.fBszam AND hs.hMuvelet = "
                            "'STORNO' LEFT JOIN szlahivatkozas ho ON ho.hBszam = f.fBszam AND ho.hMuvelet = 'STORNO' "
                            "LEFT JOIN szlafej g ON g.fBszam = IFNULL(hs.hBszam, ho.hEredeti) LEFT JOIN szlahivatkozas hc ON "
                            "hc.hBszam = f.fBszam AND hc.hMuvelet = 'MODIFY'")
                            .arg(kBalanceView, columns.join(QStringLiteral(", ")));
    connection.execute(encode(CodePage::Latin2, sql));
}

} // namespace orvena
