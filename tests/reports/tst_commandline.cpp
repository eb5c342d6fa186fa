// Printing from the command line: option parsing, and the program itself writing PDFs of an
// invoice and a delivery note without a display, or failing with a message and no file (a
// device, a pipe, a folder or a link under the name is left as it was).
#include "app/commandline.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace orvena;
using namespace orvena::test;

using Document = CommandLineRequest::Document;

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void parsing_data();
    void parsing();
    void help();
    void invoicePdf();
    void markPrinted();
    void otherDocumentsPdf();
    void failures_data();
    void failures();
    void fourVatRatesInPdf();
    void unwritablePdfLeavesFlag_data();
    void unwritablePdfLeavesFlag();
    void logFileGetsTheServersText();

private:
    struct Run {
        int status = -1;
        QString out, err;
    };
    Run run(const QStringList& arguments, const QString& database = {});
    QString pdfText(const QString& file);

    std::unique_ptr<TestSession> m_session;
    QTemporaryDir m_dir;
};

void TestCommandLine::initTestCase()
{
    m_session = std::make_unique<TestSession>();
    QVERIFY(m_dir.isValid());
    TestDatabase& db = m_session->db;
    DB_VERIFY(db.addDemoData());
    DB_VERIFY(db.exec(QStringLiteral(
        "INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fPrn, fKerek, fArfoly, fPnem, fmKod, fzKod, "
        "fvKod, fMemoSzall, fMemoVevo) VALUES ('20100001', '2010-05-17', '2010-05-17', '2010-05-25', 'kp.', ' ', 0, 0, "
        "'Ft', '00002', '1', '1', 'Tisza-Mérleg Kft.', 'Kovács és Társa Bt.'), ('20100002', '2010-05-17', "
        "'2010-05-17', '2010-05-25', 'kp.', ' ', 0, 0, 'Ft', '0001', '1', '1', '', ''), ('20100003', '2010-05-18', "
        "'2010-05-18', '2010-05-26', 'kp.', ' ', 0, 0, 'Ft', '00002', '1', '1', 'Tisza-Mérleg Kft.', 'Kovács')")));
    DB_VERIFY(db.exec(QStringLiteral(
        "INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa) "
        "VALUES ('20100001', '1', 'TM-100', 'Konyhai mérleg 5 kg', '8423', 2, 'db', 8990, 'Ft', '1', "
        "'27% általános', 27), ('20100003', '1', 'TM-100', 'Konyhai mérleg 5 kg', '8423', 1, 'db', 8990, 'Ft', '1', "
        "'27% általános', 27)")));
    DB_VERIFY(db.exec(QStringLiteral(
        "INSERT INTO szlevfej (lBszam, lTkelt, lRkelt, lFkelt, lPrn, lPnem, lmKod, lzKod, lvKod, lMemoSzall, lMemoVevo) "
        "VALUES ('20100001', '2010-05-17', '2010-05-17', '2010-05-25', ' ', 'Ft', '00003', '1', '2', 'Tisza', "
        "'Szőke Építőipari Zrt.'), ('20100002', '2010-05-18', '2010-05-18', '2010-05-26', ' ', 'Ft', '00002', '1', "
        "'2', 'Tisza', 'Szőke')")));
    DB_VERIFY(db.exec(QStringLiteral(
        "INSERT INTO szlevsor (eBszam, ecKod, ecSzam, eMegn, eVtsz, eMenny, eMe) VALUES ('20100001', '1', 'TM-100', "
        "'Konyhai mérleg 5 kg', '8423', 1.5, 'db'), ('20100001', '2', 'TM-220', 'Személymérleg', '8423', 2, 'db')")));
}

void TestCommandLine::parsing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("ours");
    QTest::addColumn<int>("document");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("pdf");
    QTest::addColumn<bool>("mark");
    QTest::addColumn<QString>("error");
    QTest::newRow("windowed start") << QStringList{"orvena"} << false << 0 << "" << "" << false << "";
    QTest::newRow("Qt's own options") << QStringList{"orvena", "-platform", "offscreen"} << false << 0 << "" << ""
                                      << false << "";
    QTest::newRow("invoice") << QStringList{"orvena", "--invoice", "20100001", "--pdf", "a.pdf"} << true
                             << int(Document::Invoice) << "20100001" << "a.pdf" << false << "";
    QTest::newRow("delivery note, marked, = form")
        << QStringList{"orvena", "--mark-printed", "--delivery-note=20100003", "--pdf=b.pdf"} << true
        << int(Document::DeliveryNote) << "20100003" << "b.pdf" << true << "";
    QTest::newRow("without pdf") << QStringList{"orvena", "--invoice", "1"} << true << int(Document::Invoice) << "1"
                                 << "" << false << "--pdf";
    QTest::newRow("without document") << QStringList{"orvena", "--pdf", "a.pdf"} << true << 0 << "" << "a.pdf"
                                      << false << "--invoice";
    QTest::newRow("two documents") << QStringList{"orvena", "--invoice", "1", "--delivery-note", "2", "--pdf", "a"}
                                   << true << int(Document::DeliveryNote) << "2" << "a" << false << "egy bizonylat";
    QTest::newRow("value missing") << QStringList{"orvena", "--pdf", "a.pdf", "--invoice"} << true
                                   << int(Document::Invoice) << "" << "a.pdf" << false << "--invoice";
    QTest::newRow("unknown option") << QStringList{"orvena", "--invoice", "1", "--pdf", "a", "--color"} << true
                                    << int(Document::Invoice) << "1" << "a" << false << "--color";
    QTest::newRow("e-mail") << QStringList{"orvena", "--email-invoice", "20100001", "--to", "a@b.hu;c@d.hu"} << true
                            << int(Document::Invoice) << "20100001" << "" << false << "";
    QTest::newRow("e-mail with a PDF") << QStringList{"orvena", "--email-invoice", "1", "--pdf", "a"} << true
                                       << int(Document::Invoice) << "1" << "a" << false << "nem adható meg --pdf";
    QTest::newRow("addresses without e-mail") << QStringList{"orvena", "--invoice", "1", "--pdf", "a", "--to", "a@b.hu"}
                                              << true << int(Document::Invoice) << "1" << "a" << false
                                              << "--to csak az --email-invoice";
    QTest::newRow("e-mail and a print") << QStringList{"orvena", "--invoice", "1", "--email-invoice", "2"} << true
                                        << int(Document::Invoice) << "2" << "" << false << "egy bizonylat";
}

void TestCommandLine::parsing()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, ours);
    QFETCH(int, document);
    QFETCH(QString, number);
    QFETCH(QString, pdf);
    QFETCH(bool, mark);
    QFETCH(QString, error);
    const auto request = parseCommandLine(arguments);
    QCOMPARE(request.has_value(), ours);
    if (!request)
        return;
    QCOMPARE(int(request->document), document);
    QCOMPARE(request->number, number);
    QCOMPARE(request->pdfFile, pdf);
    QCOMPARE(request->markPrinted, mark);
    if (error.isEmpty())
        QVERIFY2(request->error.isEmpty(), qPrintable(request->error));
    else
        QVERIFY2(request->error.contains(error), qPrintable(request->error));
}

TestCommandLine::Run TestCommandLine::run(const QStringList& arguments, const QString& database)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVENA_DB_NAME"), database.isEmpty() ? m_session->db.name() : database);
    env.insert(QStringLiteral("ORVENA_DB_USER"), m_session->db.profile().user);
    env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the program chooses the offscreen platform itself
    env.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QStringLiteral(ORVENA_SOURCE_DIR "/templates"));
    process.start(QStringLiteral(ORVENA_PROGRAM), arguments);
    Run r;
    if (!process.waitForFinished(120000))
        return r;
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

QString TestCommandLine::pdfText(const QString& file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

void TestCommandLine::help()
{
    const Run r = run({QStringLiteral("--help")});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains(QStringLiteral("--invoice <számlaszám> --pdf <fájl>")));
    // every option the program takes, whichever part of it reads the option
    for (const char* option : {"--delivery-note", "--mark-printed", "--backup", "--restore", "--force", "--nav-send",
                               "--nav-xml", "--out", "--audit-export", "--from", "--to", "--dir", "--log", "--help",
                               "--import-statement", "--book-exact"})
        QVERIFY2(r.out.contains(QLatin1String(option)), option);
}

void TestCommandLine::invoicePdf()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QString file = m_dir.filePath(QStringLiteral("szamla.pdf"));
    // an issuer accounting on cash receipt says so on each copy, in the law's words
    m_session->db.exec(QStringLiteral("UPDATE szallito SET zPenzforgalmi = 1"));
    const Run r = run({QStringLiteral("--invoice"), QStringLiteral("20100001"), QStringLiteral("--pdf"), file});
    m_session->db.exec(QStringLiteral("UPDATE szallito SET zPenzforgalmi = 0"));
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QString text = pdfText(file);
    QCOMPARE(text.count(QStringLiteral("Pénzforgalmi elszámolás")), 3);
    // 2 x 8990 + 27 % = 22 834,60, payable in whole forints: 22835
    QVERIFY2(text.contains(QStringLiteral("22 834,60 Ft")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("huszonkettöezer-nyolcszázharmincöt 00/100 Ft")));
    QCOMPARE(text.count(QStringLiteral("Számla / Invoice")), 3);
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")),
             QStringLiteral(" "));
}

void TestCommandLine::markPrinted()
{
    const QString file = m_dir.filePath(QStringLiteral("nyomtatott.pdf"));
    const Run r = run({QStringLiteral("--invoice"), QStringLiteral("20100001"), QStringLiteral("--pdf"), file,
                       QStringLiteral("--mark-printed")});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY(QFile::exists(file));
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")),
             QStringLiteral("I"));
    // a second run is a copy
    const QString copy = m_dir.filePath(QStringLiteral("masolat.pdf"));
    QCOMPARE(run({QStringLiteral("--invoice"), QStringLiteral("20100001"), QStringLiteral("--pdf"), copy}).status, 0);
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QCOMPARE(pdfText(copy).count(QStringLiteral("MÁSOLATI PÉLDÁNY /Copy")), 3);
}

void TestCommandLine::otherDocumentsPdf()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QString file = m_dir.filePath(QStringLiteral("szallito.pdf"));
    const Run r = run({QStringLiteral("--delivery-note"), QStringLiteral("20100001"), QStringLiteral("--pdf"), file});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QString text = pdfText(file);
    QCOMPARE(text.count(QStringLiteral("Szállítólevél / Lieferschein")), 4);
    QCOMPARE(text.count(QStringLiteral("3,500")), 4);
    // a proforma: one copy, no invoice; printing only notes it, nothing is issued
    for (const char* table : {"fej", "sor"})
        m_session->db.exec(QStringLiteral("INSERT INTO dijb%1 SELECT * FROM szla%1 WHERE %2 = '20100001'")
                               .arg(QLatin1String(table), QLatin1String(*table == 'f' ? "fBszam" : "sBszam")));
    const QString invoiceState = QStringLiteral("SELECT CONCAT(fPrn, '|', (SELECT COUNT(*) FROM szlanav)) FROM szlafej "
                                                "WHERE fBszam = '20100001'");
    const QString before = m_session->db.scalar(invoiceState);
    const QString proforma = m_dir.filePath(QStringLiteral("dijbekero.pdf"));
    const Run p = run({QStringLiteral("--proforma"), QStringLiteral("D20100001"), QStringLiteral("--pdf"), proforma, // as printed
                       QStringLiteral("--mark-printed")});
    QVERIFY2(p.status == 0, qPrintable(p.err));
    const QString proformaText = pdfText(proforma);
    QCOMPARE(proformaText.count(QStringLiteral("Díjbekérő — nem számla")), 1);
    QVERIFY2(proformaText.contains(QStringLiteral("D20100001")), qPrintable(proformaText));
    QVERIFY(!proformaText.contains(QStringLiteral("Eredeti")));
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT fPrn FROM dijbfej WHERE fBszam = '20100001'")), QStringLiteral("I"));
    QCOMPARE(m_session->db.scalar(invoiceState), before);
}

void TestCommandLine::failures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("database"); // empty: the test's own
    QTest::newRow("unknown invoice") << QStringList{"--invoice", "99999999"} << "Nincs 99999999 számú számla" << "";
    QTest::newRow("label set without type") << QStringList{"--invoice", "20100002", "--mark-printed"} << "\"0001\""
                                            << "";
    QTest::newRow("unknown delivery note") << QStringList{"--delivery-note", "5"} << "Nincs 5 számú szállítólevél" << "";
    QTest::newRow("unknown proforma") << QStringList{"--proforma", "5"} << "Nincs D5 számú díjbekérő" << "";
    QTest::newRow("unknown proforma, as printed") << QStringList{"--proforma", "D5"} << "Nincs D5 számú díjbekérő" << "";
    QTest::newRow("no document") << QStringList{} << "--invoice" << "";
    QTest::newRow("no database") << QStringList{"--invoice", "20100002"} << "az adatbázis nem érhető el"
                                 << "nincs_ilyen_adatbazis";
}

void TestCommandLine::failures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QFETCH(QString, database);
    const QString file = m_dir.filePath(QStringLiteral("hibas.pdf"));
    const Run r = run(arguments + QStringList{QStringLiteral("--pdf"), file}, database);
    QVERIFY(r.status > 0);
    QVERIFY2(r.err.count(message) == 1, qPrintable(r.err)); // said once, not again as a log line
    QVERIFY(!QFile::exists(file));
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100002'")),
             QStringLiteral(" "));
}

void TestCommandLine::fourVatRatesInPdf()
{
    // The VAT summary of an invoice with the four demo rates shows all four on every copy.
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    DB_VERIFY(m_session->db.exec(QStringLiteral(
        "INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fPrn, fKerek, fArfoly, fPnem, fmKod, fzKod, "
        "fvKod, fMemoSzall, fMemoVevo) VALUES ('20100004', '2010-05-19', '2010-05-19', '2010-05-27', 'kp.', ' ', 0, 0, "
        "'Ft', '00002', '1', '1', 'Tisza', 'Kovács')")));
    DB_VERIFY(m_session->db.exec(QStringLiteral(
        "INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa) SELECT "
        "'20100004', kAfakod, 'Tétel', 1, 'db', 1000, 'Ft', kAfakod, kAfanev, kAfa FROM afa")));
    QCOMPARE(m_session->db.scalar(QStringLiteral("SELECT COUNT(DISTINCT sAfanev) FROM szlasor WHERE sBszam = '20100004'")),
             QStringLiteral("4"));
    const QString file = m_dir.filePath(QStringLiteral("negykulcs.pdf"));
    const Run r = run({QStringLiteral("--invoice"), QStringLiteral("20100004"), QStringLiteral("--pdf"), file});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    const QString text = pdfText(file);
    // the rate names print only in the summary, once per copy; the exemption's code also in its
    // reason beside the summary and in its line's "ÁFA %" column
    for (const QString& rate : {QStringLiteral("18%"), QStringLiteral("27%"), QStringLiteral("5%")})
        QVERIFY2(text.count(rate) == 3, qPrintable(rate + u'\n' + text));
    QVERIFY2(text.count(QStringLiteral("Adómentes (AAM): Alanyi adómentes")) == 3, qPrintable(text));
    QVERIFY2(text.count(QStringLiteral("AAM")) == 9, qPrintable(text));
    // 4 x 1000 net and 270 + 180 + 50 + 0 tax
    // the totals under the lines, under the summary and the payable amount, on each copy
    QCOMPARE(text.count(QStringLiteral("4 500,00")), 9);

}

void TestCommandLine::unwritablePdfLeavesFlag_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::newRow("invoice, missing folder") << "--invoice" << "szlafej" << "20100003" << "nincs/szamla.pdf"
                                             << "mappa nem létezik";
    QTest::newRow("invoice, a folder's name") << "--invoice" << "szlafej" << "20100003" << "mappa" << "mappáé";
    QTest::newRow("delivery note, missing folder") << "--delivery-note" << "szlevfej" << "20100002"
                                                   << "nincs/szallito.pdf" << "mappa nem létezik";
    // a special file is never replaced by a regular one, nor written through a link
    QTest::newRow("invoice, a device") << "--invoice" << "szlafej" << "20100003" << "eszkoz" << "nem közönséges fájl";
    QTest::newRow("invoice, a pipe") << "--invoice" << "szlafej" << "20100003" << "cso" << "nem közönséges fájl";
    QTest::newRow("delivery note, a link") << "--delivery-note" << "szlevfej" << "20100002" << "link" << "hivatkozás";
}

void TestCommandLine::unwritablePdfLeavesFlag()
{
    // --mark-printed marks a document only once its PDF is written: a PDF that cannot be written
    // leaves the flag as it was, and the next run still makes the original.
    QFETCH(QString, option);
    QFETCH(QString, table);
    QFETCH(QString, number);
    QFETCH(QString, target);
    QFETCH(QString, message);
    const QString prefix = table == u"szlafej" ? QStringLiteral("f") : QStringLiteral("l");
    const QString flagSql = QStringLiteral("SELECT %1Prn FROM %2 WHERE %1Bszam = '%3'").arg(prefix, table, number);
    DB_VERIFY(m_session->db.exec(QStringLiteral("UPDATE %2 SET %1Prn = ' ' WHERE %1Bszam = '%3'").arg(prefix, table, number)));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("mappa")));

    const QString bad = m_dir.filePath(target);
    const QByteArray path = QFile::encodeName(bad);
    const QString victim = m_dir.filePath(QStringLiteral("masik.pdf"));
    QFile::remove(bad);
    if (target == u"eszkoz" && ::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        QSKIP("a device node can only be made as root");
    if (target == u"cso")
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    if (target == u"link") {
        QFile v(victim);
        QVERIFY(v.open(QIODevice::WriteOnly) && v.write("marad") == 5);
        v.close();
        QVERIFY(QFile::link(victim, bad));
    }
    struct stat before {};
    const bool existed = ::lstat(path.constData(), &before) == 0;

    const Run failed = run({option, number, QStringLiteral("--pdf"), bad, QStringLiteral("--mark-printed")});
    QVERIFY(failed.status > 0);
    QVERIFY2(failed.err.contains(QStringLiteral("nem írható")) && failed.err.contains(message), qPrintable(failed.err));
    struct stat after {};
    QCOMPARE(::lstat(path.constData(), &after) == 0, existed);
    if (existed) {
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        QCOMPARE(after.st_ino, before.st_ino);
    }
    if (target == u"link") {
        QFile v(victim);
        QVERIFY(v.open(QIODevice::ReadOnly));
        QCOMPARE(v.readAll(), QByteArray("marad"));
    }
    QCOMPARE(m_session->db.scalar(flagSql), QStringLiteral(" "));

    const QString good = m_dir.filePath(QStringLiteral("eredeti-%1.pdf").arg(number));
    const Run done = run({option, number, QStringLiteral("--pdf"), good, QStringLiteral("--mark-printed")});
    QVERIFY2(done.status == 0, qPrintable(done.err));
    QVERIFY(QFile::exists(good));
    QCOMPARE(m_session->db.scalar(flagSql), QStringLiteral("I"));
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QVERIFY(!pdfText(good).contains(QStringLiteral("MÁSOLATI"))); // the original, not a copy
}

void TestCommandLine::logFileGetsTheServersText()
{
    // The operator reads the Hungarian line; the log file keeps what the server said.
    const QString log = m_dir.filePath(QStringLiteral("orvena.log"));
    const QString file = m_dir.filePath(QStringLiteral("nincs.pdf"));
    Run r = run({QStringLiteral("--log"), log, QStringLiteral("--invoice"), QStringLiteral("20100001"),
                 QStringLiteral("--pdf"), file},
                m_session->db.name() + QStringLiteral("_nincs"));
    QCOMPARE(r.status, 3);
    QCOMPARE(r.err.trimmed(), QStringLiteral("Hiba: az adatbázis nem érhető el."));
    QVERIFY(!QFile::exists(file));
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    QVERIFY2(text.contains(QStringLiteral(" orvena.app warning: server error 1049: Unknown database '")), qPrintable(text));

    // a print refused for its data is logged with the same text the operator read
    r = run({QStringLiteral("--invoice"), QStringLiteral("99999999"), QStringLiteral("--pdf"), file,
             QStringLiteral("--log=") + log});
    QCOMPARE(r.status, 1);
    f.seek(0);
    QVERIFY(QString::fromUtf8(f.readAll()).contains(QStringLiteral("orvena.print warning: error: Nincs 99999999 számú számla.")));

    // the option needs its file, and the file must be writable
    r = run({QStringLiteral("--invoice"), QStringLiteral("20100001"), QStringLiteral("--pdf"), file, QStringLiteral("--log")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.contains(QStringLiteral("--log kapcsoló után hiányzik az érték")));
    r = run({QStringLiteral("--log"), m_dir.filePath(QStringLiteral("nincs/ilyen/mappa.log")), QStringLiteral("--help")});
    QCOMPARE(r.status, 2);
    QVERIFY(r.err.contains(QStringLiteral("naplófájl nem írható")));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
