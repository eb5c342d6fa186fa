// orvena --nav-send, run as a separate program against the stand-in: it sends and follows the
// queue without a window and says by its exit status whether anything is left.
#include "support/navfixture.h"
#include "support/navschemas.h"
#include "support/navstandin.h"

#include <QCoreApplication>
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

QTEST_GUILESS_MAIN(TestNavCommand)
#include "tst_navcommand.moc"
