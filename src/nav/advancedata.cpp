#include "advancedata.h"

#include "db/conversions.h"
#include "billing/invoicelinks.h"
#include "db/query.h"
#include "invoicedata.h"

namespace orvena::nav {

QString kindCode(InvoiceKind kind)
{
    switch (kind) {
    case InvoiceKind::Advance:
        return QStringLiteral("ELOLEG");
    case InvoiceKind::Final:
        return QStringLiteral("VEGSZAMLA");
    case InvoiceKind::Plain:
        break;
    }
    return {};
}

InvoiceKind kindFromCode(const QString& code)
{
    const QString c = code.trimmed().toUpper();
    if (c == u"ELOLEG")
        return InvoiceKind::Advance;
    if (c == u"VEGSZAMLA")
        return InvoiceKind::Final;
    return InvoiceKind::Plain;
}

QString kindTitle(InvoiceKind kind)
{
    switch (kind) {
    case InvoiceKind::Advance:
        return QStringLiteral("Előlegszámla");
    case InvoiceKind::Final:
        return QStringLiteral("Végszámla");
    case InvoiceKind::Plain:
        break;
    }
    return QStringLiteral("Számla");
}

InvoiceKind readInvoiceKind(Connection& connection, const QString& number)
{
    Query q(connection, QStringLiteral("invoiceKind"));
    q.setSql({QStringLiteral("SELECT jJelleg FROM szlajelleg WHERE jBszam = :p1")});
    q.setText(QStringLiteral("p1"), number);
    q.open();
    return q.isEmpty() ? InvoiceKind::Plain : kindFromCode(q.fieldText(QStringLiteral("jJelleg")));
}

std::map<qint64, Deduction> readDeductions(Connection& connection, const QString& number)
{
    Query q(connection, QStringLiteral("invoiceDeductions"));
    q.setSql({QStringLiteral("SELECT lvSor, lvEloleg, lvFizdat, lvArfoly FROM szlaeloleg JOIN szlasor ON sID = lvSor "
                             "AND sBszam = lvBszam WHERE lvBszam = :p1 ORDER BY lvSor")});
    q.setText(QStringLiteral("p1"), number);
    q.open();
    std::map<qint64, Deduction> out;
    for (int row = 0; row < q.rowCount(); ++row) {
        Deduction d;
        d.lineId = q.integer(row, 0);
        d.advance = q.text(row, 1).trimmed();
        d.paid = q.date(row, 2);
        d.rate = q.text(row, 3);
        out[d.lineId] = d;
    }
    return out;
}

namespace {

// The final invoices that stand (neither a storno nor reversed) and deduct an advance, as a
// condition on a row's advance number `column`.
QString claimedBy(const QString& column)
{
    return QStringLiteral("SELECT lvBszam FROM szlaeloleg JOIN szlasor ON sID = lvSor AND sBszam = lvBszam "
                          "WHERE lvEloleg = %1 AND lvBszam NOT IN (SELECT hBszam FROM szlahivatkozas WHERE "
                          "hMuvelet = :p9) AND lvBszam NOT IN (SELECT hEredeti FROM szlahivatkozas WHERE hMuvelet = :p9)")
        .arg(column);
}

} // namespace

QStringList deductibleAdvances(Connection& connection, const QString& customerCode)
{
    Query q(connection, QStringLiteral("deductibleAdvances"));
    q.setSql({QStringLiteral("SELECT fBszam FROM szlafej JOIN szlajelleg ON jBszam = fBszam AND jJelleg = 'ELOLEG' "
                             "WHERE fvKod = :p1 AND fPrn = 'I'"),
              QStringLiteral(" AND fBszam NOT IN (SELECT hEredeti FROM szlahivatkozas WHERE hMuvelet = :p9)"),
              // the advance invoices themselves: a storno or a correction of one copies its kind
              QStringLiteral(" AND fBszam NOT IN (SELECT hBszam FROM szlahivatkozas)"),
              QStringLiteral(" AND NOT EXISTS (%1) ORDER BY fBszam").arg(claimedBy(QStringLiteral("fBszam")))});
    q.setText(QStringLiteral("p1"), customerCode);
    q.setText(QStringLiteral("p9"), kStornoLink);
    q.open();
    QStringList out;
    for (int row = 0; row < q.rowCount(); ++row)
        out << q.text(row, 0).trimmed();
    return out;
}

QString standingDeduction(Connection& connection, const QString& advance, bool locking)
{
    Query q(connection, QStringLiteral("standingDeduction"));
    q.setSql({claimedBy(QStringLiteral(":p1")) + QStringLiteral(" ORDER BY lvBszam LIMIT 1")
              + (locking ? QStringLiteral(" LOCK IN SHARE MODE") : QString())});
    q.setText(QStringLiteral("p1"), advance);
    q.setText(QStringLiteral("p9"), kStornoLink);
    q.open();
    return q.isEmpty() ? QString() : q.text(0, 0).trimmed();
}

QString deductionProblem(Connection& connection, const QString& advance, const QString& finalNumber,
                         const QString& customerCode, const QString& currency, bool deducting, bool locking)
{
    const QString lock = locking ? QStringLiteral(" FOR UPDATE") : QString();
    const QString share = locking ? QStringLiteral(" LOCK IN SHARE MODE") : QString();
    Query q(connection, QStringLiteral("deductionCheck"));
    q.setSql({QStringLiteral("SELECT fPrn, fvKod, fPnem, (SELECT jJelleg FROM szlajelleg WHERE jBszam = fBszam) AS "
                             "jelleg FROM szlafej WHERE fBszam = :p1 ORDER BY fID LIMIT 1")
              + lock});
    q.setText(QStringLiteral("p1"), advance);
    q.open();
    if (q.isEmpty())
        return QStringLiteral("A(z) %1 számú előlegszámla nem található.").arg(advance);
    if (kindFromCode(q.fieldText(QStringLiteral("jelleg"))) != InvoiceKind::Advance)
        return QStringLiteral("A(z) %1 számú számla nem előlegszámla.").arg(advance);
    if (q.fieldText(QStringLiteral("fPrn")).trimmed() != u"I")
        return QStringLiteral("A(z) %1 számú előlegszámla még nincs kiállítva (kinyomtatva).").arg(advance);
    q.setSql({QStringLiteral("SELECT hMuvelet, hEredeti FROM szlahivatkozas WHERE hBszam = :p1 ORDER BY hEredeti LIMIT 1")
              + share});
    q.setText(QStringLiteral("p1"), advance);
    q.open();
    if (!q.isEmpty())
        return (q.fieldText(QStringLiteral("hMuvelet")).trimmed() == kStornoLink
                    ? QStringLiteral("A(z) %1 számú számla a(z) %2 számú előlegszámla stornója, nem vonható le előlegként.")
                    : QStringLiteral("A(z) %1 számú számla a(z) %2 számú előlegszámla helyesbítése, nem vonható le "
                                     "előlegként: a(z) %2 számú előlegszámlát vonja le."))
            .arg(advance, q.fieldText(QStringLiteral("hEredeti")).trimmed());
    q.setSql({QStringLiteral("SELECT fPrn, fvKod, fPnem FROM szlafej WHERE fBszam = :p1 ORDER BY fID LIMIT 1")});
    q.setText(QStringLiteral("p1"), advance);
    q.open();
    if (q.fieldText(QStringLiteral("fvKod")).trimmed() != customerCode.trimmed())
        return QStringLiteral("A(z) %1 számú előlegszámla más vevőnek szól.").arg(advance);
    if (currencyCode(q.fieldText(QStringLiteral("fPnem"))) != currency)
        return QStringLiteral("A(z) %1 számú előlegszámla pénzneme (%2) eltér a végszámláétól.")
            .arg(advance, q.fieldText(QStringLiteral("fPnem")).trimmed());
    q.setSql({QStringLiteral("SELECT hBszam FROM szlahivatkozas WHERE hEredeti = :p1 AND hMuvelet = :p9") + share});
    q.setText(QStringLiteral("p1"), advance);
    q.setText(QStringLiteral("p9"), kStornoLink);
    q.open();
    if (!q.isEmpty())
        return QStringLiteral("A(z) %1 számú előlegszámlát a(z) %2 számú számla stornózta.")
            .arg(advance, q.fieldText(QStringLiteral("hBszam")).trimmed());
    q.setSql({claimedBy(QStringLiteral(":p1")) + QStringLiteral(" ORDER BY lvBszam") + share});
    q.setText(QStringLiteral("p1"), advance);
    q.setText(QStringLiteral("p9"), kStornoLink);
    q.open();
    for (int row = 0; row < q.rowCount(); ++row) {
        const QString other = q.text(row, 0).trimmed();
        if (other != finalNumber)
            return QStringLiteral("A(z) %1 számú előlegszámlát már levonta a(z) %2 számú végszámla.").arg(advance, other);
        if (deducting)
            return QStringLiteral("A(z) %1 számú előlegszámla ezen a végszámlán már le van vonva.").arg(advance);
    }
    return {};
}

} // namespace orvena::nav
