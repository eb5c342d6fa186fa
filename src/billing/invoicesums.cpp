#include "invoicesums.h"

#include "db/codepages.h"
#include "db/connection.h"
#include "sql.h"
#include "currency.h"
#include "db/resultset.h"
#include "db/sqlname.h"
#include "db/stepchain.h"

namespace orvena {

namespace {

QByteArray latin2(const QString& sql)
{
    return encode(CodePage::Latin2, sql);
}

// The statements that write the sums of the issued invoices `h` for which `condition` holds:
// the rates' rows, then the invoice's. Under the per-rate rule (billing/amounts.h) each rate's
// sums are converted and the invoice's forints are the sums of its rates' forints.
QList<QByteArray> insertStatements(const QString& condition)
{
    const QString net = QStringLiteral("SUM(%1)").arg(billing::lineNetSql(QStringLiteral("s"), QStringLiteral("h")));
    const QString vat = QStringLiteral("SUM(%1)").arg(billing::lineVatSql(QStringLiteral("s"), QStringLiteral("h")));
    const QString from = QStringLiteral("FROM szlafej h JOIN szlasor s ON s.sBszam = h.fBszam WHERE h.fPrn = 'I' AND (%1)")
                             .arg(condition);
    const auto rateForint = [](const QString& amount) { return billing::rateForintSql(amount, QStringLiteral("h")); };
    const QString rates =
        QStringLiteral("INSERT INTO %1 (rBszam, rAfakod, rAfanev, rAfa, rRkelt, rNetto, rAfaertek, rNettoFt, rAfaFt) "
                       "SELECT h.fBszam, s.skAfakod, MAX(s.sAfanev), s.sAfa, h.fRkelt, %2, %3, %4, %5 %6 "
                       "GROUP BY h.fBszam, s.skAfakod, s.sAfa")
            .arg(kInvoiceRateSums, net, vat, rateForint(net), rateForint(vat), from);
    // The invoice's sums add up its rates', computed again from the lines (not read back from the
    // rates' rows, whose locks would make workstations issuing at once wait for each other).
    const QString perRate = QStringLiteral("SELECT h.fBszam AS bszam, %1 AS net, %2 AS vat, %3 AS netHuf, %4 AS vatHuf %5 "
                                           "GROUP BY h.fBszam, s.skAfakod, s.sAfa")
                                .arg(net, vat, rateForint(net), rateForint(vat), from);
    const QString invoice =
        QStringLiteral("INSERT INTO %1 (oBszam, oRkelt, oTkelt, oFkelt, ovKod, oMuvelet, oPnem, oArfoly, oNetto, oAfa, "
                       "oNettoFt, oAfaFt) SELECT h.fBszam, h.fRkelt, h.fTkelt, h.fFkelt, h.fvKod, "
                       "IFNULL((SELECT MAX(hMuvelet) FROM szlahivatkozas WHERE hBszam = h.fBszam), ''), h.fPnem, "
                       "h.fArfoly, SUM(r.net), SUM(r.vat), SUM(r.netHuf), SUM(r.vatHuf) FROM (%2) r JOIN szlafej h ON "
                       "h.fBszam = r.bszam GROUP BY h.fBszam")
            .arg(kInvoiceSums, perRate);
    return {latin2(rates), latin2(invoice)};
}

// Adds (sign +) or takes away (sign -) the invoice's forint totals on its issue date's row.
QByteArray dayStatement(const QByteArray& number, char sign)
{
    if (sign == '-')
        return latin2(QStringLiteral("UPDATE %1 d JOIN %2 o ON d.dNap = o.oRkelt SET d.dNettoFt = d.dNettoFt - "
                                     "o.oNettoFt, d.dAfaFt = d.dAfaFt - o.oAfaFt, d.dSzamlak = d.dSzamlak - 1 "
                                     "WHERE o.oBszam = %3")
                          .arg(kDaySums, kInvoiceSums, decode(CodePage::Latin2, number)));
    // The day's row is locked for the update (never read shared first), so workstations issuing
    // on the same day wait for each other in turn.
    return latin2(QStringLiteral("INSERT INTO %1 (dNap, dNettoFt, dAfaFt, dSzamlak) SELECT oRkelt, oNettoFt, oAfaFt, 1 "
                                 "FROM %2 WHERE oBszam = %3 AND oRkelt IS NOT NULL ON DUPLICATE KEY UPDATE dNettoFt = dNettoFt + "
                                 "VALUES(dNettoFt), dAfaFt = dAfaFt + VALUES(dAfaFt), dSzamlak = dSzamlak + 1")
                      .arg(kDaySums, kInvoiceSums, decode(CodePage::Latin2, number)));
}

} // namespace

void recordInvoiceSums(Connection& c, const QString& invoiceNumber)
{
    const QByteArray number = quotedLiteral(c, invoiceNumber.trimmed());
    // Sums written before are taken away only when there are any: looked for with a plain read,
    // because a locking statement that finds no row locks the gap around the number, and two
    // workstations issuing neighbouring numbers would then wait for each other's inserts.
    if (c.select("SELECT COUNT(*) FROM " + latin2(kInvoiceSums) + " WHERE oBszam = " + number)->text(0, 0) != u"0") {
        c.execute(dayStatement(number, '-'));
        c.execute("DELETE FROM " + latin2(kInvoiceSums) + " WHERE oBszam = " + number);
    }
    if (c.select("SELECT COUNT(*) FROM " + latin2(kInvoiceRateSums) + " WHERE rBszam = " + number)->text(0, 0) != u"0")
        c.execute("DELETE FROM " + latin2(kInvoiceRateSums) + " WHERE rBszam = " + number);
    for (const QByteArray& sql :
         insertStatements(QStringLiteral("h.fBszam = %1").arg(decode(CodePage::Latin2, number))))
        c.execute(sql);
    c.execute(dayStatement(number, '+'));
}

QStringList backfillInvoiceSums(Connection& c)
{
    const QString missing = QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 o WHERE o.oBszam = h.fBszam)").arg(kInvoiceSums);
    int added = 0;
    StepChain chain(c);
    chain.run([&] {
        chain.begin();
        // rates' rows whose invoice row never came (written by hand, or half restored) are written anew
        c.execute(latin2(QStringLiteral("DELETE FROM %1 WHERE NOT EXISTS (SELECT 1 FROM %2 o WHERE o.oBszam = rBszam)")
                             .arg(kInvoiceRateSums, kInvoiceSums)));
        const QByteArray count = "SELECT COUNT(*) FROM " + latin2(kInvoiceSums);
        const int before = static_cast<int>(c.select(count)->integer(0, 0));
        for (const QByteArray& sql : insertStatements(missing))
            c.execute(sql);
        added = static_cast<int>(c.select(count)->integer(0, 0)) - before;
        c.execute("DELETE FROM " + latin2(kDaySums));
        c.execute(latin2(QStringLiteral("INSERT INTO %1 (dNap, dNettoFt, dAfaFt, dSzamlak) SELECT oRkelt, SUM(oNettoFt), "
                                        "SUM(oAfaFt), COUNT(*) FROM %2 WHERE oRkelt IS NOT NULL GROUP BY oRkelt")
                             .arg(kDaySums, kInvoiceSums)));
        chain.commit();
    });
    if (added == 0)
        return {};
    return {QStringLiteral("Számlaösszegek a kimutatásokhoz: %1 kiállított számla").arg(added)};
}

} // namespace orvena
