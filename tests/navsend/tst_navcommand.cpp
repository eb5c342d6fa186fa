// orvena --nav-send, run as a separate program against the stand-in: it sends and follows the
// queue without a window and says by its exit status whether anything is left.
#include "support/navfixture.h"
#include "support/navschemas.h"
#include "support/navstandin.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

class TestNavCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sendsAndFollowsTheQueue();
    void rejectedOrUnreachableMeansFailure();
    void reconcilesTheBooksWithTheAuthority_data();
    void reconcilesTheBooksWithTheAuthority();

private:
    struct Run {
        int status = -1;
        QString out, err;
    };
    Run run(const QStringList& arguments, const QString& url = {}, int maxSeconds = 30);

    std::unique_ptr<TestDatabase> m_db;
    NavStandIn m_server;
};

void TestNavCommand::initTestCase()
{
    if (NavSchemas::schemaDir().isEmpty())
        QSKIP("the official schemas are not available");
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    m_server.addUser(navTestUser());
    m_db = std::make_unique<TestDatabase>();
}

TestNavCommand::Run TestNavCommand::run(const QStringList& arguments, const QString& url, int maxSeconds)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVENA_DB_NAME"), m_db->name());
    env.insert(QStringLiteral("ORVENA_DB_USER"), m_db->profile().user);
    env.insert(QStringLiteral("ORVENA_NAV_URL"), url.isEmpty() ? m_server.baseUrl() : url);
    env.insert(QStringLiteral("ORVENA_NAV_CA"), m_server.caFile());
    env.insert(QStringLiteral("ORVENA_NAV_POLL_MS"), QStringLiteral("50"));
    env.insert(QStringLiteral("ORVENA_NAV_RETRY_MS"), QStringLiteral("50"));
    env.insert(QStringLiteral("ORVENA_NAV_TIMEOUT_MS"), QStringLiteral("10000"));
    env.insert(QStringLiteral("ORVENA_NAV_MAX_S"), QString::number(maxSeconds));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ORVENA_PROGRAM), arguments);
    Run r;
    // the stand-in answers from this thread while the program runs
    QElapsedTimer t;
    t.start();
    while (!process.waitForFinished(10) && t.elapsed() < 120000)
        QCoreApplication::processEvents();
    if (process.state() != QProcess::NotRunning)
        return r;
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(process.readAllStandardError());
    return r;
}

void TestNavCommand::sendsAndFollowsTheQueue()
{
    m_db->reset();
    m_db->addDemoData();
    prepareNavDatabase(*m_db);
    m_server.reset();
    m_server.setPollsBeforeDone(2);
    seedNavInvoice(*m_db, QStringLiteral("20100001"));
    seedNavInvoice(*m_db, QStringLiteral("20100002"));
    m_server.setVerdict(QStringLiteral("K20100002"), NavStandIn::Verdict::Warn);
    const Run r = run({QStringLiteral("--nav-send")});
    QVERIFY2(r.status == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("1 számla befogadva, 1 figyelmeztetéssel befogadva, 0 elutasítva")),
             qPrintable(r.out));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nAllapot FROM szlanav WHERE nBszam = '20100001'")),
             QStringLiteral("BEFOGADVA"));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nAllapot FROM szlanav WHERE nBszam = '20100002'")),
             QStringLiteral("FIGYELMEZTETES"));
    QCOMPARE(m_server.transactions().size(), 1);
    QVERIFY2(m_server.violations().isEmpty(), qPrintable(m_server.violations().join(u'\n')));
    // a second run has nothing to do and succeeds
    const Run again = run({QStringLiteral("--nav-send")});
    QCOMPARE(again.status, 0);
    QCOMPARE(m_server.transactions().size(), 1);
}

void TestNavCommand::rejectedOrUnreachableMeansFailure()
{
    m_db->reset();
    m_db->addDemoData();
    prepareNavDatabase(*m_db);
    m_server.reset();
    seedNavInvoice(*m_db, QStringLiteral("20100011"));
    m_server.setVerdict(QStringLiteral("K20100011"), NavStandIn::Verdict::Reject);
    Run r = run({QStringLiteral("--nav-send")});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("K20100011: Elutasítva – ERROR INVALID_VAT_DATA")), qPrintable(r.err));

    // nobody listens there: the invoice stays in the queue
    seedNavInvoice(*m_db, QStringLiteral("20100012"));
    r = run({QStringLiteral("--nav-send")}, QStringLiteral("https://127.0.0.1:1/invoiceService/v3"), 2);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QStringLiteral("K20100012: Küldendő – A NAV szolgáltatása nem érhető el")), qPrintable(r.err));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nAllapot FROM szlanav WHERE nBszam = '20100012'")),
             QStringLiteral("KULDENDO"));

    r = run({QStringLiteral("--nav-send"), QStringLiteral("--pdf")});
    QCOMPARE(r.status, 2);
}

// orvena --nav-reconcile: three invoices reported and accepted, then the books or the authority's
// copy changed as the row says; each difference is one CSV row, and only a clean match exits 0.
void TestNavCommand::reconcilesTheBooksWithTheAuthority_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("rows"); // number;what of each CSV row, in order
    QTest::addColumn<int>("dataQueries");
    QTest::newRow("the same, over two digest pages") << "" << "2021.05.01" << "2021.05.31" << QStringList{} << 0;
    QTest::newRow("a long period is asked span by span") << "" << "2021.01.01" << "2021.12.31" << QStringList{} << 0;
    QTest::newRow("issued here, missing there")
        << "drop" << "2021.05.01" << "2021.05.31"
        << QStringList{"K20100102;A számla itt ki van állítva, a NAV-nál nincs meg"} << 0;
    QTest::newRow("there, not here")
        << "extra" << "2021.05.01" << "2021.05.31"
        << QStringList{"K20100199;A NAV-nál van, a könyvekben nincs kiállítva"} << 0;
    QTest::newRow("other amount and customer there")
        << "differ" << "2021.05.01" << "2021.05.31"
        << QStringList{"K20100103;Eltérő vevő adószáma;99887764;24387521",
                       "K20100103;Eltérő nettó összeg;4952000;4950000"}
        << 1;
    QTest::newRow("waiting and rejected reports")
        << "pending" << "2021.05.01" << "2021.05.31"
        << QStringList{"K20100104;Az adatszolgáltatás még nem zárult le",
                       "K20100105;A NAV elutasította az adatszolgáltatást"}
        << 0;
    QTest::newRow("outside the period nothing counts") << "extra" << "2021.06.01" << "2021.06.30" << QStringList{} << 0;
}

void TestNavCommand::reconcilesTheBooksWithTheAuthority()
{
    QFETCH(QString, change);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, rows);
    QFETCH(int, dataQueries);
    m_db->reset();
    m_db->addDemoData();
    prepareNavDatabase(*m_db);
    m_server.reset();
    for (const char* number : {"20100101", "20100102", "20100103"})
        seedNavInvoice(*m_db, QString::fromLatin1(number));
    QCOMPARE(run({QStringLiteral("--nav-send")}).status, 0);
    if (change == u"drop") {
        m_server.dropAuthorityCopy(QStringLiteral("K20100102"));
    } else if (change == u"extra") {
        m_server.setAuthorityCopy(QStringLiteral("K20100199"), QStringLiteral("CREATE"),
                                  navInvoiceDocument(QStringLiteral("20100199")));
    } else if (change == u"differ") {
        QByteArray other = navInvoiceDocument(QStringLiteral("20100103"));
        other.replace("<invoiceNetAmount>4952000.00<", "<invoiceNetAmount>4950000.00<")
            .replace("<base:taxpayerId>99887764<", "<base:taxpayerId>24387521<");
        m_server.setAuthorityCopy(QStringLiteral("K20100103"), QStringLiteral("CREATE"), other);
    } else if (change == u"pending") {
        seedNavInvoice(*m_db, QStringLiteral("20100104"));
        seedNavInvoice(*m_db, QStringLiteral("20100105"), QStringLiteral("CREATE"), {}, QStringLiteral("ELUTASITVA"));
    }
    // the books: issued invoices of the period (the reports' documents are of 2021.05.15)
    m_db->exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I', fRkelt = '2021-05-15'"));
    m_server.clearLog();
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("egyeztetes.csv"));
    const Run r = run({QStringLiteral("--nav-reconcile"), QStringLiteral("--from"), from, QStringLiteral("--to"), to,
                       QStringLiteral("--out"), csv});
    QVERIFY2(r.status == (rows.isEmpty() ? 0 : 1), qPrintable(r.out + r.err));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QStringLiteral("Számlaszám;Eltérés;Könyvekben;NAV-nál;Teendő"));
    QCOMPARE(lines.size() - 1, rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        QVERIFY2(lines[i + 1].startsWith(rows[i]), qPrintable(lines[i + 1]));
    if (rows.isEmpty())
        QVERIFY2(r.out.contains(QStringLiteral("nincs eltérés")), qPrintable(r.out));
    // every page of every span of at most 35 days, each a valid request
    const int days = int(QDate::fromString(from, QStringLiteral("yyyy.MM.dd")).daysTo(QDate::fromString(to, QStringLiteral("yyyy.MM.dd")))) + 1;
    QVERIFY(m_server.requestCount(QStringLiteral("queryInvoiceDigest")) >= (days + 34) / 35);
    QCOMPARE(m_server.requestCount(QStringLiteral("queryInvoiceData")), dataQueries);
    QVERIFY2(m_server.violations().isEmpty(), qPrintable(m_server.violations().join(u'\n')));
}

QTEST_GUILESS_MAIN(TestNavCommand)
#include "tst_navcommand.moc"
