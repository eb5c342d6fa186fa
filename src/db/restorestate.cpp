#include "restorestate.h"

#include "codepages.h"
#include "connection.h"
#include "resultset.h"
#include "schema.h"
#include "sqlname.h"

#include <QCryptographicHash>

namespace orvena {

namespace {

} // namespace

QString restoreSideDatabase(const QString& database, const QString& suffix)
{
    return database.left(64 - suffix.size()) + suffix;
}

QByteArray restoreLockName(const QString& database)
{
    // lock names are limited to 64 characters, database names are not much shorter
    return "orvena_vissza_" + QCryptographicHash::hash(database.toUtf8(), QCryptographicHash::Sha1).toHex().left(32);
}

bool databaseExists(Connection& c, const QString& database)
{
    return c.select("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = " + quotedLiteral(c, database))
               ->text(0, 0)
        != u"0";
}

QStringList tablesOf(Connection& c, const QString& database)
{
    const auto rows = c.select("SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
                               + quotedLiteral(c, database) + " AND TABLE_TYPE = 'BASE TABLE' ORDER BY TABLE_NAME");
    QStringList out;
    for (int r = 0; r < rows->rowCount(); ++r)
        out << rows->text(r, 0);
    return out;
}

QStringList mendInterruptedRestore(Connection& c, const QString& database)
{
    QStringList done;
    const QByteArray lock = quotedLiteralBytes(c, restoreLockName(database));
    // A restore of this database at work holds the lock: what it has made is not a leftover.
    if (c.select("SELECT GET_LOCK(" + lock + ", 0)")->text(0, 0) != u"1")
        return {QStringLiteral("A(z) %1 adatbázis visszaállítása éppen folyik; a maradványait az intézi.").arg(database)};
    try {
        const QString scratch = restoreScratchDatabase(database);
        const QString old = restoreOldDatabase(database);
        const QString loader = scratch;

        // the load account of a killed restore, and any client still loading as it (an
        // administrator who may not read the account table has made none)
        std::shared_ptr<ResultSet> accounts;
        try {
            accounts = c.select("SELECT Host FROM mysql.global_priv WHERE User = " + quotedLiteral(c, loader));
        } catch (const DbError&) {
        }
        if (accounts && accounts->rowCount() > 0) {
            const auto sessions = c.select("SELECT ID FROM information_schema.PROCESSLIST WHERE USER = " + quotedLiteral(c, loader));
            for (int r = 0; r < sessions->rowCount(); ++r) {
                try {
                    c.execute("KILL CONNECTION " + sessions->text(r, 0).toLatin1());
                } catch (const DbError&) { // it ended meanwhile
                }
            }
            for (int r = 0; r < accounts->rowCount(); ++r)
                c.execute("DROP USER IF EXISTS " + quotedLiteral(c, loader) + '@' + quotedLiteral(c, accounts->text(r, 0)));
        }

        const bool swapped = databaseExists(c, old) && !tablesOf(c, old).isEmpty();
        const bool leftovers = databaseExists(c, scratch) || databaseExists(c, old);
        bool countersMissing = false;
        if (databaseExists(c, database)) {
            QStringList tables = tablesOf(c, database);
            for (QString& t : tables)
                t = t.toLower();
            bool counted = true;
            for (const QString& t : countedTables())
                counted = counted && tables.contains(t);
            const qsizetype expected = countedTables().size() * 3;
            const auto triggers = c.select("SELECT COUNT(*) FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA = "
                                           + quotedLiteral(c, database) + " AND TRIGGER_NAME LIKE 'tsz\\_%'");
            countersMissing = counted && triggers->integer(0, 0) < expected;
            if (countersMissing) {
                c.execute("USE " + quotedNameBytes(database));
                ensureRowCounters(c);
                done << QStringLiteral("A(z) %1 adatbázis sorszámlálóinak triggerei helyreállítva.").arg(database);
            }
        }
        if (leftovers) {
            c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(scratch));
            c.execute("DROP DATABASE IF EXISTS " + quotedNameBytes(old));
            done << (swapped ? QStringLiteral("Egy megszakadt visszaállítás befejezve: a mentés adatai a helyükön "
                                              "vannak, a régi táblák és az ideiglenes adatbázis eltávolítva.")
                             : QStringLiteral("Egy megszakadt visszaállítás maradványai eltávolítva; a(z) %1 "
                                              "adatbázis adatai a visszaállítás előttiek.")
                                   .arg(database));
        }
    } catch (...) {
        c.select("SELECT RELEASE_LOCK(" + lock + ")");
        throw;
    }
    c.select("SELECT RELEASE_LOCK(" + lock + ")");
    return done;
}

} // namespace orvena
