#pragma once
// The test fixture's database: a fresh database with the full schema and the two number
// sequences on the private test server, created for one test program and dropped afterwards.
#include "db/connection.h"
#include "db/datamodule.h"
#include "db/errors.h"

#include <QTest>

// Runs a statement in a test and fails the test with the database's own message.
#define DB_VERIFY(statement)                                                                                     \
    do {                                                                                                         \
        try {                                                                                                    \
            statement;                                                                                           \
        } catch (const orvena::Error& dbVerifyError) {                                                           \
            QFAIL(qPrintable(QStringLiteral("%1: %2").arg(QStringLiteral(#statement), dbVerifyError.text())));   \
        }                                                                                                        \
    } while (false)

namespace orvena::test {

class TestDatabase {
public:
    // Creates "orvena_t_<suffix>_<pid>" (suffix: the test program's name) with schema and sequences.
    explicit TestDatabase(const QString& suffix = {}, int sequenceYear = 2010);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // The profile the program's connection uses for this database.
    const ConnectionProfile& profile() const { return m_profile; }
    const QString& name() const { return m_profile.database; }
    // An administrator connection on the test database, for seeding and checking rows.
    Connection& admin() { return m_admin; }

    // Runs SQL (UTF-8 text sent as latin2) on the admin connection.
    void exec(const QString& sql);
    // First column of the first row, as text ("" for none).
    QString scalar(const QString& sql);
    // All rows, each row's columns joined by "|".
    QStringList rows(const QString& sql);
    // Empties every table and restores the two sequences to the given last numbers.
    void reset(const QString& lastInvoice = QStringLiteral("20100000"),
               const QString& lastDelivery = QStringLiteral("20100000"));
    // Adds the demo master data.
    void addDemoData();

    // Administrator profile of the test server (no database selected).
    static ConnectionProfile adminProfile();

private:
    ConnectionProfile m_profile;
    Connection m_admin;
};

} // namespace orvena::test
