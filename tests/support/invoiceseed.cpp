#include "invoiceseed.h"

#include "billing/invoicesums.h"
#include "billing/openbalance.h"

namespace orvena::test {

void seedInvoice(TestDatabase& db, const SeedInvoice& i)
{
    db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fPrn, fKerek, fArfoly, fPnem, "
                           "fmKod, fzKod, fvKod) VALUES ('%1', '%2', '%2', '%3', 'átutalás', '%4', 0, 0, '%5', '%6', "
                           "'1', '%7')")
                .arg(i.number, i.issued, i.due, i.printed ? QStringLiteral("I") : QStringLiteral(" "), i.currency,
                     i.labels, i.customer));
    for (const SeedLine& l : i.lines)
        db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sPnem, sAfa) VALUES ('%1', 'Tétel', %2, "
                               "%3, '%4', %5)")
                    .arg(i.number)
                    .arg(l.quantity)
                    .arg(l.price)
                    .arg(i.currency)
                    .arg(l.vat));
    if (i.printed) {
        recordInvoiceSums(db.admin(), i.number);
        refreshOpenBalance(db.admin(), i.number);
    }
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
