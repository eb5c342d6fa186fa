#include "invoiceseed.h"

#include "billing/invoicesums.h"
#include "billing/openbalance.h"
#include "db/query.h"

#include <QLocale>

namespace orvena::test {

namespace {

using Columns = std::vector<std::pair<QString, QString>>;

// INSERT INTO table with the columns whose text is not null, each bound as text.
void insertRow(TestDatabase& db, const QString& table, const Columns& columns)
{
    QStringList names, markers;
    for (const auto& [name, value] : columns) {
        if (value.isNull())
            continue;
        names << name;
        markers << QStringLiteral(":p%1").arg(markers.size());
    }
    Query q(db.admin(), QStringLiteral("seed"));
    q.setSql({QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table, names.join(QStringLiteral(", ")), markers.join(QStringLiteral(", ")))});
    int n = 0;
    for (const auto& [name, value] : columns)
        if (!value.isNull())
            q.setText(QStringLiteral("p%1").arg(n++), value);
    q.execute();
}

QString number(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

void seedInvoice(TestDatabase& db, const SeedInvoice& i)
{
    insertRow(db, QStringLiteral("szlafej"),
              {{QStringLiteral("fBszam"), i.number},
               {QStringLiteral("fTkelt"), i.performed.isEmpty() ? i.issued : i.performed},
               {QStringLiteral("fRkelt"), i.issued},
               {QStringLiteral("fFkelt"), i.due},
               {QStringLiteral("fFizmod"), i.paymentMethod},
               {QStringLiteral("fMegj"), i.remark},
               {QStringLiteral("fSzerz"), i.contract},
               {QStringLiteral("fPrn"), i.printed ? QStringLiteral("I") : QStringLiteral(" ")},
               {QStringLiteral("fKerek"), i.discount},
               {QStringLiteral("fArfoly"), i.rate},
               {QStringLiteral("fPnem"), i.currency},
               {QStringLiteral("fmKod"), i.labels},
               {QStringLiteral("fzKod"), i.issuer},
               {QStringLiteral("fzSzam"), i.issuerNumber},
               {QStringLiteral("fvKod"), i.customer},
               {QStringLiteral("fvSzam"), i.customerNumber},
               {QStringLiteral("fmemo"), i.message},
               {QStringLiteral("fMemoSzall"), i.issuerBlock},
               {QStringLiteral("fMemoVevo"), i.customerBlock}});
    for (const SeedLine& l : i.lines)
        insertRow(db, QStringLiteral("szlasor"),
                  {{QStringLiteral("sBszam"), i.number},
                   {QStringLiteral("scKod"), l.articleCode},
                   {QStringLiteral("scSzam"), l.articleNumber},
                   {QStringLiteral("sMegn"), l.name},
                   {QStringLiteral("sMenny"), number(l.quantity)},
                   {QStringLiteral("sMe"), l.unit},
                   {QStringLiteral("sEar"), number(l.price)},
                   {QStringLiteral("sPnem"), i.currency},
                   {QStringLiteral("skAfakod"), l.vatCode},
                   {QStringLiteral("sAfanev"), l.vatName},
                   {QStringLiteral("sAfa"), QString::number(l.vat)},
                   {QStringLiteral("sGolaj"), l.gasOil}});
    if (i.printed && i.sums) {
        recordInvoiceSums(db.admin(), i.number);
        refreshOpenBalance(db.admin(), i.number);
    }
}

void seedInvoiceHeader(TestDatabase& db, const Columns& columns)
{
    insertRow(db, QStringLiteral("szlafej"), columns);
}

void seedCustomer(TestDatabase& db, const QString& code, const QString& name, const QString& iban)
{
    db.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve, vIBAN, vFhat, vFizmod, vPnem) VALUES ('%1', '%2', '%3', 8, "
                           "'átutalás', 'Ft')")
                .arg(code, name, iban));
}

void seedIssuer(TestDatabase& db, const QString& code, const QString& name, const QString& iban)
{
    db.exec(QStringLiteral("INSERT INTO szallito (zKod, zNev1, zIBAN) VALUES ('%1', '%2', '%3')").arg(code, name, iban));
}

} // namespace orvena::test
