#pragma once
// What the setup tool does: the database with latin2 / Hungarian collation, the program's
// account, every missing table, the two number sequences, and optionally demo master data.
// Everything is idempotent: a second run changes nothing and never drops data.
#include <QString>
#include <QStringList>

namespace orvena {

class Connection;

struct SetupOptions {
    QString database = QStringLiteral("orvena2010");
    QString appUser = QStringLiteral("orvena2010"); // empty: no account is created
    QString appHost = QStringLiteral("localhost");
    QString appPassword;
    int year = 0; // of the first sequence range; 0: the current year
    bool demo = false;
    // What a fresh installation needs to issue its first invoice, into empty tables only: the
    // current Hungarian VAT rates with their report classifications and one Hungarian label set.
    bool basicData = true;
};

// Runs the setup over an administrator's connection; returns what it did, line by line (Hungarian).
// Throws DbError (or ServerSetupError) on failure.
QStringList runSetup(Connection& admin, const SetupOptions& options);

// Adds the demo master data into the tables of the connection's database that are still empty.
QStringList addDemoData(Connection& connection);

// Adds the VAT rates (27, 18 and 5 %, AAM exempt with its reason) and the Hungarian label set
// 00002 (whole forints) into the tables that are still empty.
QStringList addBasicData(Connection& connection);

} // namespace orvena
