#pragma once
// What a restore leaves on the server while it runs, and mending what a killed one left.
//
// A restore loads the backup into the scratch database `<name>_vissza` as a load account of
// the same name that has rights there only, then swaps the tables in: the live tables move into
// `<name>_regi` and the scratch tables into the live database with one RENAME TABLE. Tables with
// triggers cannot move between databases, so the row counters' triggers are dropped just before
// the swap and made anew right after it. A restore killed in between leaves a live database
// without its triggers (the registers would then miss rows) and the side databases behind;
// mendInterruptedRestore finishes that step: the RENAME either happened (the old tables are in
// `_regi`) or not, and either way the live tables get their triggers back and the leftovers go.
#include <QString>
#include <QStringList>

namespace orvena {

class Connection;

// The side database of `database` named with `suffix`, short enough for the 64-character limit.
QString restoreSideDatabase(const QString& database, const QString& suffix);
inline QString restoreScratchDatabase(const QString& database) { return restoreSideDatabase(database, QStringLiteral("_vissza")); }
inline QString restoreOldDatabase(const QString& database) { return restoreSideDatabase(database, QStringLiteral("_regi")); }
// The server-side lock a restore of `database` holds for its whole run (ends with its session).
QByteArray restoreLockName(const QString& database);

bool databaseExists(Connection& admin, const QString& database);
// The base tables of `database`, by name.
QStringList tablesOf(Connection& admin, const QString& database);

// Mends what a killed restore of `database` left, unless a restore of it is running right now.
// Leaves the connection's current database at `database` when it exists. Returns what it did,
// line by line (Hungarian; empty when nothing was left). Throws DbError.
QStringList mendInterruptedRestore(Connection& admin, const QString& database);

} // namespace orvena
