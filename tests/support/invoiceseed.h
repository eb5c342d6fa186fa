#pragma once
// Invoices, customers and issuers written straight into a test database, for tests that need
// invoices to exist rather than to be composed (payments, receivables, statements, prints,
// backups, another workstation's invoice). Every value is bound as a parameter.
#include "support/testdatabase.h"

#include <QString>
#include <vector>

namespace orvena::test {

struct SeedLine {
    double quantity = 1;
    double price = 0;
    int vat = 27;
    QString name = QStringLiteral("Tétel"); // sMegn
    // Written only when set:
    QString articleCode{};   // scKod
    QString articleNumber{}; // scSzam
    QString gasOil{};        // sGolaj
    QString unit{};          // sMe
    QString vatCode{};       // skAfakod
    QString vatName{};       // sAfanev
};

struct SeedInvoice {
    QString number{};
    QString customer = QStringLiteral("1"); // vKod
    bool printed = true;
    QString labels = QStringLiteral("00002"); // fifth character 2: whole forints
    QString currency = QStringLiteral("Ft");
    QString issued = QStringLiteral("2026-02-15");
    QString due = QStringLiteral("2026-03-01");
    std::vector<SeedLine> lines{};
    QString discount = QStringLiteral("0"); // fKerek
    QString rate = QStringLiteral("0");     // fArfoly
    QString performed{}; // fTkelt; empty: the issue date
    QString paymentMethod = QStringLiteral("átutalás");
    QString issuer = QStringLiteral("1"); // fzKod
    // Written only when set:
    QString remark{};         // fMegj
    QString contract{};       // fSzerz
    QString issuerNumber{};   // fzSzam
    QString customerNumber{}; // fvSzam
    QString message{};        // fmemo
    QString issuerBlock{};    // fMemoSzall
    QString customerBlock{};  // fMemoVevo
    // An issued (printed) invoice gets the sums its issue writes, unless a test leaves them out.
    bool sums = true;
};

// The header and lines; an issued invoice also gets the sums its issue writes.
void seedInvoice(TestDatabase& db, const SeedInvoice& invoice);
// Only the header row, with nothing but these columns set (a header another workstation is
// writing, a number already taken): column name and text, bound as parameters.
void seedInvoiceHeader(TestDatabase& db, const std::vector<std::pair<QString, QString>>& columns);
// A customer with code and name (and account, when given).
void seedCustomer(TestDatabase& db, const QString& code, const QString& name, const QString& iban = {});
// An issuer with code, name and IBAN.
void seedIssuer(TestDatabase& db, const QString& code, const QString& name, const QString& iban);

} // namespace orvena::test
