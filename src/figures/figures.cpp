#include "figures.h"

#include "db/balanceview.h"
#include "db/money.h"
#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/invoicesums.h"
#include "nav/invoiceamounts.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>

namespace orvena::figures {

namespace {

const QString kIssued = QStringLiteral("h.fPrn = 'I' AND h.fRkelt BETWEEN :p0 AND :p1");

// A sum in the invoice's currency converted to forints as the print converts it.
QString forintSql(const QString& amount, const QString& rate = QStringLiteral("fArfoly"))
{
    return QStringLiteral("(CASE WHEN %2 > 0 THEN ROUND((%1) * %2, 0) ELSE (%1) END)").arg(amount, rate);
}

void openQuery(Query& q, const QStringList& sql, const Period& period)
{
    q.setSql(sql);
    q.setText(QStringLiteral("p0"), period.from.toString(Qt::ISODate));
    q.setText(QStringLiteral("p1"), period.to.toString(Qt::ISODate));
    q.open();
}

QString csvField(const QString& text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QByteArray csvLine(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& f : fields)
        quoted << csvField(f);
    return quoted.join(u';').toUtf8() + "\r\n";
}

} // namespace

QString viewTitle(View view)
{
    switch (view) {
    case View::Month:
        return QStringLiteral("Forgalom havonta");
    case View::Customer:
        return QStringLiteral("Forgalom vevőnként");
    case View::Article:
        return QStringLiteral("Forgalom cikkenként");
    case View::Vat:
        return QStringLiteral("ÁFA-analitika");
    }
    return {};
}

QStringList amountHeaders()
{
    return {QStringLiteral("Nettó (Ft)"), QStringLiteral("ÁFA (Ft)"), QStringLiteral("Bruttó (Ft)"),
            QStringLiteral("Számlák")};
}

Table compute(DataModule& data, View view, const Period& period)
{
    Table t;
    t.view = view;
    t.period = period;
    QStringList sql;
    int labels = 1;
    switch (view) {
    case View::Month:
        t.labelHeaders = {QStringLiteral("Hónap")};
        // The days' sums: as many rows as days, whatever the number of invoices.
        sql = {QStringLiteral("SELECT DATE_FORMAT(dNap, '%Y.%m') AS label, SUM(dNettoFt) AS netHuf, "
                              "SUM(dAfaFt) AS vatHuf, SUM(dSzamlak) AS invoices"),
               QStringLiteral("FROM %1 WHERE dNap BETWEEN :p0 AND :p1 GROUP BY label HAVING invoices <> 0 "
                              "ORDER BY label").arg(kDaySums)};
        break;
    case View::Customer:
        t.labelHeaders = {QStringLiteral("Vevőkód"), QStringLiteral("Vevő neve")};
        labels = 2;
        sql = {QStringLiteral("SELECT ovKod AS code, (SELECT MAX(vNeve) FROM vevo WHERE vevo.vKod = i.ovKod) AS name, "
                              "SUM(oNettoFt) AS netHuf, SUM(oAfaFt) AS vatHuf, COUNT(*) AS invoices, "
                              "SUM(oNettoFt) + SUM(oAfaFt) AS grossHuf"),
               QStringLiteral("FROM %1 i WHERE oRkelt BETWEEN :p0 AND :p1 GROUP BY ovKod ORDER BY grossHuf DESC, ovKod")
                   .arg(kInvoiceSums)};
        break;
    case View::Article:
        t.labelHeaders = {QStringLiteral("Cikkkód"), QStringLiteral("Megnevezés")};
        labels = 2;
        sql = {QStringLiteral("SELECT scKod AS code, MAX(sMegn) AS name, SUM(%1) AS netHuf, SUM(%2) AS vatHuf, "
                              "COUNT(DISTINCT h.fBszam) AS invoices, SUM(%1) + SUM(%2) AS grossHuf")
                   .arg(forintSql(lineNetSql(), QStringLiteral("h.fArfoly")),
                        forintSql(lineVatSql(), QStringLiteral("h.fArfoly"))),
               QStringLiteral("FROM szlafej h JOIN szlasor ON szlasor.sBszam = h.fBszam WHERE %1").arg(kIssued),
               QStringLiteral("GROUP BY scKod ORDER BY grossHuf DESC, scKod")};
        break;
    case View::Vat:
        t.labelHeaders = {QStringLiteral("Áfakód"), QStringLiteral("Megnevezés"), QStringLiteral("Áfa %"),
                          QStringLiteral("Besorolás")};
        labels = 4;
        // Each invoice's sums per rate are converted as printed when it is issued.
        sql = {QStringLiteral("SELECT rAfakod AS code, MAX(rAfanev) AS name, rAfa AS pct, "
                              "COALESCE((SELECT MAX(kNavTipus) FROM afa WHERE afa.kAfakod = r.rAfakod), '') AS kind, "
                              "SUM(rNettoFt) AS netHuf, SUM(rAfaFt) AS vatHuf, COUNT(DISTINCT rBszam) AS invoices"),
               QStringLiteral("FROM %1 r WHERE rRkelt BETWEEN :p0 AND :p1").arg(kInvoiceRateSums),
               QStringLiteral("GROUP BY rAfakod, rAfa ORDER BY pct DESC, code")};
        break;
    }
    Query q(data.connection(), QStringLiteral("figures"));
    openQuery(q, sql, period);
    Row rest;
    rest.labels = QStringList(labels, QString());
    rest.labels[labels == 1 ? 0 : 1] = QStringLiteral("Egyéb");
    const bool top = view == View::Customer || view == View::Article;
    for (int r = 0; r < q.rowCount(); ++r) {
        Row row;
        for (int c = 0; c < labels; ++c)
            row.labels << q.text(r, c).trimmed();
        row.net = q.money(r, QStringLiteral("netHuf")).filler();
        row.vat = q.money(r, QStringLiteral("vatHuf")).filler();
        row.invoices = q.integer(r, QStringLiteral("invoices"));
        t.total.net += row.net;
        t.total.vat += row.vat;
        if (view != View::Article && view != View::Vat)
            t.total.invoices += row.invoices;
        if (top && int(t.rows.size()) >= kTopCount) {
            rest.net += row.net;
            rest.vat += row.vat;
            rest.invoices += row.invoices;
            continue;
        }
        t.rows.push_back(row);
    }
    if (top && q.rowCount() > kTopCount)
        t.rows.push_back(rest);
    // An invoice of several articles or rates counts once in the total.
    if (view == View::Article || view == View::Vat) {
        Query count(data.connection(), QStringLiteral("figuresCount"));
        openQuery(count, {QStringLiteral("SELECT IFNULL(SUM(dSzamlak), 0) FROM %1 WHERE dNap BETWEEN :p0 AND :p1")
                              .arg(kDaySums)},
                  period);
        t.total.invoices = count.integer(0, 0);
    }
    t.total.labels = QStringList(labels, QString());
    t.total.labels[0] = QStringLiteral("Összesen");
    return t;
}

QString csvAmount(qint64 filler)
{
    return Money::fromFiller(filler).text();
}

QByteArray toCsv(const Table& table)
{
    QByteArray out = csvLine(table.labelHeaders + amountHeaders());
    auto line = [](const Row& row) {
        return csvLine(row.labels + QStringList{csvAmount(row.net), csvAmount(row.vat), csvAmount(row.gross()),
                                                QString::number(row.invoices)});
    };
    for (const Row& row : table.rows)
        out += line(row);
    out += line(table.total);
    return out;
}

QString paidDateSql()
{
    // The day the invoice was settled: its last payment, or its storno pair's date (the balance
    // view's eRendezve); none while anything is owed.
    return QStringLiteral("(SELECT eRendezve FROM %1 WHERE eBszam = h.fBszam)").arg(kBalanceView);
}

namespace {

// The rates the export gives columns of their own; any other goes to "egyéb".
constexpr int kExportRates[] = {27, 18, 5, 0};

struct RateSums {
    qint64 net = 0, vat = 0;
};

} // namespace

QStringList accountingHeaders()
{
    QStringList h = {QStringLiteral("Számlaszám"),      QStringLiteral("Típus"),
                     QStringLiteral("Számla kelte"),    QStringLiteral("Teljesítés"),
                     QStringLiteral("Fizetési határidő"), QStringLiteral("Vevő neve"),
                     QStringLiteral("Vevő adószáma")};
    for (int pct : kExportRates)
        h << QStringLiteral("Nettó %1% (Ft)").arg(pct) << QStringLiteral("ÁFA %1% (Ft)").arg(pct)
          << QStringLiteral("Bruttó %1% (Ft)").arg(pct);
    h << QStringLiteral("Nettó egyéb (Ft)") << QStringLiteral("ÁFA egyéb (Ft)") << QStringLiteral("Bruttó egyéb (Ft)")
      << QStringLiteral("Nettó összesen (Ft)") << QStringLiteral("ÁFA összesen (Ft)")
      << QStringLiteral("Bruttó összesen (Ft)") << QStringLiteral("Pénznem") << QStringLiteral("Árfolyam")
      << QStringLiteral("Fizetési mód") << QStringLiteral("Fizetve");
    return h;
}

QByteArray accountingCsv(DataModule& data, const Period& period)
{
    // One row per invoice and VAT rate, in invoice order; the invoice's own columns repeat.
    Query q(data.connection(), QStringLiteral("accountingExport"));
    openQuery(
        q,
        {QStringLiteral("SELECT h.fBszam, CASE (SELECT MAX(hMuvelet) FROM szlahivatkozas WHERE hBszam = h.fBszam) WHEN "
                        "'STORNO' THEN 'storno' WHEN 'MODIFY' THEN 'helyesbítő' ELSE CASE (SELECT MAX(jJelleg) FROM "
                        "szlajelleg WHERE jBszam = h.fBszam) WHEN 'ELOLEG' THEN 'előleg' WHEN 'VEGSZAMLA' THEN "
                        "'végszámla' ELSE 'számla' END END AS kind, "
                        "DATE_FORMAT(h.fRkelt, '%Y.%m.%d') AS issued, DATE_FORMAT(h.fTkelt, '%Y.%m.%d') AS performed, "
                        "DATE_FORMAT(h.fFkelt, '%Y.%m.%d') AS due, "
                        "(SELECT MAX(vNeve) FROM vevo WHERE vevo.vKod = h.fvKod) AS customer, "
                        "(SELECT MAX(vAdo) FROM vevo WHERE vevo.vKod = h.fvKod) AS taxNumber, "
                        "h.fPnem, h.fArfoly, h.fFizmod, DATE_FORMAT(%1, '%Y.%m.%d') AS paid, rAfa AS pct, "
                        "SUM(rNetto) AS net, SUM(rAfaertek) AS vat")
             .arg(paidDateSql()),
         QStringLiteral("FROM szlafej h JOIN %1 r ON r.rBszam = h.fBszam WHERE %2").arg(kInvoiceRateSums, kIssued),
         QStringLiteral("GROUP BY h.fBszam, rAfa ORDER BY h.fBszam, rAfa DESC")},
        period);
    QByteArray out = csvLine(accountingHeaders());
    int r = 0;
    while (r < q.rowCount()) {
        const QString number = q.text(r, QStringLiteral("fBszam"));
        const QString rateText = q.text(r, QStringLiteral("fArfoly"));
        const double rate = rateText.trimmed().isEmpty() ? 0 : parseDouble(rateText); // as shown
        const Decimal exactRate = rate > 0 ? Decimal::parse(rateText) : Decimal();
        auto forint = [&exactRate](qint64 filler) { return Money::fromFiller(filler).convertedWhole(exactRate).filler(); };
        std::map<int, RateSums> perRate; // index into kExportRates, 4 = other
        qint64 net = 0, vat = 0;
        const int first = r;
        for (; r < q.rowCount() && q.text(r, QStringLiteral("fBszam")) == number; ++r) {
            const int pct = static_cast<int>(q.integer(r, QStringLiteral("pct")));
            const qint64 n = q.money(r, QStringLiteral("net")).filler();
            const qint64 v = q.money(r, QStringLiteral("vat")).filler();
            net += n;
            vat += v;
            const auto* it = std::find(std::begin(kExportRates), std::end(kExportRates), pct);
            RateSums& sums = perRate[int(it - std::begin(kExportRates))];
            sums.net += rate > 0 ? forint(n) : n;
            sums.vat += rate > 0 ? forint(v) : v;
        }
        QStringList fields;
        for (const char* column : {"fBszam", "kind", "issued", "performed", "due", "customer", "taxNumber"})
            fields << q.text(first, QString::fromLatin1(column)).trimmed();
        for (int i = 0; i <= int(std::size(kExportRates)); ++i) {
            const RateSums s = perRate.count(i) ? perRate[i] : RateSums{};
            fields << csvAmount(s.net) << csvAmount(s.vat) << csvAmount(s.net + s.vat);
        }
        // The invoice's totals as its print shows them.
        const qint64 netHuf = rate > 0 ? forint(net) : net;
        const qint64 vatHuf = rate > 0 ? forint(vat) : vat;
        fields << csvAmount(netHuf) << csvAmount(vatHuf) << csvAmount(netHuf + vatHuf)
               << q.text(first, QStringLiteral("fPnem")).trimmed()
               << (rate > 0 ? QString::number(rate, 'f', 6).remove(QRegularExpression(QStringLiteral("\\.?0+$"))).replace(u'.', u',')
                            : QStringLiteral("0"))
               << q.text(first, QStringLiteral("fFizmod")).trimmed() << q.text(first, QStringLiteral("paid")).trimmed();
        out += csvLine(fields);
    }
    return out;
}

} // namespace orvena::figures
