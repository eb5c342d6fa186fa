#pragma once
// Seeding for the reporting tests: the invoice-data side table and the issuer's mode (created
// here when the schema does not have them yet), an issuer with a technical user known to the
// stand-in, and issued invoices with their stored documents.
#include "navstandin.h"

#include "support/testdatabase.h"

#include <QByteArray>
#include <QString>

namespace orvena::test {

// The technical user of the seeded issuer "1" (tax number 12345676-2-06).
NavStandIn::User navTestUser();

// Adds szlanav and szallito.zNavMod when missing; sets issuer "1" to the mode with the
// credentials of navTestUser() (demo data must be present).
void prepareNavDatabase(TestDatabase& db, const QString& mode = QStringLiteral("TEST"));

// A schema-valid invoice-data document whose invoice number is "K" + number.
QByteArray navInvoiceDocument(const QString& number);

// An issued invoice of issuer "1" with its szlanav row in state KULDENDO (or the given state).
void seedNavInvoice(TestDatabase& db, const QString& number, const QString& operation = QStringLiteral("CREATE"),
                    const QString& original = {}, const QString& state = QStringLiteral("KULDENDO"));

} // namespace orvena::test
