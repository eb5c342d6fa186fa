#pragma once
// Backup and restore of the whole database.
//
// A backup file is a gzip file of two members, so `zcat FILE | mariadb DATABASE` restores it
// with the standard tools too:
//   1. a header of SQL comments: program version, layout version, time, database and the
//      SHA-256 checksum of the header lines above it and of every byte of the second member;
//   2. the output of `mariadb-dump --single-transaction` (one consistent snapshot while others
//      may be working), compressed.
// A restore checks the checksum and the layout version, loads the dump into a scratch database,
// checking its statements on the way (the first refused one stops the load before it runs), and
// only when the whole dump passed swaps the tables into place with one RENAME TABLE, so a
// failed restore leaves the old data as it was and a killed one is finished or undone by the
// next restore or orvena-setup (db/restorestate.h). Backup files are readable by their owner only.
#include "db/connection.h"
#include "db/errors.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace orvena {

// A backup or restore that did not succeed; the text is Hungarian and complete.
class BackupError : public Error {
public:
    explicit BackupError(const QString& text, const QString& detail = {}) : Error(text), m_detail(detail) {}
    // What the client tool said (its own words, for the administrator); may be empty.
    const QString& detail() const { return m_detail; }

private:
    QString m_detail;
};

struct BackupHeader {
    QString programVersion; // "7.10"
    int schemaVersion = 0;
    QDateTime time; // UTC
    QString database;
    QByteArray checksum; // SHA-256, hex
};

// Told how far a long run has got (bytes done of an estimated total; the total may be 0 when
// unknown). Returning false cancels the run.
using BackupProgress = std::function<bool(qint64 done, qint64 total)>;

struct BackupResult {
    QString file;
    qint64 size = 0;
    BackupHeader header;
};

// Writes a backup of the profile's database into `file`. The file appears only complete: an
// earlier file of that name stays until the new one is finished. Throws BackupError.
BackupResult writeBackup(const ConnectionProfile& profile, const QString& file, const BackupProgress& progress = {});

// Reads a backup file's header and checks its checksum. Throws BackupError.
BackupHeader verifyBackup(const QString& file);

struct RestoreResult {
    BackupHeader header;
    QString keptBackup;  // a forced restore's backup of the data it replaced (beside the restored file)
    QStringList cutOff;  // the sessions it disconnected, "user@host (kapcsolat: id)"
    QStringList mended;  // what an earlier, killed restore had left and this one mended
};

// Restores `file` into `database` over an administrator's connection (`admin`, no database
// selected). The dump is loaded in the client's sandbox, as an account whose only rights are on
// the scratch database, and every statement is checked to be what a dump of tables holds before
// the client gets it: a refused one ends the load and the scratch database goes. A database that holds invoices or delivery notes is refused unless `force`
// (then the data it replaces is first backed up beside `file`); one that other sessions work in
// is refused unless `cutOffSessions`, which disconnects them. Throws BackupError, whose text
// says whether the existing data stayed as they were.
RestoreResult restoreBackup(const QString& file, const ConnectionProfile& admin, const QString& database, bool force,
                            bool cutOffSessions = false, const BackupProgress& progress = {});

// "1,2 MB"
QString backupSizeText(qint64 bytes);

// The folder of the menu's default and of the daily backups: ORVENA_BACKUP_DIR, or ~/Orvena-mentés.
QString defaultBackupFolder();
// "orvena-2026-12-09-103000.sql.gz"; daily backups are "orvena-napi-...".
QString backupFileName(const QDateTime& localTime, bool daily = false);

struct DailyBackupOutcome {
    bool made = false;
    BackupResult result;
    QStringList removed; // older daily backups deleted beyond the newest `keep`
};

// Makes `folder` (and its parents) when missing and closes it to other users (0700) when this
// user owns it: backups hold the technical user's keys. Throws BackupError.
void ensurePrivateFolder(const QString& folder);

// The first start of a day makes a daily backup into `folder` (none when one of that day is
// there already) and keeps the newest `keep` daily backups. Throws BackupError.
DailyBackupOutcome runDailyBackup(const ConnectionProfile& profile, const QString& folder,
                                  const QDateTime& localNow, int keep = 30, const BackupProgress& progress = {});

// Daily backups are on unless ORVENA_AUTO_BACKUP is 0 (tests and scripted runs).
bool dailyBackupEnabled();

} // namespace orvena
