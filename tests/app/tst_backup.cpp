// Backup and restore: a backup restored into another database (by the program and by the
// standard tools) holds every row of every table; damaged files, files of a newer layout, made-up
// files carrying commands or statements a dump never holds, and a database with documents or
// with other sessions at work are refused without touching it; a restore killed half way leaves
// the old data, and what a kill between the tables' swap and their triggers leaves is mended by
// the next restore or setup; backups are private; output targets that are not regular files and
// a server folder others control are refused; daily backups; the command line; the
// "Adatmentés" menu item through the real window.
#include "support/invoiceseed.h"
#include "support/fakes.h"
#include "support/modaldriver.h"

#include "app/backup.h"
#include "app/backupui.h"
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/session.h"
#include "billing/invoicesums.h"
#include "billing/openbalance.h"
#include "db/restorestate.h"
#include "db/schema.h"
#include "billing/setup.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace orvena;
using namespace orvena::test;

namespace {

// Every table of a database: its definition, its rows and the server's checksum of them.
QStringList contentsOf(TestDatabase& db, const QString& database)
{
    QStringList out;
    const QStringList tables = db.rows(QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES WHERE "
                                                      "TABLE_SCHEMA = '%1' AND TABLE_TYPE = 'BASE TABLE' ORDER BY TABLE_NAME")
                                           .arg(database));
    for (const QString& t : tables) {
        const QString name = QStringLiteral("`%1`.`%2`").arg(database, t);
        out << QStringLiteral("== %1").arg(t);
        const auto create = db.admin().select(("SHOW CREATE TABLE " + name).toLatin1());
        out << create->text(0, 1);
        out << db.rows(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(name));
        out << db.rows(QStringLiteral("CHECKSUM TABLE %1 EXTENDED").arg(name)).value(0).section(u'|', 1);
    }
    return out;
}

bool databaseExists(TestDatabase& db, const QString& name)
{
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = '%1'")
                         .arg(name))
        != u"0";
}

// Invoices, delivery notes, work tables and every master table, with texts that test quoting,
// Hungarian letters, line breaks, binary memo bytes and NULLs.
void fill(TestDatabase& db)
{
    db.addDemoData();
    db.exec(QStringLiteral(
        "INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, fKerek, fArfoly, fPnem, fmKod, "
        "fzKod, fvKod, fmemo, fMemoSzall, fMemoVevo) VALUES "
        "('20100001', '2010-05-17', '2010-05-17', '2010-05-25', 'kp.', 'Idézőjel: \\' \" és \\\\ jel', 'I', 0.5, "
        "312.123456, 'Ft', '00002', '1', '1', 'árvíztűrő tükörfúrógép', 'Tisza-Mérleg Kft.\\r\\nSzeged', "
        "'Kovács és Társa Bt.\\r\\nBudapest'), "
        "('20100002', '2010-05-18', NULL, NULL, 'átutalás', NULL, ' ', 0, 0, 'HUF', '00003', '1', '2', "
        "UNHEX('00FF0D0A275C22E9'), NULL, '')"));
    db.exec(QStringLiteral(
        "INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa, "
        "sAlap, sAdo, sMemo) VALUES "
        "('20100001', '1', 'TM-100', 'Konyhai mérleg 5 kg', '8423', 2.5, 'db', 8990.1234, 'Ft', '1', "
        "'27% általános', 27, 22475.31, 6068.33, 'sor\\r\\nmásodik'), "
        "('20100002', '9', 'EL-300', 'Kenyér', '1905', -1, 'kg', 890, 'HUF', '2', '18% kedvezményes', 18, -890, "
        "-160.2, NULL)"));
    db.exec(QStringLiteral(
        "INSERT INTO szlevfej (lBszam, lTkelt, lRkelt, lFkelt, lPrn, lPnem, lmKod, lzKod, lvKod, lMemoSzall, "
        "lMemoVevo) VALUES ('20100001', '2010-05-17', '2010-05-17', '2010-05-25', ' ', 'Ft', '00003', '1', '2', "
        "'Tisza', 'Szőke Építőipari Zrt.')"));
    db.exec(QStringLiteral("INSERT INTO szlevsor (eBszam, ecKod, ecSzam, eMegn, eMenny, eMe) VALUES "
                           "('20100001', '1', 'TM-100', 'Konyhai mérleg', 1.5, 'db')"));
    db.exec(QStringLiteral("INSERT INTO munkafej SELECT * FROM szlafej WHERE fBszam = '20100001'"));
    db.exec(QStringLiteral("INSERT INTO munkasor SELECT * FROM szlasor WHERE sBszam = '20100001'"));
    db.exec(QStringLiteral("INSERT INTO termek (t_kod, t_megnevezes, t_VTSZ, t_megy, t_Ear, t_Kompmerteke, "
                           "t_bizonylat) VALUES ('1', 'Jegy', '4911', 'db', 1500, 0, 'V1')"));
    db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '20100002' WHERE aKod = '1'"));
    // the next identity values travel too
    db.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve) VALUES ('99', 'Törölt')"));
    db.exec(QStringLiteral("DELETE FROM vevo WHERE vKod = '99'"));
    // the issued invoice's sums and open balance, as issuing writes them
    backfillInvoiceSums(db.admin());
    backfillOpenBalance(db.admin());
}

// The permission bits of a path.
int modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QByteArray gzipped(const QByteArray& data)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-9"), QStringLiteral("-n"), QStringLiteral("-c")});
    gzip.waitForStarted();
    gzip.write(data);
    gzip.closeWriteChannel();
    gzip.waitForFinished();
    return gzip.readAllStandardOutput();
}

// A made-up backup: the header and dump of `original` with `extra` added to the dump (and, when
// given, a second gzip member), under a header whose checksum matches it as the writer's would.
void craftBackup(const QString& original, const QString& file, const QByteArray& extra, const QByteArray& member = {})
{
    QProcess unzip;
    unzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), original});
    QVERIFY(unzip.waitForFinished());
    const QByteArray all = unzip.readAllStandardOutput();
    const QByteArray headerEnd = "zcat FÁJL | mariadb ADATBÁZIS\n";
    const qsizetype split = all.indexOf(headerEnd) + headerEnd.size();
    QVERIFY(split > headerEnd.size());
    const QByteArray header = all.left(split);
    QByteArray dump = all.mid(split);
    // the extra statements go in among the dump's own, after its first table
    const qsizetype at = dump.indexOf("UNLOCK TABLES;\n") + 15;
    QVERIFY(at > 15);
    dump.insert(at, extra);
    QByteArray body = gzipped(dump);
    if (!member.isEmpty())
        body += gzipped(member);
    const qsizetype sum = header.indexOf("-- sha256: ");
    const QByteArray covered = header.left(sum);
    const QByteArray after = header.mid(header.indexOf('\n', sum) + 1);
    const QByteArray checksum = QCryptographicHash::hash(covered + body, QCryptographicHash::Sha256).toHex();
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(gzipped(covered + "-- sha256: " + checksum + '\n' + after) + body);
}

// The fixture's own connection leaves the database, so the restore finds no other session in it.
void stepOut(TestDatabase& db)
{
    db.exec(QStringLiteral("USE mysql"));
}

struct Run {
    int status = -1;
    QString out, err;
};

Run runProgram(const QStringList& arguments, const QString& database)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVENA_DB_NAME"), database);
    env.insert(QStringLiteral("ORVENA_DB_USER"), TestDatabase::adminProfile().user);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ORVENA_PROGRAM), arguments);
    Run r;
    if (!process.waitForFinished(300000))
        return r;
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

} // namespace

class BackupTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestDatabase> source;
    QTemporaryDir dir;
    QString backup; // of the filled source database

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // the main window reads litania.txt from the working folder
        QDir templates(QStringLiteral(ORVENA_SOURCE_DIR "/templates"));
        for (const QString& f : templates.entryList(QDir::Files))
            QFile::copy(templates.filePath(f), dir.filePath(f));
        QDir::setCurrent(dir.path());
        applyProgramLocale();
        source = std::make_unique<TestDatabase>(QStringLiteral("backup_src"));
        DB_VERIFY(fill(*source));
        backup = dir.filePath(QStringLiteral("mentes.sql.gz"));
        try {
            const BackupResult r = writeBackup(source->profile(), backup);
            QCOMPARE(r.file, QFileInfo(backup).absoluteFilePath());
            QCOMPARE(r.size, QFileInfo(backup).size());
            QCOMPARE(r.header.schemaVersion, kSchemaVersion);
        } catch (const BackupError& e) {
            QFAIL(qPrintable(e.text() + QStringLiteral(" / ") + e.detail()));
        }
        QCOMPARE(modeOf(backup), 0600); // it holds the technical user's keys
    }
    void cleanupTestCase() { source.reset(); }

    void restoreKeepsEveryRowOfEveryTable()
    {
        const BackupHeader header = verifyBackup(backup);
        QCOMPARE(header.database, source->name());
        QCOMPARE(header.schemaVersion, kSchemaVersion);
        QVERIFY(!header.programVersion.isEmpty());
        QVERIFY(qAbs(header.time.secsTo(QDateTime::currentDateTimeUtc())) < 600);

        TestDatabase target(QStringLiteral("backup_dst"));
        stepOut(target);
        try {
            restoreBackup(backup, TestDatabase::adminProfile(), target.name(), false);
        } catch (const BackupError& e) {
            QFAIL(qPrintable(e.text() + QStringLiteral(" / ") + e.detail()));
        }
        const QStringList expected = contentsOf(*source, source->name());
        QVERIFY(expected.size() > 14 * 4);
        QCOMPARE(contentsOf(target, target.name()), expected);
        // the balance view is left out of the backup and made anew over the restored tables
        QCOMPARE(target.rows(QStringLiteral("SELECT eBszam FROM `%1`.szlaegyenleg ORDER BY 1").arg(target.name())),
                 source->rows(QStringLiteral("SELECT fBszam FROM `%1`.szlafej ORDER BY 1").arg(source->name())));
        QVERIFY(!databaseExists(target, target.name() + QStringLiteral("_vissza")));
        QVERIFY(!databaseExists(target, target.name() + QStringLiteral("_regi")));

        // A backup of a database from before the invoices' sums and open balances: the restore writes
        // them as they were.
        target.exec(QStringLiteral("DROP TABLE `%1`.szlaosszeg, `%1`.szlaafaosszeg, `%1`.szlanaposszeg, `%1`.szlacikkosszeg, "
                                   "`%1`.szlanapcikk, `%1`.szlanapafa, `%1`.szlanyitott")
                       .arg(target.name()));
        const QString older = dir.filePath(QStringLiteral("osszegek-elott.sql.gz"));
        try {
            writeBackup(target.profile(), older);
            restoreBackup(older, TestDatabase::adminProfile(), target.name(), true);
        } catch (const BackupError& e) {
            QFAIL(qPrintable(e.text() + QStringLiteral(" / ") + e.detail()));
        }
        QCOMPARE(contentsOf(target, target.name()), expected);
        for (const QString& kept : QDir(dir.path()).entryList({QStringLiteral("orvena-felulirt-*")}))
            QVERIFY(QFile::remove(dir.filePath(kept)));

        // the standard tools restore the same file as well
        const QString third = target.name() + QStringLiteral("_zcat");
        target.exec(QStringLiteral("CREATE DATABASE `%1` CHARACTER SET latin2 COLLATE latin2_hungarian_ci").arg(third));
        const ConnectionProfile admin = TestDatabase::adminProfile();
        QProcess shell;
        shell.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"),
                     QStringLiteral("zcat \"$1\" | mariadb --socket=\"$2\" --user=\"$3\" \"$4\""), QStringLiteral("-"),
                     backup, admin.socket, admin.user, third});
        QVERIFY(shell.waitForFinished(120000));
        QVERIFY2(shell.exitCode() == 0, shell.readAllStandardError().constData());
        const QStringList viaTools = contentsOf(target, third);
        target.exec(QStringLiteral("DROP DATABASE `%1`").arg(third));
        QCOMPARE(viaTools, expected);

        // An invoice archived after the backup was made outlives a restore of it, and the archive's
        // guards are made again.
        target.exec(QStringLiteral("INSERT INTO `%1`.szlaarchiv (aBszam, aPdf, aPdfSha, aKeszult) VALUES ('20100099', "
                                   "'%PDF-', SHA2('%PDF-', 256), NOW())")
                        .arg(target.name()));
        try {
            restoreBackup(backup, TestDatabase::adminProfile(), target.name(), true);
        } catch (const BackupError& e) {
            QFAIL(qPrintable(e.text() + QStringLiteral(" / ") + e.detail()));
        }
        for (const QString& kept : QDir(dir.path()).entryList({QStringLiteral("orvena-felulirt-*")}))
            QVERIFY(QFile::remove(dir.filePath(kept)));
        QCOMPARE(target.rows(QStringLiteral("SELECT aBszam, aPdf FROM `%1`.szlaarchiv").arg(target.name())),
                 QStringList{QStringLiteral("20100099|%PDF-")});
        try {
            target.admin().execute("DELETE FROM `" + target.name().toLatin1() + "`.szlaarchiv");
            QFAIL("an archived invoice was deleted");
        } catch (const DbError& e) {
            QVERIFY2(e.text().contains(QStringLiteral("nem torolheto")), qPrintable(e.text()));
        }
    }

    void damagedFilesAndNewerLayoutsAreRefused()
    {
        TestDatabase target(QStringLiteral("backup_refuse"));
        target.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve) VALUES ('7', 'Megmaradó Kft.')"));
        const QStringList before = contentsOf(target, target.name());

        QFile original(backup);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        // a byte in the header's gzip fields, in its text, in the dump, and the very last one
        for (const qsizetype at : {qsizetype(4), qsizetype(30), bytes.size() / 2, bytes.size() - 1}) {
            QByteArray damaged = bytes;
            damaged[at] = char(damaged.at(at) ^ 0x10);
            const QString file = dir.filePath(QStringLiteral("serult-%1.sql.gz").arg(at));
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(damaged);
            out.close();
            try {
                restoreBackup(file, TestDatabase::adminProfile(), target.name(), true);
                QFAIL(qPrintable(QStringLiteral("a file changed at byte %1 was restored").arg(at)));
            } catch (const BackupError& e) {
                QVERIFY2(e.text().contains(QStringLiteral("sérült")), qPrintable(e.text()));
            }
        }
        // the command line says the same in Hungarian, with status 1
        const Run r = runProgram({QStringLiteral("--restore"), dir.filePath(QStringLiteral("serult-30.sql.gz")),
                                  QStringLiteral("--force")},
                                 target.name());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("A mentésfájl sérült")), qPrintable(r.err));

        // a backup of a database of a newer layout than this program knows
        TestDatabase newer(QStringLiteral("backup_newer"));
        newer.exec(QStringLiteral("UPDATE semaverzio SET svVerzio = %1").arg(kSchemaVersion + 1));
        const QString newerFile = dir.filePath(QStringLiteral("ujabb.sql.gz"));
        DB_VERIFY(writeBackup(newer.profile(), newerFile));
        QCOMPARE(verifyBackup(newerFile).schemaVersion, kSchemaVersion + 1);
        try {
            restoreBackup(newerFile, TestDatabase::adminProfile(), target.name(), true);
            QFAIL("a backup of a newer layout was restored");
        } catch (const BackupError& e) {
            QVERIFY2(e.text().contains(QStringLiteral("újabb programváltozattal")), qPrintable(e.text()));
        }
        QCOMPARE(contentsOf(target, target.name()), before);
        QVERIFY(!databaseExists(target, target.name() + QStringLiteral("_vissza")));

        // A dump of some megabytes reaches the compressor in many parts: the backup holds every
        // statement the dump tool wrote, in order, none twice.
        newer.exec(QStringLiteral("INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sEar) SELECT 30000000 + seq, "
                                  "'1', CONCAT('Tétel ', seq, REPEAT('é', seq % 61)), seq % 7, seq FROM seq_1_to_60000"));
        DB_VERIFY(writeBackup(newer.profile(), newerFile));
        const auto lineInserts = [](const QByteArray& dump) {
            const qsizetype from = dump.indexOf("INSERT INTO `szlasor`");
            const qsizetype to = dump.indexOf("ALTER TABLE `szlasor` ENABLE KEYS", from);
            return from < 0 || to < 0 ? QByteArray() : dump.mid(from, to - from);
        };
        QProcess unzip;
        unzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), newerFile});
        QVERIFY(unzip.waitForFinished(60000));
        QCOMPARE(unzip.exitCode(), 0);
        const QByteArray backedUp = lineInserts(unzip.readAllStandardOutput());
        const ConnectionProfile admin = TestDatabase::adminProfile();
        QProcess plain;
        plain.start(QStringLiteral("mariadb-dump"),
                    {QStringLiteral("--socket=") + admin.socket, QStringLiteral("--user=") + admin.user,
                     QStringLiteral("--hex-blob"), QStringLiteral("--default-character-set=latin2"), newer.name(),
                     QStringLiteral("szlasor")});
        QVERIFY(plain.waitForFinished(60000));
        const QByteArray dumped = lineInserts(plain.readAllStandardOutput());
        QVERIFY2(dumped.size() > 3 << 20, QByteArray::number(dumped.size()).constData());
        QCOMPARE(backedUp.size(), dumped.size());
        QVERIFY(backedUp == dumped);

        // Cancelled on the way: the dump tool is stopped and nothing is left behind, not even an
        // open descriptor of its pipe.
        const auto openDescriptors = [] { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); };
        const qsizetype descriptors = openDescriptors();
        const QString cancelled = dir.filePath(QStringLiteral("megszakitott.sql.gz"));
        int asked = 0;
        try {
            writeBackup(newer.profile(), cancelled, [&asked](qint64, qint64) { return ++asked < 3; });
            QFAIL("a cancelled backup was reported as made");
        } catch (const BackupError& e) {
            QCOMPARE(e.text(), QStringLiteral("Az adatmentés megszakítva; mentésfájl nem készült."));
        }
        QCOMPARE(asked, 3);
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("megszakitott*")}), QStringList());

        // A dump the dump tool gives up on (a view over a dropped table) makes no file, and what
        // the tool said is kept for the administrator.
        newer.exec(QStringLiteral("CREATE TABLE elavult (x INT)"));
        newer.exec(QStringLiteral("CREATE VIEW elavult_nezet AS SELECT x FROM elavult"));
        newer.exec(QStringLiteral("DROP TABLE elavult"));
        const QString failed = dir.filePath(QStringLiteral("nem-keszult.sql.gz"));
        try {
            writeBackup(newer.profile(), failed);
            QFAIL("a failed dump was reported as a backup");
        } catch (const BackupError& e) {
            QCOMPARE(e.text(), QStringLiteral("Az adatmentés nem sikerült, mentésfájl nem készült."));
            QVERIFY2(e.detail().contains(QStringLiteral("elavult")), qPrintable(e.detail()));
        }
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("nem-keszult*")}), QStringList());
        QCOMPARE(openDescriptors(), descriptors);
    }

    void aDatabaseWithDocumentsNeedsForceAndOtherSessionsAreNamed()
    {
        TestDatabase target(QStringLiteral("backup_force"));
        target.exec(QStringLiteral("INSERT INTO szlevfej (lBszam) VALUES ('20100077')"));
        stepOut(target);
        const QStringList before = contentsOf(target, target.name());
        const Run refused = runProgram({QStringLiteral("--restore"), backup}, target.name());
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(QStringLiteral("--force")), qPrintable(refused.err));
        QCOMPARE(contentsOf(target, target.name()), before);

        // a workstation at work: --force alone names it and changes nothing
        Connection workstation;
        DB_VERIFY(workstation.open(target.profile()));
        const QString id = workstation.select("SELECT CONNECTION_ID()")->text(0, 0);
        const Run named = runProgram({QStringLiteral("--restore"), backup, QStringLiteral("--force")}, target.name());
        QCOMPARE(named.status, 1);
        QVERIFY2(named.err.contains(QStringLiteral("(kapcsolat: %1)").arg(id))
                     && named.err.contains(QStringLiteral("--force --force")),
                 qPrintable(named.err));
        QCOMPARE(contentsOf(target, target.name()), before);
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("orvena-felulirt-*")}), QStringList());

        // given twice, it cuts the workstation off, says so, and keeps the replaced data beside the
        // file; run as root into a user's folder, the copy belongs to that user
        const bool root = ::geteuid() == 0;
        const QByteArray folder = QFile::encodeName(dir.path());
        if (root)
            QCOMPARE(::chown(folder.constData(), 65534, 65534), 0);
        const Run forced = runProgram({QStringLiteral("--restore"), backup, QStringLiteral("--force"),
                                       QStringLiteral("--force")},
                                      target.name());
        QVERIFY2(forced.status == 0, qPrintable(forced.err));
        QVERIFY(forced.out.contains(QStringLiteral("Visszaállítva")));
        QVERIFY2(forced.out.contains(QStringLiteral("Megszakított kapcsolatok"))
                     && forced.out.contains(QStringLiteral("(kapcsolat: %1)").arg(id)),
                 qPrintable(forced.out));
        QVERIFY_THROWS_EXCEPTION(DbError, workstation.select("SELECT 1"));
        QCOMPARE(contentsOf(target, target.name()), contentsOf(*source, source->name()));

        const QStringList kept = QDir(dir.path()).entryList({QStringLiteral("orvena-felulirt-*.sql.gz")});
        QCOMPARE(kept.size(), 1);
        const QString keptFile = dir.filePath(kept.first());
        QVERIFY2(forced.out.contains(QStringLiteral("A felülírt adatok mentése: %1").arg(keptFile)), qPrintable(forced.out));
        QCOMPARE(modeOf(keptFile), 0600);
        if (root) {
            QCOMPARE(QFileInfo(keptFile).ownerId(), 65534u);
            QCOMPARE(QFileInfo(keptFile).groupId(), 65534u);
            QCOMPARE(::chown(folder.constData(), 0, 0), 0);
        }
        // it holds what was replaced: restored, the delivery note is back
        TestDatabase replaced(QStringLiteral("backup_kept"));
        stepOut(replaced);
        DB_VERIFY(restoreBackup(keptFile, TestDatabase::adminProfile(), replaced.name(), true));
        QCOMPARE(contentsOf(replaced, replaced.name()), before);
        QFile::remove(keptFile);
    }

    void aRestoreKilledHalfWayLeavesTheOldData()
    {
        // enough lines that loading them takes a while
        TestDatabase big(QStringLiteral("backup_big"));
        DB_VERIFY(big.exec(QStringLiteral(
            "INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sEar, sMemo) SELECT 20100000 + seq DIV 5, seq MOD 10, "
            "CONCAT('Tétel ', seq), seq MOD 7, seq * 1.25, REPEAT('memó szöveg ', 8) FROM seq_1_to_250000")));
        const QString bigFile = dir.filePath(QStringLiteral("nagy.sql.gz"));
        DB_VERIFY(writeBackup(big.profile(), bigFile));

        TestDatabase target(QStringLiteral("backup_killed"));
        DB_VERIFY(fill(target));
        stepOut(target);
        const QStringList before = contentsOf(target, target.name());
        const QString scratch = target.name() + QStringLiteral("_vissza");

        QProcess restore;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVENA_DB_NAME"), target.name());
        restore.setProcessEnvironment(env);
        restore.start(QStringLiteral(ORVENA_PROGRAM), {QStringLiteral("--restore"), bigFile, QStringLiteral("--force")});
        QVERIFY(restore.waitForStarted());
        // kill it while the lines are loading into the scratch database
        QElapsedTimer clock;
        clock.start();
        bool loading = false;
        while (!loading && restore.state() == QProcess::Running && clock.elapsed() < 120000) {
            // the big table's lines follow its creation
            loading = target.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE "
                                                   "TABLE_SCHEMA = '%1' AND TABLE_NAME = 'szlasor'")
                                        .arg(scratch))
                == u"1";
            if (!loading)
                QTest::qWait(5);
        }
        QVERIFY2(loading && restore.state() == QProcess::Running, "the restore ended before it could be killed");
        restore.kill();
        QVERIFY(restore.waitForFinished());
        QTest::qWait(500); // the client it started reads what is left in its pipe and ends
        QCOMPARE(contentsOf(target, target.name()), before);

        // the next restore clears the leftover and completes
        const Run again = runProgram({QStringLiteral("--restore"), bigFile, QStringLiteral("--force")}, target.name());
        QVERIFY2(again.status == 0, qPrintable(again.err));
        QCOMPARE(target.scalar(QStringLiteral("SELECT COUNT(*) FROM `%1`.szlasor").arg(target.name())), QStringLiteral("250000"));
        QCOMPARE(target.scalar(QStringLiteral("SELECT COUNT(*) FROM `%1`.vevo").arg(target.name())), QStringLiteral("0"));
        QVERIFY(!databaseExists(target, scratch));
    }

    void craftedBackupsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QString>("why");
        // %M: a file the command would make; %V: another database; %A: an account it would add
        QTest::newRow("shell command") << QByteArray("\\! touch %M\n") << QByteArray() << "parancsot a kliensprogramnak";
        QTest::newRow("shell command in a versioned comment")
            << QByteArray("/*!40101 \\! touch %M */;\n") << QByteArray() << "parancsot a kliensprogramnak";
        // the refusal quotes the statement whole, from its first letter
        QTest::newRow("named shell command") << QByteArray("system touch %M\n") << QByteArray() << "„system”";
        QTest::newRow("grant") << QByteArray("GRANT ALL PRIVILEGES ON *.* TO '%A'@'localhost' IDENTIFIED BY 'x';\n")
                               << QByteArray() << "nem való utasítást";
        QTest::newRow("create user") << QByteArray("/*!50001 CREATE USER '%A'@'localhost' */;\n") << QByteArray()
                                     << "„CREATE USER”";
        QTest::newRow("read a local file") << QByteArray("LOAD DATA LOCAL INFILE '/etc/passwd' INTO TABLE vevo;\n")
                                           << QByteArray() << "nem való utasítást";
        // the server would then read the strings' backslashes differently from the check
        QTest::newRow("quoting mode spelled in pieces")
            << QByteArray("SET sql_mode = CONCAT('NO_BACKSLASH', '_ESCAPES');\n") << QByteArray() << "nem való beállítást";
        // keywords are read as the server reads them, in any case, in the rows' values too
        QTest::newRow("another engine, in lower case")
            << QByteArray("create table kulso (x int) engine = connect table_type = mysql;\n") << QByteArray()
            << "nem megengedett tárolómotort";
        QTest::newRow("a global setting") << QByteArray("SET global general_log = 1;\n") << QByteArray()
                                          << "nem való beállítást (GLOBAL)";
        QTest::newRow("a file read in the values")
            << QByteArray("INSERT INTO vevo (vKod, vNeve) VALUES ('67', NULL), ('68', Load_File('/etc/passwd'));\n")
            << QByteArray() << "nem való utasítást (LOAD_FILE)";
        QTest::newRow("use another database") << QByteArray("USE `%V`;\nDELETE FROM vevo;\n") << QByteArray()
                                              << "nem való utasítást";
        QTest::newRow("another database's table")
            << QByteArray("INSERT INTO `%V` . `vevo` (vKod, vNeve) VALUES ('66', 'Betolakodó');\n") << QByteArray()
            << "minősített nevet";
        QTest::newRow("read from another database")
            << QByteArray("CREATE TABLE lopott SELECT * FROM %V.vevo;\n") << QByteArray() << "minősített nevet";
        // held whole until it is checked: one longer than the client takes is refused unread
        QTest::newRow("statement longer than the client takes")
            << "INSERT INTO vevo (vKod, vNeve) VALUES ('66', '" + QByteArray(65 << 20, 'x') + "');\n" << QByteArray()
            << "hosszabb (64 MB feletti)";
        QTest::newRow("second gzip member") << QByteArray() << QByteArray("\\! touch %M\nDROP DATABASE `%V`;\n")
                                            << "második gzip-tagot";
    }
    void craftedBackupsAreRefused()
    {
        // A made-up file with a valid checksum: refused before anything of it runs, and the
        // message's claim that nothing changed is true.
        QFETCH(QByteArray, extra);
        QFETCH(QByteArray, member);
        QFETCH(QString, why);
        TestDatabase target(QStringLiteral("backup_crafted"));
        seedInvoiceHeader(target, {{QStringLiteral("fBszam"), QStringLiteral("20100055")}});
        stepOut(target);
        TestDatabase other(QStringLiteral("backup_other"));
        other.exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve) VALUES ('7', 'Maradó Kft.')"));
        const QStringList targetBefore = contentsOf(target, target.name());
        const QStringList otherBefore = contentsOf(other, other.name());
        const QString marker = dir.filePath(QStringLiteral("lefutott"));
        const QString account = QStringLiteral("orvena_t_betolakodo");
        auto fillIn = [&](QByteArray text) {
            return text.replace("%M", marker.toUtf8()).replace("%V", other.name().toUtf8()).replace("%A", account.toUtf8());
        };
        const QString file = dir.filePath(QStringLiteral("kitalalt.sql.gz"));
        craftBackup(backup, file, fillIn(extra), fillIn(member));
        const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files);

        const Run r = runProgram({QStringLiteral("--restore"), file, QStringLiteral("--force"), QStringLiteral("--force")},
                                 target.name());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("A mentésfájl nem állítható vissza")) && r.err.contains(why)
                     && r.err.contains(QStringLiteral("semmi sem futott le")),
                 qPrintable(r.err));
        QVERIFY(!QFile::exists(marker));
        QCOMPARE(target.scalar(QStringLiteral("SELECT COUNT(*) FROM mysql.global_priv WHERE User = '%1'").arg(account)),
                 QStringLiteral("0"));
        QCOMPARE(contentsOf(target, target.name()), targetBefore);
        QCOMPARE(contentsOf(other, other.name()), otherBefore);
        QVERIFY(!databaseExists(target, restoreScratchDatabase(target.name())));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), filesBefore);
    }

    void aDumpRefusedHalfWayLeavesNoDatabaseBehind()
    {
        // The statements before the refused one are loaded as the dump streams in; the refusal
        // stops the load, and a database that did not exist before does not exist after.
        const QString marker = dir.filePath(QStringLiteral("felutan"));
        const QString file = dir.filePath(QStringLiteral("felutan.sql.gz"));
        // a few megabytes that barely compress come first, so the load is well under way
        QByteArray filler = "CREATE TABLE toltelek (t LONGTEXT);\n";
        for (int i = 0; i < 4; ++i) {
            QByteArray bytes(512 * 1024, Qt::Uninitialized);
            QRandomGenerator(i + 1).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            filler += "INSERT INTO toltelek VALUES ('" + bytes.toHex() + "');\n";
        }
        craftBackup(backup, file, filler + "\\! touch " + marker.toUtf8() + '\n');
        try {
            verifyBackup(file);
            QFAIL("a made-up dump passed the check");
        } catch (const BackupError& e) {
            QVERIFY2(e.text().contains(QStringLiteral("parancsot a kliensprogramnak")), qPrintable(e.text()));
        }
        const QString missing = QStringLiteral("orvena_t_backup_nincs");
        source->exec(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(missing));
        try {
            restoreBackup(file, TestDatabase::adminProfile(), missing, false);
            QFAIL("a made-up dump was restored");
        } catch (const BackupError& e) {
            QVERIFY2(e.text().contains(QStringLiteral("parancsot a kliensprogramnak"))
                         && e.text().contains(QStringLiteral("semmi sem futott le"))
                         && e.text().contains(QStringLiteral("ideiglenes adatbázisba")),
                     qPrintable(e.text()));
        }
        QVERIFY(!QFile::exists(marker));
        QVERIFY(!databaseExists(*source, missing));
        QVERIFY(!databaseExists(*source, restoreScratchDatabase(missing)));
        QCOMPARE(source->scalar(QStringLiteral("SELECT COUNT(*) FROM mysql.global_priv WHERE User = '%1'")
                                    .arg(restoreScratchDatabase(missing))),
                 QStringLiteral("0"));
    }

    void aRestoreKilledAtTheSwapIsMended_data()
    {
        QTest::addColumn<bool>("renamed"); // the kill came after the RENAME, before the triggers
        QTest::addColumn<bool>("bySetup"); // mended by the setup tool, else by the next restore
        QTest::newRow("before the rename, setup") << false << true;
        QTest::newRow("after the rename, setup") << true << true;
        QTest::newRow("before the rename, next restore") << false << false;
    }
    void aRestoreKilledAtTheSwapIsMended()
    {
        QFETCH(bool, renamed);
        QFETCH(bool, bySetup);
        TestDatabase target(QStringLiteral("backup_swap"));
        const QString live = target.name();
        const QString scratch = restoreScratchDatabase(live);
        const QString old = restoreOldDatabase(live);
        // the state a kill between the triggers' removal and their return leaves
        target.exec(QStringLiteral("CREATE DATABASE `%1`").arg(scratch));
        target.exec(QStringLiteral("CREATE TABLE `%1`.vevo (vKod CHAR(5))").arg(scratch));
        target.exec(QStringLiteral("CREATE DATABASE `%1`").arg(old));
        DB_VERIFY(dropRowCounterTriggers(target.admin(), live));
        if (renamed)
            target.exec(QStringLiteral("CREATE TABLE `%1`.regi_tabla (a INT)").arg(old));
        // meanwhile a workstation stores an invoice the counters do not see
        target.exec(QStringLiteral("INSERT INTO szlafej (fBszam) VALUES ('20100091'), ('20100092')"));

        if (bySetup) {
            SetupOptions options;
            options.database = live;
            options.appUser.clear();
            DB_VERIFY(runSetup(target.admin(), options));
        } else {
            target.exec(QStringLiteral("DELETE FROM szlafej"));
            stepOut(target);
            RestoreResult r;
            DB_VERIFY(r = restoreBackup(backup, TestDatabase::adminProfile(), live, false));
            QVERIFY2(!r.mended.isEmpty(), "the restore did not say what it mended");
            target.exec(QStringLiteral("USE `%1`").arg(live));
        }
        QVERIFY(!databaseExists(target, scratch));
        QVERIFY(!databaseExists(target, old));
        QCOMPARE(target.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA "
                                              "= '%1' AND TRIGGER_NAME LIKE 'tsz%'")
                                   .arg(live)),
                 QString::number(countedTables().size() * 3));
        // the register's count is right and keeps counting
        seedInvoiceHeader(target, {{QStringLiteral("fBszam"), QStringLiteral("20100093")}});
        QCOMPARE(target.scalar(QStringLiteral("SELECT tsSorok FROM tablaszamlalo WHERE tsTabla = 'szlafej'")),
                 target.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafej")));
        QCOMPARE(target.scalar(QStringLiteral("SELECT SUM(tkSorok) FROM tablaszakasz WHERE tkTabla = 'szlafej'")),
                 target.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafej")));
    }

    void outputTargetsMustBeRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("device") << "device" << "nem közönséges fájl";
        QTest::newRow("pipe") << "pipe" << "nem közönséges fájl";
        QTest::newRow("folder") << "folder" << "mappáé";
        QTest::newRow("link to a file") << "link" << "hivatkozás";
    }
    void outputTargetsMustBeRegularFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir place;
        const QString target = QDir(place.path()).filePath(QStringLiteral("cel"));
        const QString victim = QDir(place.path()).filePath(QStringLiteral("aldozat"));
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("marad");
        v.close();
        const QByteArray path = QFile::encodeName(target);
        if (kind == u"device" && ::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
            QSKIP("a device node can only be made as root");
        if (kind == u"pipe")
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        if (kind == u"folder")
            QVERIFY(QDir().mkdir(target));
        if (kind == u"link")
            QVERIFY(QFile::link(victim, target));
        struct stat before {};
        QCOMPARE(::lstat(path.constData(), &before), 0);

        const Run r = runProgram({QStringLiteral("--backup"), target}, source->name());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(message) && r.err.contains(QStringLiteral("nem írható")), qPrintable(r.err));
        struct stat after {};
        QCOMPARE(::lstat(path.constData(), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        QCOMPARE(after.st_ino, before.st_ino);
        QVERIFY(v.open(QIODevice::ReadOnly));
        QCOMPARE(v.readAll(), QByteArray("marad"));
        QCOMPARE(QDir(place.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), kind == u"folder" ? 1 : 2);
    }

    void serverScriptRefusesAFolderOthersControl_data()
    {
        QTest::addColumn<QString>("plant");
        QTest::addColumn<QString>("message");
        QTest::newRow("log linked to root's file") << "log" << "symbolic link";
        QTest::newRow("export linked to root's folder") << "export" << "symbolic link";
        QTest::newRow("folder of another user") << "owner" << "another user";
        QTest::newRow("folder writable by others") << "mode" << "writable by other users";
    }
    void serverScriptRefusesAFolderOthersControl()
    {
        if (::geteuid() != 0)
            QSKIP("the server script's root checks need root");
        QFETCH(QString, plant);
        QFETCH(QString, message);
        QTemporaryDir place;
        const QString folder = QDir(place.path()).filePath(QStringLiteral("szerver"));
        const QString victims = QDir(place.path()).filePath(QStringLiteral("gyoker"));
        QVERIFY(QDir().mkpath(folder) && QDir().mkpath(victims));
        const QString victim = QDir(victims).filePath(QStringLiteral("titok"));
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("gyökér");
        v.close();
        if (plant == u"log")
            QVERIFY(QFile::link(victim, QDir(folder).filePath(QStringLiteral("mysqld.log"))));
        if (plant == u"export")
            QVERIFY(QFile::link(victims, QDir(folder).filePath(QStringLiteral("export"))));
        if (plant == u"owner")
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), 65534, 65534), 0);
        if (plant == u"mode")
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0777), 0);

        QProcess script;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVENA_DB_DIR"), folder);
        script.setProcessEnvironment(env);
        const QString db = QStringLiteral(ORVENA_SOURCE_DIR "/scripts/db.sh");
        script.start(QStringLiteral("bash"), {db, QStringLiteral("start")});
        QVERIFY(script.waitForFinished(60000));
        const QString said = QString::fromUtf8(script.readAllStandardError());
        QProcess stop; // should it have started after all
        stop.setProcessEnvironment(env);
        stop.start(QStringLiteral("bash"), {db, QStringLiteral("stop")});
        stop.waitForFinished(30000);
        QVERIFY2(script.exitCode() != 0 && said.contains(message), qPrintable(said));
        struct stat st {};
        for (const QString& p : {victim, victims}) {
            QCOMPARE(::stat(QFile::encodeName(p).constData(), &st), 0);
            QCOMPARE(st.st_uid, uid_t(0));
        }
        QVERIFY(v.open(QIODevice::ReadOnly));
        QCOMPARE(v.readAll(), QByteArray("gyökér"));
        QVERIFY(QDir(victims).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() == 1);
    }

    void dailyBackupOncePerDayKeepsTheNewestThirty()
    {
        QTemporaryDir folder;
        const QDateTime now(QDate(2026, 12, 9), QTime(8, 30, 0));
        // 31 daily backups of earlier days and a backup made from the menu
        for (int d = 1; d <= 31; ++d) {
            QFile f(QDir(folder.path()).filePath(backupFileName(now.addDays(-d), true)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QString manual = QDir(folder.path()).filePath(backupFileName(now.addDays(-40)));
        QVERIFY(QFile(manual).open(QIODevice::WriteOnly));

        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                         | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                                         | QFile::ExeOther));
        DailyBackupOutcome first;
        DB_VERIFY(first = runDailyBackup(source->profile(), folder.path(), now));
        QVERIFY(first.made);
        // closed to other users: the folder (made 0755 by an earlier version) and the file
        QCOMPARE(modeOf(folder.path()), 0700);
        QCOMPARE(modeOf(first.result.file), 0600);
        QCOMPARE(QFileInfo(first.result.file).fileName(), QStringLiteral("orvena-napi-2026-12-09-083000.sql.gz"));
        DB_VERIFY(verifyBackup(first.result.file));
        QCOMPARE(first.removed, (QStringList{backupFileName(now.addDays(-30), true), backupFileName(now.addDays(-31), true)}));
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("orvena-napi-*")}, QDir::Files).size(), 30);
        QVERIFY(QFile::exists(manual));

        // later that day: nothing more
        DailyBackupOutcome second;
        DB_VERIFY(second = runDailyBackup(source->profile(), folder.path(), now.addSecs(3600)));
        QVERIFY(!second.made);

        // a failure leaves no file behind and says why in Hungarian
        ConnectionProfile unreachable = source->profile();
        unreachable.socket = folder.filePath(QStringLiteral("nincs.sock"));
        unreachable.host = QStringLiteral("localhost");
        try {
            runDailyBackup(unreachable, folder.path(), now.addDays(1));
            QFAIL("a backup without a server succeeded");
        } catch (const BackupError& e) {
            QVERIFY2(e.text().contains(QStringLiteral("nem érhető el")), qPrintable(e.text()));
        }
        QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("*2026-12-10*"), QStringLiteral("*.resz")}, QDir::Files),
                 QStringList());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("ours");
        QTest::addColumn<QString>("error");
        QTest::newRow("windowed") << QStringList{"orvena"} << false << "";
        QTest::newRow("Qt options") << QStringList{"orvena", "-platform", "offscreen", "--style=Fusion", "-reverse"}
                                    << false << "";
        QTest::newRow("unknown alone") << QStringList{"orvena", "--bogus"} << true << "--bogus";
        QTest::newRow("stray word") << QStringList{"orvena", "szamla.txt"} << true << "szamla.txt";
        QTest::newRow("backup") << QStringList{"orvena", "--backup", "m.sql.gz"} << true << "";
        QTest::newRow("restore forced") << QStringList{"orvena", "--restore=m.sql.gz", "--force"} << true << "";
        QTest::newRow("backup without file") << QStringList{"orvena", "--backup"} << true << "--backup";
        QTest::newRow("both") << QStringList{"orvena", "--backup", "a", "--restore", "b"} << true << "együtt";
        QTest::newRow("force alone") << QStringList{"orvena", "--force"} << true << "--force";
        QTest::newRow("backup and print") << QStringList{"orvena", "--backup", "a", "--invoice", "1", "--pdf", "x"}
                                          << true << "nyomtatással";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, ours);
        QFETCH(QString, error);
        const auto request = parseCommandLine(arguments);
        QCOMPARE(request.has_value(), ours);
        if (!request)
            return;
        if (error.isEmpty())
            QVERIFY2(request->error.isEmpty(), qPrintable(request->error));
        else
            QVERIFY2(request->error.contains(error), qPrintable(request->error));
    }

    void unknownOptionPrintsTheUsage()
    {
        const Run r = runProgram({QStringLiteral("--szinek")}, source->name());
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("Hiba: ismeretlen kapcsoló: --szinek")));
        QVERIFY(r.err.contains(QStringLiteral("Használat: orvena")));
        QVERIFY(r.err.contains(QStringLiteral("--restore <fájl> [--force]")));

        const QString file = dir.filePath(QStringLiteral("parancssor.sql.gz"));
        const Run made = runProgram({QStringLiteral("--backup"), file}, source->name());
        QVERIFY2(made.status == 0, qPrintable(made.err));
        QVERIFY(made.out.contains(QStringLiteral("Az adatmentés elkészült: %1").arg(file)));
        DB_VERIFY(verifyBackup(file));
    }

    void menuItemBacksUpThroughTheRealWindow()
    {
        QTemporaryDir home;
        const QString chosen = QDir(home.path()).filePath(QStringLiteral("valasztott"));
        QVERIFY(QDir().mkpath(chosen));
        qputenv("ORVENA_BACKUP_DIR", QDir(home.path()).filePath(QStringLiteral("alapértelmezett")).toUtf8());

        Session session;
        DB_VERIFY(session.data().connect(source->profile()));
        MainWindow window(session);
        session.ui().setParent(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // "Adatmentés" stands right before "Kilépés"
        const QList<QAction*> items = window.menuBar()->actions();
        QVERIFY(items.size() >= 2);
        QCOMPARE(items.at(items.size() - 2)->text().remove(u'&'), QStringLiteral("Adatmentés"));
        QCOMPARE(items.last()->text().remove(u'&'), QStringLiteral("Kilépés"));

        QString folderOffered;
        auto driver = std::make_unique<ModalDriver>();
        driver
            ->window(QStringLiteral("AdatmentesMappa"),
                    [&](QWidget* w) {
                        auto* chooser = qobject_cast<QFileDialog*>(w);
                        folderOffered = chooser ? chooser->directory().absolutePath() : QString();
                        auto* name = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                        QVERIFY(name);
                        name->clear();
                        QTest::keyClicks(name, chosen);
                        auto* buttons = w->findChild<QDialogButtonBox*>();
                        QVERIFY(buttons && buttons->button(QDialogButtonBox::Open));
                        buttons->button(QDialogButtonBox::Open)->click();
                    })
            .box(QStringLiteral("Az adatmentés elkészült."), QStringLiteral("OK"));
        items.at(items.size() - 2)->trigger();
        QVERIFY2(driver->wait(60000), qPrintable(driver->failures().join(u'\n')));
        QCOMPARE(folderOffered, QDir(home.path()).filePath(QStringLiteral("alapértelmezett")));

        const QStringList made = QDir(chosen).entryList({QStringLiteral("orvena-*.sql.gz")}, QDir::Files);
        QCOMPARE(made.size(), 1);
        const QString file = QDir(chosen).filePath(made.first());
        QVERIFY(driver->boxes().last().contains(QDir::toNativeSeparators(file)));
        QVERIFY(driver->boxes().last().contains(backupSizeText(QFileInfo(file).size())));
        QCOMPARE(modeOf(file), 0600);
        QCOMPARE(modeOf(folderOffered), 0700); // the default folder was made closed
        driver.reset();
        DB_VERIFY(verifyBackup(file));

        // the daily backup at start: made into the default folder once; a failure is only reported
        qputenv("ORVENA_AUTO_BACKUP", "1");
        DB_VERIFY(dailyBackupAtStart(session));
        QCOMPARE(QDir(QDir(home.path()).filePath(QStringLiteral("alapértelmezett")))
                     .entryList({QStringLiteral("orvena-napi-*.sql.gz")}, QDir::Files)
                     .size(),
                 1);
        const QString blocked = QDir(home.path()).filePath(QStringLiteral("fajl"));
        QVERIFY(QFile(blocked).open(QIODevice::WriteOnly));
        qputenv("ORVENA_BACKUP_DIR", QDir(blocked).filePath(QStringLiteral("alatta")).toUtf8());
        ModalDriver failing;
        failing.box(QStringLiteral("A napi adatmentés nem sikerült"), QStringLiteral("OK"));
        DB_VERIFY(dailyBackupAtStart(session));
        QVERIFY2(failing.wait(20000), qPrintable(failing.failures().join(u'\n')));
        qunsetenv("ORVENA_BACKUP_DIR");
        qputenv("ORVENA_AUTO_BACKUP", "0");
    }
};

QTEST_MAIN(BackupTest)
#include "tst_backup.moc"
