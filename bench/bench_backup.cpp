// Backup and restore of the invoice data set (100 000 invoices with 5 lines each by default),
// next to a plain mariadb-dump of the same database and a plain load of that dump in the same run.
//   ORVENA_DB_SOCKET=... bench_backup [invoices] [lines per invoice]
// ORVENA_BENCH_RUNS sets how many runs each median is of; ORVENA_BENCH_KEEP=1 keeps the data set
// and ORVENA_BENCH_REUSE=1 measures on it again.
#include "app/backup.h"
#include "db/codepages.h"
#include "db/connection.h"
#include "billing/setup.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvena;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

QStringList clientOptions(const ConnectionProfile& p)
{
    QStringList o;
    if (!p.socket.isEmpty())
        o << QStringLiteral("--socket=%1").arg(p.socket);
    if (!p.host.isEmpty())
        o << QStringLiteral("--host=%1").arg(p.host);
    if (p.port)
        o << QStringLiteral("--port=%1").arg(p.port);
    o << QStringLiteral("--user=%1").arg(p.user);
    if (!p.password.isEmpty())
        o << QStringLiteral("--password=%1").arg(p.password);
    return o;
}

// Runs a client tool with its output into `out` or its input from `in`; returns milliseconds.
double runTool(const QString& tool, const QStringList& arguments, const QString& out, const QString& in)
{
    QProcess p;
    if (!out.isEmpty())
        p.setStandardOutputFile(out);
    if (!in.isEmpty())
        p.setStandardInputFile(in);
    QElapsedTimer t;
    t.start();
    p.start(QStandardPaths::findExecutable(tool), arguments);
    p.waitForFinished(-1);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    if (p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(tool), p.readAllStandardError().constData());
        std::exit(1);
    }
    return ms;
}

QString count(Connection& c, const char* database, const char* table)
{
    return c.select(QByteArray("SELECT COUNT(*) FROM ") + database + '.' + table)->text(0, 0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int invoices = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 5;
    // ORVENA_BENCH_RUNS: how many times each is run (the median is quoted); 3 unless told
    const int runs = qEnvironmentVariableIsSet("ORVENA_BENCH_RUNS")
        ? std::max(1, qEnvironmentVariableIntValue("ORVENA_BENCH_RUNS"))
        : 3;
    ConnectionProfile admin = ConnectionProfile::fromEnvironment();
    admin.user = qEnvironmentVariable("ORVENA_ADMIN_USER", QStringLiteral("root"));
    admin.password = qEnvironmentVariable("ORVENA_ADMIN_PASSWORD");
    admin.database.clear();
    Connection setup;
    setup.open(admin);
    SetupOptions options;
    options.database = QStringLiteral("orvena_bench_backup");
    options.appUser.clear();
    // ORVENA_BENCH_REUSE=1 measures on the data set a previous run kept (ORVENA_BENCH_KEEP=1), on a
    // server that has finished writing the seeding
    const bool reused = !qEnvironmentVariableIsEmpty("ORVENA_BENCH_REUSE");
    setup.execute("DROP DATABASE IF EXISTS orvena_bench_restored");
    setup.execute("DROP DATABASE IF EXISTS orvena_bench_plain");
    if (!reused) {
        setup.execute("DROP DATABASE IF EXISTS orvena_bench_backup");
        runSetup(setup, options);
        addDemoData(setup);
        setup.execute("USE orvena_bench_backup");
        QElapsedTimer seed;
        seed.start();
        // the invoice headers as the query benchmark seeds them, then their lines
        setup.execute(encode(
            CodePage::Latin2,
            QString::fromUtf8(QByteArray("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, "
                                         "fKerek, fArfoly, fPnem, fmKod, fzKod, fvKod, fvSzam, fmemo, fMemoSzall, "
                                         "fMemoVevo) SELECT 20000000 + ((seq * 7919) % ")
                              + QByteArray::number(invoices)
                              + "), '2010-05-17', '2010-05-17', '2010-05-25', 'átutalás', CONCAT('Megjegyzés ', seq), "
                                "' ', 0, 0, 'Ft', '00002', '1', seq % 50, '1', 'Köszönjük a vásárlást.', "
                                "'Tisza-Mérleg Kft.\\r\\n6720 Szeged, Kárász utca 14.', "
                                "'Kovács és Társa Bt.\\r\\n1052 Budapest, Váci utca 8.' FROM seq_1_to_"
                              + QByteArray::number(invoices))));
        setup.execute(encode(
            CodePage::Latin2,
            QString::fromUtf8(QByteArray("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, "
                                         "sPnem, skAfakod, sAfanev, sAfa, sAlap, sAdo) SELECT 20000000 + seq DIV ")
                              + QByteArray::number(lines)
                              + ", seq % 10 + 1, CONCAT('TM-', seq % 1000), CONCAT('Konyhai mérleg ', seq % 97, ' kg'), "
                                "'8423', seq % 9 + 1, 'db', 8990.5, 'Ft', '1', '27% általános', 27, "
                                "(seq % 9 + 1) * 8990.5, (seq % 9 + 1) * 8990.5 * 0.27 FROM seq_0_to_"
                              + QByteArray::number(qint64(invoices) * lines - 1))));
        std::printf("seeded %d invoices with %d lines each in %.0f ms\n", invoices, lines,
                    static_cast<double>(seed.elapsed()));
    } else {
        std::printf("measured on the kept data set\n");
    }

    ConnectionProfile source = admin;
    source.database = QStringLiteral("orvena_bench_backup");
    QTemporaryDir dir;
    const QString plainFile = dir.filePath(QStringLiteral("plain.sql"));
    const QString backupFile = dir.filePath(QStringLiteral("mentes.sql.gz"));
    const QStringList dumpOptions = clientOptions(admin)
        + QStringList{QStringLiteral("--single-transaction"), QStringLiteral("--quick"),
                      QStringLiteral("--skip-lock-tables"), QStringLiteral("--no-tablespaces"),
                      QStringLiteral("--hex-blob"), QStringLiteral("--default-character-set=latin2"),
                      QStringLiteral("orvena_bench_backup")};

    // alternate the two, so neither gets a warmer cache
    std::vector<double> plain, ours;
    for (int run = 0; run < runs; ++run) {
        plain.push_back(runTool(QStringLiteral("mariadb-dump"), dumpOptions, plainFile, {}));
        QElapsedTimer t;
        t.start();
        try {
            writeBackup(source, backupFile);
        } catch (const BackupError& e) {
            std::fprintf(stderr, "%s %s\n", qPrintable(e.text()), qPrintable(e.detail()));
            return 1;
        }
        ours.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    const qint64 plainSize = QFileInfo(plainFile).size();
    const qint64 ourSize = QFileInfo(backupFile).size();

    // alternated too; each run loads into databases that do not exist yet
    std::vector<double> plainLoads, restores;
    for (int run = 0; run < runs; ++run) {
        setup.execute("DROP DATABASE IF EXISTS orvena_bench_plain");
        setup.execute("DROP DATABASE IF EXISTS orvena_bench_restored");
        setup.execute("CREATE DATABASE orvena_bench_plain CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
        plainLoads.push_back(runTool(QStringLiteral("mariadb"),
                                         clientOptions(admin) + QStringList{QStringLiteral("orvena_bench_plain")}, {},
                                         plainFile));
        QElapsedTimer t;
        t.start();
        try {
            restoreBackup(backupFile, admin, QStringLiteral("orvena_bench_restored"), false);
        } catch (const BackupError& e) {
            std::fprintf(stderr, "%s %s\n", qPrintable(e.text()), qPrintable(e.detail()));
            return 1;
        }
        restores.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    const double plainLoad = median(plainLoads);
    const double restore = median(restores);

    const QString invoicesThere = count(setup, "orvena_bench_restored", "szlafej");
    const QString linesThere = count(setup, "orvena_bench_restored", "szlasor");
    std::printf("restored: %s invoices, %s lines (source: %s, %s)\n", qPrintable(invoicesThere), qPrintable(linesThere),
                qPrintable(count(setup, "orvena_bench_backup", "szlafej")),
                qPrintable(count(setup, "orvena_bench_backup", "szlasor")));
    std::printf("backup, median of %d:\n", runs);
    std::printf("  plain mariadb-dump > file        %8.0f ms  %10lld bytes\n", median(plain), plainSize);
    std::printf("  orvena --backup (gzip, checksum) %8.0f ms  %10lld bytes\n", median(ours), ourSize);
    const double ratio = median(ours) / median(plain);
    std::printf("  ratio                            %8.2f x  (limit 1.20 x)\n", ratio);
    std::printf("restore, median of %d:\n", runs);
    std::printf("  plain mariadb < file             %8.0f ms\n", plainLoad);
    std::printf("  orvena --restore (check, swap)   %8.0f ms\n", restore);
    const double restoreRatio = restore / plainLoad;
    std::printf("  ratio                            %8.2f x  (limit 1.20 x)\n", restoreRatio);

    setup.execute("DROP DATABASE orvena_bench_plain");
    setup.execute("DROP DATABASE orvena_bench_restored");
    if (!reused && qEnvironmentVariableIsEmpty("ORVENA_BENCH_KEEP")) // kept when asked or reused
        setup.execute("DROP DATABASE orvena_bench_backup");
    return ratio <= 1.2 && restoreRatio <= 1.2 && invoicesThere == QString::number(invoices) ? 0 : 2;
}
