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
    // With a password the account logs in with it (a remote server, or a private server whose
    // configuration file holds the password). Without one, on the local server the account is a
    // desktop user's and logs in through the operating system (unix_socket); on a remote server
    // no account is made, since one without a password would be open to anybody.
    QString appPassword;
    bool localServer = true;
    int year = 0; // of the first sequence range; 0: the current year
    bool demo = false;
    // What a fresh installation needs to issue its first invoice, into empty tables only: the
    // current Hungarian VAT rates with their report classifications and one Hungarian label set.
    bool basicData = true;
};

// The database, the accounts, the tables, their counters and the sequences over an administrator's
// connection; returns what it did, line by line (Hungarian), and the tables it made. The whole
// setup (billing/setup.h) adds the invoices' links, sums and balance view.
// Throws DbError (or ServerSetupError) on failure.
QStringList runSchemaSetup(Connection& admin, const SetupOptions& options, QStringList* createdTables = nullptr);

// A desktop user's account on the local server: NAME@localhost logging in through the operating
// system (unix_socket, so only that system account gets in, with no password to keep), the
// program's rights on the database, and FILE only where the server's export folder is scoped.
// Returns what it did (Hungarian); throws DbError, or Error for a name that is not a login name,
// a server account's name or a locked account.
QStringList addSocketUser(Connection& admin, const QString& database, const QString& user);

// The one folder the server writes files into (secure_file_priv); empty when the server may
// write anywhere (empty setting, or "/") or nowhere (NULL): FILE is granted only with such a folder.
QString scopedExportFolder(Connection& admin);

// A login name fit for an account (letters, digits, "_", "-", "."; at most 32 characters).
bool isLoginName(const QString& name);
// The names of the database server's own accounts and roles (root, mysql, mariadb.sys, PUBLIC,
// ...), compared without regard to case: never made or turned into a program user's account.
bool isServerAccount(const QString& name);

// Adds the demo master data into the tables of the connection's database that are still empty.
QStringList addDemoData(Connection& connection);

// Adds the VAT rates (27, 18 and 5 %, AAM exempt with its reason) and the Hungarian label set
// 00002 (whole forints) into the tables that are still empty.
QStringList addBasicData(Connection& connection);

} // namespace orvena
