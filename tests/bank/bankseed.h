#pragma once
// The statement tests' data: the issuer owning the statements' account, another issuer, three
// customers and seven issued invoices in whole forints.
#include "support/invoiceseed.h"

namespace orvena::test {

inline void seedStatementData(TestDatabase& db)
{
    for (const char* t : {"szlafej", "szlasor", "szlafizetes", "szlahivatkozas", "vevo", "szallito", "szlaosszeg",
                          "szlaafaosszeg", "szlanaposszeg", "szlacikkosszeg", "szlanapcikk", "szlanapafa", "szlanyitott",
                          "bankkivonat", "bankkivonattetel", "bankkivonatfizetes"})
        db.exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
    seedIssuer(db, QStringLiteral("Z1"), QStringLiteral("Saját Kft."), QStringLiteral("HU42 1177 3016 1111 1018 0000 0000"));
    seedIssuer(db, QStringLiteral("Z2"), QStringLiteral("Másik Bt."), QStringLiteral("HU86104000000000000099990000"));
    seedCustomer(db, QStringLiteral("1"), QStringLiteral("Alfa Kereskedelmi Kft."));
    seedCustomer(db, QStringLiteral("2"), QStringLiteral("Béta Bt."));
    seedCustomer(db, QStringLiteral("3"), QStringLiteral("Gamma Építő Zrt."));
    // payable = price x 1,27 in whole forints
    const struct {
        const char* number;
        const char* customer;
        double price;
    } invoices[] = {{"20260001", "1", 10000}, {"20260002", "1", 10000}, {"20260003", "2", 20000},
                    {"20260004", "3", 10000}, {"20260005", "3", 20000}, {"20260006", "3", 30000},
                    {"20260007", "2", 50000}};
    for (const auto& i : invoices) {
        SeedInvoice invoice;
        invoice.number = QLatin1String(i.number);
        invoice.customer = QLatin1String(i.customer);
        invoice.lines = {{1, i.price, 27}};
        seedInvoice(db, invoice);
    }
}

} // namespace orvena::test
