#pragma once
// Issued invoices, customers and issuers written straight into a test database, for tests that
// need invoices to exist rather than to be composed (payments, receivables, statements).
#include "support/testdatabase.h"

#include <QString>
#include <vector>

namespace orvena::test {

struct SeedLine {
    double quantity = 1;
    double price = 0;
    int vat = 27;
};

struct SeedInvoice {
    QString number;
    QString customer = QStringLiteral("1"); // vKod
    bool printed = true;
    QString labels = QStringLiteral("00002"); // fifth character 2: whole forints
    QString currency = QStringLiteral("Ft");
    QString issued = QStringLiteral("2026-02-15");
    QString due = QStringLiteral("2026-03-01");
    std::vector<SeedLine> lines;
};

// The header and lines; an issued invoice also gets the sums its issue writes.
void seedInvoice(TestDatabase& db, const SeedInvoice& invoice);
// A customer with code and name (and account, when given).
void seedCustomer(TestDatabase& db, const QString& code, const QString& name, const QString& iban = {});
// An issuer with code, name and IBAN.
void seedIssuer(TestDatabase& db, const QString& code, const QString& name, const QString& iban);

} // namespace orvena::test
