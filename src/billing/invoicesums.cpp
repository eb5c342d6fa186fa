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

// The lines of the issued invoices `h` for which `condition` holds: each with its invoice, issue
// date, article code and name, and its forints (its share of its VAT rate's forints).
QString articleLines(const QString& condition)
{
    return QStringLiteral("SELECT h.fBszam AS number, h.fRkelt AS day, IFNULL(s.scKod, '') AS code, IFNULL(s.sMegn, '') "
                          "AS name, %1 AS netHuf, %2 AS vatHuf FROM szlafej h JOIN szlasor s ON s.sBszam = h.fBszam "
                          "WHERE h.fPrn = 'I' AND (%3)")
        .arg(billing::lineForintSql(billing::lineNetSql(QStringLiteral("s"), QStringLiteral("h"))),
             billing::lineForintSql(billing::lineVatSql(QStringLiteral("s"), QStringLiteral("h"))), condition);
}

// The per-article rows of the issued invoices for which `condition` holds.
QByteArray insertArticleStatement(const QString& condition)
{
    return latin2(QStringLiteral("INSERT INTO %1 (caBszam, caRkelt, caKod, caMegn, caNettoFt, caAfaFt) SELECT number, "
                                 "MAX(day), code, MAX(name), SUM(netHuf), SUM(vatHuf) FROM (%2) l GROUP BY number, code")
                      .arg(kInvoiceArticleSums, articleLines(condition)));
}

// Adds one invoice's sums to its issue date's article and VAT rate rows, computed from its lines
// (as the invoice's row is: reading back its own rows would lock the neighbours' inserts).
QList<QByteArray> addDayDetailStatements(const QString& number)
{
    const QString one = QStringLiteral("h.fBszam = %1 AND h.fRkelt IS NOT NULL").arg(number);
    const QString articles =
        QStringLiteral("INSERT INTO %1 (ncNap, ncKod, ncMegn, ncNettoFt, ncAfaFt, ncSzamlak) SELECT MAX(day), code, "
                       "MAX(name), SUM(netHuf), SUM(vatHuf), 1 FROM (%2) l GROUP BY code ON DUPLICATE KEY UPDATE "
                       "ncMegn = GREATEST(ncMegn, VALUES(ncMegn)), ncNettoFt = ncNettoFt + VALUES(ncNettoFt), "
                       "ncAfaFt = ncAfaFt + VALUES(ncAfaFt), ncSzamlak = ncSzamlak + 1")
            .arg(kDayArticleSums, articleLines(one));
    const QString net = QStringLiteral("SUM(%1)").arg(billing::lineNetSql(QStringLiteral("s"), QStringLiteral("h")));
    const QString vat = QStringLiteral("SUM(%1)").arg(billing::lineVatSql(QStringLiteral("s"), QStringLiteral("h")));
    const QString perRate =
        QStringLiteral("SELECT h.fRkelt AS day, IFNULL(s.skAfakod, '') AS code, IFNULL(s.sAfa, 0) AS pct, "
                       "IFNULL(MAX(s.sAfanev), '') AS name, %1 AS netHuf, %2 AS vatHuf FROM szlafej h JOIN szlasor s ON "
                       "s.sBszam = h.fBszam WHERE h.fPrn = 'I' AND %3 GROUP BY h.fBszam, s.skAfakod, s.sAfa")
            .arg(billing::rateForintSql(net, QStringLiteral("h")), billing::rateForintSql(vat, QStringLiteral("h")), one);
    const QString rates =
        QStringLiteral("INSERT INTO %1 (naNap, naAfakod, naAfa, naAfanev, naNettoFt, naAfaFt, naSzamlak) SELECT "
                       "MAX(day), code, pct, MAX(name), SUM(netHuf), SUM(vatHuf), 1 FROM (%2) r GROUP BY code, pct "
                       "ON DUPLICATE KEY UPDATE naAfanev = GREATEST(naAfanev, VALUES(naAfanev)), naNettoFt = "
                       "naNettoFt + VALUES(naNettoFt), naAfaFt = naAfaFt + VALUES(naAfaFt), naSzamlak = naSzamlak + 1")
            .arg(kDayRateSums, perRate);
    return {latin2(articles), latin2(rates)};
}

// Takes an invoice's article rows written before off its day's rows (a day's row of no invoice
// goes) and deletes them.
QList<QByteArray> removeArticleStatements(const QString& number)
{
    const QString mine = QStringLiteral("(SELECT caRkelt, caKod, SUM(caNettoFt) AS net, SUM(caAfaFt) AS vat FROM %1 "
                                        "WHERE caBszam = %2 GROUP BY caRkelt, caKod) a")
                             .arg(kInvoiceArticleSums, number);
    return {latin2(QStringLiteral("UPDATE %1 n JOIN %2 ON n.ncNap = a.caRkelt AND n.ncKod = a.caKod SET n.ncNettoFt = "
                                  "n.ncNettoFt - a.net, n.ncAfaFt = n.ncAfaFt - a.vat, n.ncSzamlak = n.ncSzamlak - 1")
                       .arg(kDayArticleSums, mine)),
            latin2(QStringLiteral("DELETE n FROM %1 n JOIN %2 ON n.ncNap = a.caRkelt AND n.ncKod = a.caKod WHERE "
                                  "n.ncSzamlak <= 0")
                       .arg(kDayArticleSums, mine)),
            latin2(QStringLiteral("DELETE FROM %1 WHERE caBszam = %2").arg(kInvoiceArticleSums, number))};
}

// The same for an invoice's VAT rate rows, taken off its day's rate rows (before they are deleted).
QList<QByteArray> removeDayRateStatements(const QString& number)
{
    const QString mine = QStringLiteral("(SELECT rRkelt, IFNULL(rAfakod, '') AS code, IFNULL(rAfa, 0) AS pct, "
                                        "SUM(rNettoFt) AS net, SUM(rAfaFt) AS vat FROM %1 WHERE rBszam = %2 AND rRkelt "
                                        "IS NOT NULL GROUP BY rRkelt, code, pct) r")
                             .arg(kInvoiceRateSums, number);
    const QString on = QStringLiteral("n.naNap = r.rRkelt AND n.naAfakod = r.code AND n.naAfa = r.pct");
    return {latin2(QStringLiteral("UPDATE %1 n JOIN %2 ON %3 SET n.naNettoFt = n.naNettoFt - r.net, n.naAfaFt = "
                                  "n.naAfaFt - r.vat, n.naSzamlak = n.naSzamlak - 1")
                       .arg(kDayRateSums, mine, on)),
            latin2(QStringLiteral("DELETE n FROM %1 n JOIN %2 ON %3 WHERE n.naSzamlak <= 0").arg(kDayRateSums, mine, on))};
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
    const QString numberText = decode(CodePage::Latin2, number);
    const auto any = [&](const QString& table, const char* column) {
        return c.select("SELECT COUNT(*) FROM " + latin2(table) + " WHERE " + column + " = " + number)->text(0, 0) != u"0";
    };
    // Sums written before are taken away only when there are any: looked for with a plain read,
    // because a locking statement that finds no row locks the gap around the number, and two
    // workstations issuing neighbouring numbers would then wait for each other's inserts.
    if (any(kInvoiceSums, "oBszam")) {
        c.execute(dayStatement(number, '-'));
        c.execute("DELETE FROM " + latin2(kInvoiceSums) + " WHERE oBszam = " + number);
    }
    if (any(kInvoiceRateSums, "rBszam")) {
        for (const QByteArray& sql : removeDayRateStatements(numberText))
            c.execute(sql);
        c.execute("DELETE FROM " + latin2(kInvoiceRateSums) + " WHERE rBszam = " + number);
    }
    if (any(kInvoiceArticleSums, "caBszam"))
        for (const QByteArray& sql : removeArticleStatements(numberText))
            c.execute(sql);
    const QString one = QStringLiteral("h.fBszam = %1").arg(numberText);
    for (const QByteArray& sql : insertStatements(one))
        c.execute(sql);
    c.execute(insertArticleStatement(one));
    // The day's row first: workstations issuing on the same day wait there in turn, before the
    // day's article and rate rows.
    c.execute(dayStatement(number, '+'));
    for (const QByteArray& sql : addDayDetailStatements(numberText))
        c.execute(sql);
}

QStringList backfillInvoiceSums(Connection& c)
{
    const QString missing = QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 o WHERE o.oBszam = h.fBszam)").arg(kInvoiceSums);
    const QString noArticles =
        QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 a WHERE a.caBszam = h.fBszam)").arg(kInvoiceArticleSums);
    int added = 0;
    StepChain chain(c);
    chain.run([&] {
        chain.begin();
        // rows whose invoice row never came (written by hand, or half restored) are written anew
        for (const QString& table : {kInvoiceRateSums, kInvoiceArticleSums})
            c.execute(latin2(QStringLiteral("DELETE FROM %1 WHERE NOT EXISTS (SELECT 1 FROM %2 o WHERE o.oBszam = %3)")
                                 .arg(table, kInvoiceSums,
                                      table == kInvoiceRateSums ? QStringLiteral("rBszam") : QStringLiteral("caBszam"))));
        const auto count = [&c](const QString& table) {
            return c.select("SELECT COUNT(*) FROM " + latin2(table))->integer(0, 0);
        };
        const qint64 before = count(kInvoiceSums);
        const qint64 articlesBefore = count(kInvoiceArticleSums);
        for (const QByteArray& sql : insertStatements(missing))
            c.execute(sql);
        // the invoices of a layout before the article sums, and those just written
        c.execute(insertArticleStatement(noArticles));
        added = static_cast<int>(count(kInvoiceSums) - before);
        const bool articlesAdded = count(kInvoiceArticleSums) != articlesBefore;
        c.execute("DELETE FROM " + latin2(kDaySums));
        c.execute(latin2(QStringLiteral("INSERT INTO %1 (dNap, dNettoFt, dAfaFt, dSzamlak) SELECT oRkelt, SUM(oNettoFt), "
                                        "SUM(oAfaFt), COUNT(*) FROM %2 WHERE oRkelt IS NOT NULL GROUP BY oRkelt")
                             .arg(kDaySums, kInvoiceSums)));
        // The days' article and rate rows: added up afresh when anything was written, or when
        // they are missing beside the invoices' rows (a layout before them); kept otherwise, so a
        // restore of a current backup does not add up every invoice again.
        const auto empty = [&c](const QString& table) {
            return c.select("SELECT COUNT(*) FROM (SELECT 1 FROM " + latin2(table) + " LIMIT 1) x")->integer(0, 0) == 0;
        };
        if (added > 0 || articlesAdded || (empty(kDayRateSums) && !empty(kInvoiceRateSums))
            || (empty(kDayArticleSums) && !empty(kInvoiceArticleSums))) {
            c.execute("DELETE FROM " + latin2(kDayArticleSums));
            c.execute(latin2(QStringLiteral("INSERT INTO %1 (ncNap, ncKod, ncMegn, ncNettoFt, ncAfaFt, ncSzamlak) SELECT "
                                            "caRkelt, caKod, MAX(caMegn), SUM(caNettoFt), SUM(caAfaFt), COUNT(*) FROM %2 "
                                            "WHERE caRkelt IS NOT NULL GROUP BY caRkelt, caKod")
                                 .arg(kDayArticleSums, kInvoiceArticleSums)));
            c.execute("DELETE FROM " + latin2(kDayRateSums));
            c.execute(latin2(QStringLiteral("INSERT INTO %1 (naNap, naAfakod, naAfa, naAfanev, naNettoFt, naAfaFt, "
                                            "naSzamlak) SELECT rRkelt, IFNULL(rAfakod, ''), IFNULL(rAfa, 0), "
                                            "IFNULL(MAX(rAfanev), ''), SUM(rNettoFt), SUM(rAfaFt), COUNT(DISTINCT rBszam) "
                                            "FROM %2 WHERE rRkelt IS NOT NULL GROUP BY rRkelt, IFNULL(rAfakod, ''), "
                                            "IFNULL(rAfa, 0)")
                                 .arg(kDayRateSums, kInvoiceRateSums)));
        }
        chain.commit();
    });
    if (added == 0)
        return {};
    return {QStringLiteral("Számlaösszegek a kimutatásokhoz: %1 kiállított számla").arg(added)};
}

} // namespace orvena
