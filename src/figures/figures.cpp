#include "figures.h"

#include "billing/balanceview.h"
#include "billing/amounts.h"
#include "billing/sql.h"
#include "db/money.h"
#include "db/conversions.h"
#include "db/datamodule.h"
#include "masterdata/customers.h"
#include "billing/invoicesums.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>

namespace orvena::figures {

namespace {

const QString kIssued = QStringLiteral("h.fPrn = 'I' AND h.fRkelt BETWEEN :p0 AND :p1");

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

namespace {

// The statement of a view over the period (:p0, :p1) and its label columns' headers; returns
// how many label columns lead each row.
int viewStatement(View view, QStringList& sql, QStringList& labelHeaders)
{
    int labels = 1;
    switch (view) {
    case View::Month:
        labelHeaders = {QStringLiteral("Hónap")};
        // The days' sums: as many rows as days, whatever the number of invoices.
        sql = {QStringLiteral("SELECT DATE_FORMAT(dNap, '%Y.%m') AS label, SUM(dNettoFt) AS netHuf, "
                              "SUM(dAfaFt) AS vatHuf, SUM(dSzamlak) AS invoices"),
               QStringLiteral("FROM %1 WHERE dNap BETWEEN :p0 AND :p1 GROUP BY label HAVING invoices <> 0 "
                              "ORDER BY label").arg(kDaySums)};
        break;
    case View::Customer:
        labelHeaders = {QStringLiteral("Vevőkód"), QStringLiteral("Vevő neve")};
        labels = 2;
        sql = {QStringLiteral("SELECT ovKod AS code, %1 AS name, "
                              "SUM(oNettoFt) AS netHuf, SUM(oAfaFt) AS vatHuf, COUNT(*) AS invoices, "
                              "SUM(oNettoFt) + SUM(oAfaFt) AS grossHuf")
                   .arg(customer::nameByCodeSql(QStringLiteral("i.ovKod"))),
               QStringLiteral("FROM %1 i WHERE oRkelt BETWEEN :p0 AND :p1 GROUP BY ovKod ORDER BY grossHuf DESC, ovKod")
                   .arg(kInvoiceSums)};
        break;
    case View::Article:
        labelHeaders = {QStringLiteral("Cikkkód"), QStringLiteral("Megnevezés")};
        labels = 2;
        // The days' article rows: each invoice's lines' forints per article, kept when it was issued.
        sql = {QStringLiteral("SELECT ncKod AS code, MAX(ncMegn) AS name, SUM(ncNettoFt) AS netHuf, SUM(ncAfaFt) AS vatHuf, "
                              "SUM(ncSzamlak) AS invoices, SUM(ncNettoFt) + SUM(ncAfaFt) AS grossHuf"),
               QStringLiteral("FROM %1 WHERE ncNap BETWEEN :p0 AND :p1 GROUP BY ncKod HAVING invoices <> 0 "
                              "ORDER BY grossHuf DESC, code").arg(kDayArticleSums)};
        break;
    case View::Vat:
        labelHeaders = {QStringLiteral("Áfakód"), QStringLiteral("Megnevezés"), QStringLiteral("Áfa %"),
                          QStringLiteral("Besorolás")};
        labels = 4;
        // The days' rate rows: each invoice's sums per rate, converted as printed when it was issued.
        sql = {QStringLiteral("SELECT naAfakod AS code, MAX(naAfanev) AS name, naAfa AS pct, "
                              "COALESCE((SELECT MAX(kNavTipus) FROM afa WHERE afa.kAfakod = r.naAfakod), '') AS kind, "
                              "SUM(naNettoFt) AS netHuf, SUM(naAfaFt) AS vatHuf, SUM(naSzamlak) AS invoices"),
               QStringLiteral("FROM %1 r WHERE naNap BETWEEN :p0 AND :p1").arg(kDayRateSums),
               QStringLiteral("GROUP BY naAfakod, naAfa HAVING invoices <> 0 ORDER BY pct DESC, code")};
        break;
    }
    return labels;
}

} // namespace

Table compute(DataModule& data, View view, const Period& period)
{
    Table t;
    t.view = view;
    t.period = period;
    QStringList sql;
    const int labels = viewStatement(view, sql, t.labelHeaders);
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
        row.net = q.money(r, QStringLiteral("netHuf"));
        row.vat = q.money(r, QStringLiteral("vatHuf"));
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

QString csvAmount(Money amount)
{
    return amount.text();
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

// The rates the export gives columns of their own (0: the 0 % rate itself); exempt and
// out-of-scope amounts have their own columns after them; anything else goes to "egyéb".
constexpr int kExportRates[] = {27, 18, 5, 0};
constexpr int kExemptColumn = int(std::size(kExportRates));
constexpr int kOutOfScopeColumn = kExemptColumn + 1;
constexpr int kOtherColumn = kOutOfScopeColumn + 1;

// The export column of a rate sum: by its percentage for a rate, by the VAT code's classification
// for the untaxed ones, so the 0 % rate never mixes with exemptions.
int exportColumn(int percent, const QString& classification)
{
    const QString type = classification.trimmed().toUpper();
    if (type.isEmpty() || type == u"PERCENTAGE") {
        const auto* it = std::find(std::begin(kExportRates), std::end(kExportRates), percent);
        return it == std::end(kExportRates) ? kOtherColumn : int(it - std::begin(kExportRates));
    }
    if (percent != 0)
        return kOtherColumn;
    if (type == u"VAT_EXEMPTION")
        return kExemptColumn;
    if (type == u"VAT_OUT_OF_SCOPE")
        return kOutOfScopeColumn;
    return kOtherColumn;
}

struct RateSums {
    Money net, vat;
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
    for (const char* kind : {"adómentes", "áfa hatályán kívüli"})
        h << QStringLiteral("Nettó %1 (Ft)").arg(QString::fromUtf8(kind))
          << QStringLiteral("ÁFA %1 (Ft)").arg(QString::fromUtf8(kind))
          << QStringLiteral("Bruttó %1 (Ft)").arg(QString::fromUtf8(kind));
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
                        "%4 AS customer, "
                        "(SELECT MAX(vAdo) FROM vevo WHERE vevo.vKod = h.fvKod) AS taxNumber, "
                        "h.fPnem, h.fArfoly, h.fFizmod, DATE_FORMAT(%1, '%Y.%m.%d') AS paid, rAfa AS pct, "
                        "COALESCE((SELECT MAX(kNavTipus) FROM afa WHERE afa.kAfakod = r.rAfakod), '') AS vatClass, "
                        "SUM(rNettoFt) AS netHuf, SUM(rAfaFt) AS vatHuf, %2 AS converted, "
                        "(SELECT oNettoFt FROM %3 WHERE oBszam = h.fBszam) AS totalNetHuf, "
                        "(SELECT oAfaFt FROM %3 WHERE oBszam = h.fBszam) AS totalVatHuf")
             .arg(paidDateSql(), billing::convertedSql(QStringLiteral("h")), kInvoiceSums,
                  customer::nameByCodeSql(QStringLiteral("h.fvKod"))),
         QStringLiteral("FROM szlafej h JOIN %1 r ON r.rBszam = h.fBszam WHERE %2").arg(kInvoiceRateSums, kIssued),
         QStringLiteral("GROUP BY h.fBszam, rAfa, vatClass ORDER BY h.fBszam, rAfa DESC, vatClass")},
        period);
    QByteArray out = csvLine(accountingHeaders());
    int r = 0;
    while (r < q.rowCount()) {
        const QString number = q.text(r, QStringLiteral("fBszam"));
        // Each rate's forints and the totals as kept when the invoice was issued (billing/amounts.h:
        // the totals are the sums of the rates' forints).
        std::map<int, RateSums> perRate; // by export column
        const int first = r;
        for (; r < q.rowCount() && q.text(r, QStringLiteral("fBszam")) == number; ++r) {
            const int pct = static_cast<int>(q.integer(r, QStringLiteral("pct")));
            RateSums& sums = perRate[exportColumn(pct, q.text(r, QStringLiteral("vatClass")))];
            sums.net += q.money(r, QStringLiteral("netHuf"));
            sums.vat += q.money(r, QStringLiteral("vatHuf"));
        }
        QStringList fields;
        for (const char* column : {"fBszam", "kind", "issued", "performed", "due", "customer", "taxNumber"})
            fields << q.text(first, QString::fromLatin1(column)).trimmed();
        for (int i = 0; i <= kOtherColumn; ++i) {
            const RateSums s = perRate.count(i) ? perRate[i] : RateSums{};
            fields << csvAmount(s.net) << csvAmount(s.vat) << csvAmount(s.net + s.vat);
        }
        // The invoice's totals as its print shows them.
        const Money netHuf = q.money(first, QStringLiteral("totalNetHuf"));
        const Money vatHuf = q.money(first, QStringLiteral("totalVatHuf"));
        const bool converted = q.text(first, QStringLiteral("converted")) == u"1";
        fields << csvAmount(netHuf) << csvAmount(vatHuf) << csvAmount(netHuf + vatHuf)
               << q.text(first, QStringLiteral("fPnem")).trimmed()
               << (converted ? billing::decimalText(q.decimal(first, QStringLiteral("fArfoly"))) : QStringLiteral("0"))
               << q.text(first, QStringLiteral("fFizmod")).trimmed() << q.text(first, QStringLiteral("paid")).trimmed();
        out += csvLine(fields);
    }
    return out;
}

} // namespace orvena::figures
