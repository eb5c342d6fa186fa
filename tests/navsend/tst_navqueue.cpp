// The reporting queue over szlanav against the local stand-in: every answer ends in the right
// state with nothing reported twice (a server error or a foreign answer included), stornos wait
// for their originals, a restart or a restored backup resumes from the stored state, 250
// invoices go out in three batches, and no request exceeds the service's size limit.
#include "support/navfixture.h"
#include "support/navschemas.h"
#include "support/navstandin.h"

#include "navsend/navqueue.h"
#include "navsend/navworker.h"

#include "app/backup.h"
#include "db/navsendschema.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <numeric>

using namespace orvena;
using namespace orvena::nav;
using namespace orvena::test;

namespace {

QueueSettings fastSettings()
{
    QueueSettings s;
    s.requestTimeoutMs = 5000; // generous: the stand-in validates every document in this thread
    s.pollMs = 30;
    s.pollMaxMs = 200;
    s.retryMs = 50;
    s.retryMaxMs = 400;
    s.lostAnswerWaitMs = 1200;
    return s;
}

} // namespace

class TestNavQueue : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void answersEndInTheirStates();
    void faultsAreRetriedWithoutSecondReport_data();
    void faultsAreRetriedWithoutSecondReport();
    void stornoWaitsForItsOriginal_data();
    void stornoWaitsForItsOriginal();
    void stornoOfRejectedOriginalIsHeld();
    void restartResumesFromStoredState();
    void lostRequestThatNeverArrivedIsSentOnce();
    void twoHundredFiftyInvoicesInThreeBatches();
    void requestsStayBelowTheSizeLimit_data();
    void requestsStayBelowTheSizeLimit();
    void restoredBackupIsSettledBeforeSending();
    void issuerWithoutModeOrCredentialsIsLeftAlone();
    void rejectedInvoiceIsResentOnlyOnRequest();
    void numberAlreadyReported_data();
    void numberAlreadyReported();
    void workerRunsWhileTheWindowStaysResponsive();
    void schemaAdditionsAreIdempotent();
    void anotherProgramsClaimIsRespected();
    void anOutcomeIsStoredWholeOrNotAtAll();

private:
    // Runs the queue until it settles (the stand-in answers from this thread meanwhile).
    bool settle(SendQueue& q, int maxMs = 20000);
    QString stateOf(const QString& number);
    void verifyNothingTwice();

    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<Connection> m_conn;
    NavStandIn m_server;
};

void TestNavQueue::initTestCase()
{
    if (NavSchemas::schemaDir().isEmpty())
        QSKIP("the official schemas are not available");
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    m_server.addUser(navTestUser());
    m_server.exportEnvironment();
    m_db = std::make_unique<TestDatabase>();
    m_conn = std::make_unique<Connection>();
    DB_VERIFY(m_conn->open(m_db->profile()));
}

void TestNavQueue::init()
{
    m_db->reset();
    m_db->addDemoData();
    DB_VERIFY(prepareNavDatabase(*m_db));
    DB_VERIFY(m_db->exec(QStringLiteral("DELETE FROM szlanav")));
    DB_VERIFY(m_db->exec(QStringLiteral("DELETE FROM szlanavnaplo")));
    m_server.reset();
}

bool TestNavQueue::settle(SendQueue& q, int maxMs)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < maxMs) {
        const SendQueue::Step s = q.step();
        if (!s.pending)
            return true;
        QTest::qWait(std::max(5, std::min(s.waitMs, 200)));
    }
    return false;
}

QString TestNavQueue::stateOf(const QString& number)
{
    return m_db->scalar(QStringLiteral("SELECT nAllapot FROM szlanav WHERE nBszam = '%1'").arg(number));
}

void TestNavQueue::verifyNothingTwice()
{
    for (const QString& number : m_db->rows(QStringLiteral("SELECT nBszam FROM szlanav")))
        QVERIFY2(m_server.timesReported(u'K' + number) <= 1, qPrintable(number));
    QVERIFY2(m_server.violations().isEmpty(), qPrintable(m_server.violations().join(u'\n')));
}

void TestNavQueue::answersEndInTheirStates()
{
    seedNavInvoice(*m_db, QStringLiteral("20100001"));
    seedNavInvoice(*m_db, QStringLiteral("20100002"));
    seedNavInvoice(*m_db, QStringLiteral("20100003"));
    m_server.setVerdict(QStringLiteral("K20100002"), NavStandIn::Verdict::Warn);
    m_server.setVerdict(QStringLiteral("K20100003"), NavStandIn::Verdict::Reject);
    m_server.setPollsBeforeDone(3);
    SendQueue q(*m_conn, fastSettings());
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100001")), state::Accepted);
    QCOMPARE(stateOf(QStringLiteral("20100002")), state::Warned);
    QCOMPARE(stateOf(QStringLiteral("20100003")), state::Rejected);
    // one request, one transaction id stored for all three, the authority's messages kept
    QCOMPARE(m_server.transactions().size(), 1);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(DISTINCT nTranzakcio) FROM szlanav")), QStringLiteral("1"));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nTranzakcio FROM szlanav LIMIT 1")), m_server.transactions()[0].id);
    QVERIFY(m_db->scalar(QStringLiteral("SELECT nUzenet FROM szlanav WHERE nBszam = '20100002'"))
                .contains(QStringLiteral("WARN INCORRECT_CITY_ZIP_CODE")));
    QVERIFY(m_db->scalar(QStringLiteral("SELECT nUzenet FROM szlanav WHERE nBszam = '20100003'"))
                .contains(QStringLiteral("ERROR INVALID_VAT_DATA: Az áfa adatok hibásak.")));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nUzenet IS NULL FROM szlanav WHERE nBszam = '20100001'")),
             QStringLiteral("1"));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nProba FROM szlanav WHERE nBszam = '20100001'")), QStringLiteral("1"));
    // the stored documents went out byte for byte, and a rejected one is not sent again
    QCOMPARE(m_server.transactions()[0].invoices[0].document, navInvoiceDocument(QStringLiteral("20100001")));
    QCOMPARE(m_server.requestCount(QStringLiteral("manageInvoice")), 1);
    QVERIFY(m_server.requestCount(QStringLiteral("queryTransactionStatus")) >= 4);
    // the log names the request, the transaction and the index of each invoice
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT gIndex FROM szlanavnaplo WHERE gBszam = '20100003' AND "
                                         "gMuvelet = 'manageInvoice'")),
             QStringLiteral("3"));
    verifyNothingTwice();
}

void TestNavQueue::faultsAreRetriedWithoutSecondReport_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("times");
    QTest::addColumn<int>("manageRequests"); // manageInvoice requests the stand-in sees
    using F = NavStandIn::Fault;
    QTest::newRow("wrong signature") << "manageInvoice" << int(F::WrongSignature) << 1 << 2;
    QTest::newRow("maintenance at token") << "tokenExchange" << int(F::Maintenance) << 2 << 1;
    QTest::newRow("maintenance at report") << "manageInvoice" << int(F::Maintenance) << 1 << 2;
    QTest::newRow("server error") << "manageInvoice" << int(F::ServerError) << 1 << 2;
    QTest::newRow("duplicate request") << "manageInvoice" << int(F::Duplicate) << 1 << 2;
    QTest::newRow("timeout, not stored") << "manageInvoice" << int(F::Timeout) << 1 << 2;
    QTest::newRow("lost answer, stored") << "manageInvoice" << int(F::LostAnswer) << 1 << 1;
    QTest::newRow("stored, then a 5xx with XML") << "manageInvoice" << int(F::StoredServerError) << 1 << 1;
    QTest::newRow("stored, then a foreign answer") << "manageInvoice" << int(F::StoredForeignAnswer) << 1 << 1;
    QTest::newRow("stored, then another request's refusal") << "manageInvoice" << int(F::StoredOtherRequestId) << 1 << 1;
    QTest::newRow("status query timeout") << "queryTransactionStatus" << int(F::Timeout) << 1 << 1;
    QTest::newRow("status in maintenance") << "queryTransactionStatus" << int(F::Maintenance) << 2 << 1;
}

void TestNavQueue::faultsAreRetriedWithoutSecondReport()
{
    QFETCH(QString, operation);
    QFETCH(int, fault);
    QFETCH(int, times);
    QFETCH(int, manageRequests);
    seedNavInvoice(*m_db, QStringLiteral("20100011"));
    seedNavInvoice(*m_db, QStringLiteral("20100012"));
    m_server.setTimeoutHold(6000);
    m_server.addFault(operation, NavStandIn::Fault(fault), times);
    SendQueue q(*m_conn, fastSettings());
    QVERIFY(settle(q, 40000));
    QCOMPARE(stateOf(QStringLiteral("20100011")), state::Accepted);
    QCOMPARE(stateOf(QStringLiteral("20100012")), state::Accepted);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100011")), 1);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100012")), 1);
    QCOMPARE(m_server.requestCount(QStringLiteral("manageInvoice")), manageRequests);
    // a fresh token for every report
    QCOMPARE(m_server.requestCount(QStringLiteral("tokenExchange")), manageRequests + (operation == u"tokenExchange" ? times : 0));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nTranzakcio FROM szlanav WHERE nBszam = '20100011'")),
             m_server.transactions().last().id);
    verifyNothingTwice();
}

// A correction (MODIFY) waits for its original as a storno does.
void TestNavQueue::stornoWaitsForItsOriginal_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("storno") << "STORNO";
    QTest::newRow("correction") << "MODIFY";
}

void TestNavQueue::stornoWaitsForItsOriginal()
{
    QFETCH(QString, operation);
    seedNavInvoice(*m_db, QStringLiteral("20100021"));
    seedNavInvoice(*m_db, QStringLiteral("20100022"), operation, QStringLiteral("20100021"));
    m_server.setPollsBeforeDone(2);
    SendQueue q(*m_conn, fastSettings());
    q.step();
    QCOMPARE(m_server.transactions().size(), 1);
    QCOMPARE(m_server.transactions()[0].invoices.size(), 1);
    QCOMPARE(m_server.transactions()[0].invoices[0].number, QStringLiteral("K20100021"));
    QCOMPARE(stateOf(QStringLiteral("20100022")), state::ToSend);
    QVERIFY(settle(q));
    QCOMPARE(m_server.transactions().size(), 2);
    QCOMPARE(m_server.transactions()[1].invoices[0].number, QStringLiteral("K20100022"));
    QCOMPARE(m_server.transactions()[1].invoices[0].operation, operation);
    QCOMPARE(stateOf(QStringLiteral("20100022")), state::Accepted);
    verifyNothingTwice();
}

void TestNavQueue::stornoOfRejectedOriginalIsHeld()
{
    seedNavInvoice(*m_db, QStringLiteral("20100031"));
    seedNavInvoice(*m_db, QStringLiteral("20100032"), QStringLiteral("STORNO"), QStringLiteral("20100031"));
    m_server.setVerdict(QStringLiteral("K20100031"), NavStandIn::Verdict::Reject);
    SendQueue q(*m_conn, fastSettings());
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100031")), state::Rejected);
    QCOMPARE(stateOf(QStringLiteral("20100032")), state::ToSend);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100032")), 0);
    const QueueCounts counts = queueCounts(*m_conn);
    QCOMPARE(counts.toSend, 1);
    QCOMPARE(counts.rejected, 1);
}

void TestNavQueue::restartResumesFromStoredState()
{
    seedNavInvoice(*m_db, QStringLiteral("20100041")); // sent, answer received, not yet decided
    seedNavInvoice(*m_db, QStringLiteral("20100042")); // sent, answer lost, stored by the authority
    seedNavInvoice(*m_db, QStringLiteral("20100043")); // still to send
    m_server.setPollsBeforeDone(100);
    {
        SendQueue first(*m_conn, fastSettings());
        m_db->exec(QStringLiteral("UPDATE szlanav SET nAllapot = 'NEM_KULDENDO' WHERE nBszam IN ('20100042','20100043')"));
        first.step(); // 41 goes out and gets its transaction id
        m_db->exec(QStringLiteral("UPDATE szlanav SET nAllapot = 'KULDENDO' WHERE nBszam = '20100042'"));
        m_server.addFault(QStringLiteral("manageInvoice"), NavStandIn::Fault::LostAnswer);
        first.step(); // 42 goes out, its answer is lost
        m_db->exec(QStringLiteral("UPDATE szlanav SET nAllapot = 'KULDENDO' WHERE nBszam = '20100043'"));
    } // the program ends here
    QCOMPARE(stateOf(QStringLiteral("20100041")), state::Sent);
    QVERIFY(!m_db->scalar(QStringLiteral("SELECT nTranzakcio FROM szlanav WHERE nBszam = '20100041'")).isEmpty());
    QCOMPARE(stateOf(QStringLiteral("20100042")), state::Sent);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nTranzakcio IS NULL FROM szlanav WHERE nBszam = '20100042'")),
             QStringLiteral("1"));
    m_server.setPollsBeforeDone(0);
    Connection other;
    DB_VERIFY(other.open(m_db->profile()));
    SendQueue second(other, fastSettings());
    QVERIFY(settle(second));
    for (const char* n : {"20100041", "20100042", "20100043"})
        QCOMPARE(stateOf(QString::fromLatin1(n)), state::Accepted);
    QCOMPARE(m_server.requestCount(QStringLiteral("manageInvoice")), 3);
    QVERIFY(m_server.requestCount(QStringLiteral("queryTransactionList")) >= 1); // one per page of the list
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nTranzakcio FROM szlanav WHERE nBszam = '20100042'")),
             m_server.transactions()[1].id);
    verifyNothingTwice();
}

void TestNavQueue::lostRequestThatNeverArrivedIsSentOnce()
{
    // The program stopped after claiming the row but before the request reached the authority.
    seedNavInvoice(*m_db, QStringLiteral("20100051"), QStringLiteral("CREATE"), QString(), state::Sent);
    m_db->exec(QStringLiteral("UPDATE szlanav SET nProba = 1, nUtolso = NOW() - INTERVAL 10 MINUTE"));
    SendQueue q(*m_conn, fastSettings());
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100051")), state::Accepted);
    QCOMPARE(m_server.requestCount(QStringLiteral("queryTransactionList")), 1);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100051")), 1);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nProba FROM szlanav")), QStringLiteral("2"));
    verifyNothingTwice();
}

void TestNavQueue::twoHundredFiftyInvoicesInThreeBatches()
{
    QStringList values;
    for (int i = 1; i <= 250; ++i)
        seedNavInvoice(*m_db, QString::number(20100100 + i));
    SendQueue q(*m_conn, fastSettings());
    QVERIFY(settle(q, 60000));
    QCOMPARE(m_server.transactions().size(), 3);
    QCOMPARE(m_server.transactions()[0].invoices.size(), 100);
    QCOMPARE(m_server.transactions()[1].invoices.size(), 100);
    QCOMPARE(m_server.transactions()[2].invoices.size(), 50);
    QCOMPARE(m_server.requestCount(QStringLiteral("tokenExchange")), 3);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav WHERE nAllapot = 'BEFOGADVA'")),
             QStringLiteral("250"));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(DISTINCT nTranzakcio) FROM szlanav")), QStringLiteral("3"));
    verifyNothingTwice();
}

void TestNavQueue::requestsStayBelowTheSizeLimit_data()
{
    QTest::addColumn<int>("lines");       // lines added to the first invoice
    QTest::addColumn<int>("invoices");
    QTest::addColumn<int>("perRequest");  // invoices of the usual size one request may hold (0: the service's limit)
    QTest::addColumn<QList<int>>("requests"); // invoices in each manageInvoice request
    QTest::newRow("10 000-line invoice, compressed") << 9996 << 3 << 0 << QList<int>{3};
    QTest::newRow("batch cut by size") << 0 << 5 << 2 << QList<int>{2, 2, 1};
    QTest::newRow("one invoice larger than a request") << 40 << 3 << 1 << QList<int>{1, 1};
}

void TestNavQueue::requestsStayBelowTheSizeLimit()
{
    QFETCH(int, lines);
    QFETCH(int, invoices);
    QFETCH(int, perRequest);
    QFETCH(QList<int>, requests);
    for (int i = 1; i <= invoices; ++i)
        seedNavInvoice(*m_db, QString::number(20100200 + i));
    if (lines > 0) { // copies of the sample's first line, made by the server (one statement stays small)
        const QByteArray doc = navInvoiceDocument(QStringLiteral("20100201"));
        const qsizetype from = doc.indexOf("<line>");
        const QByteArray line = doc.mid(from, doc.indexOf("</line>") + 7 - from);
        DB_VERIFY(m_db->exec(QStringLiteral("UPDATE szlanav SET nXml = INSERT(nXml, LOCATE('<line>', nXml), 0, "
                                            "REPEAT(0x%1, %2)) WHERE nBszam = '20100201'")
                                 .arg(QString::fromLatin1(line.toHex()))
                                 .arg(lines)));
    }
    const QByteArray big = m_conn->select("SELECT nXml FROM szlanav WHERE nBszam = '20100201'")->raw(0, 0);
    QueueSettings settings = fastSettings();
    settings.requestTimeoutMs = 60000; // the stand-in checks 12 MB against the schema meanwhile
    if (perRequest > 0) {
        const qint64 one = kOperationOverhead + encodedInvoiceData(navInvoiceDocument(QStringLiteral("20100202"))).size();
        settings.maxRequestBytes = kEnvelopeOverhead + perRequest * one + one / 2;
    }
    SendQueue q(*m_conn, settings);
    // Until those that fit are decided (one too large waits on, so the queue never settles).
    const int sent = std::accumulate(requests.begin(), requests.end(), 0);
    const QString accepted = QStringLiteral("SELECT COUNT(*) FROM szlanav WHERE nAllapot = 'BEFOGADVA'");
    QElapsedTimer t;
    t.start();
    while (m_db->scalar(accepted) != QString::number(sent) && t.elapsed() < 30000)
        QTest::qWait(std::clamp(q.step().waitMs, 5, 50));
    QCOMPARE(m_server.transactions().size(), requests.size());
    for (qsizetype i = 0; i < requests.size(); ++i)
        QCOMPARE(m_server.transactions()[i].invoices.size(), requests[i]);
    for (const NavStandIn::Request& r : m_server.requests())
        QVERIFY(r.body.size() <= settings.maxRequestBytes);
    QCOMPARE(m_db->scalar(accepted), QString::number(sent));
    if (sent < invoices) { // the one too large waits with the reason
        QCOMPARE(stateOf(QStringLiteral("20100201")), state::ToSend);
        QVERIFY(m_db->scalar(QStringLiteral("SELECT nUzenet FROM szlanav WHERE nBszam = '20100201'"))
                    .contains(QStringLiteral("tömörítve is meghaladják")));
    } else if (lines > 0) { // received as issued
        QCOMPARE(m_server.transactions()[0].invoices[0].document, big);
        QVERIFY(big.size() > kMaxRequestBytes);
    }
    verifyNothingTwice();
}

void TestNavQueue::restoredBackupIsSettledBeforeSending()
{
    // The backup is made while both wait; afterwards 20100301 is accepted. Restored, both wait
    // again: 20100301 must be found in the transaction list, only 20100302 goes out.
    seedNavInvoice(*m_db, QStringLiteral("20100301"));
    seedNavInvoice(*m_db, QStringLiteral("20100302"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("mentes.sql.gz"));
    DB_VERIFY(writeBackup(m_db->profile(), file));
    m_db->exec(QStringLiteral("UPDATE szlanav SET nAllapot = 'NEM_KULDENDO' WHERE nBszam = '20100302'"));
    {
        SendQueue before(*m_conn, fastSettings());
        QVERIFY(settle(before));
    }
    QCOMPARE(stateOf(QStringLiteral("20100301")), state::Accepted);
    const QString accepted = m_server.transactions()[0].id;
    // The test's own sessions leave the database, so the restore finds nobody working in it.
    m_db->exec(QStringLiteral("USE mysql"));
    m_conn->execute("USE mysql");
    // The queue's and the dump's connections end with their owners, but the server may list a
    // closing one a moment longer under load.
    QTRY_COMPARE_WITH_TIMEOUT(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE "
                                                          "DB = '%1'")
                                               .arg(m_db->name())),
                              QStringLiteral("0"), 10000);
    DB_VERIFY(restoreBackup(file, TestDatabase::adminProfile(), m_db->name(), true));
    m_db->exec(QStringLiteral("USE `%1`").arg(m_db->name()));
    m_conn->execute("USE `" + m_db->name().toUtf8() + '`');
    QCOMPARE(stateOf(QStringLiteral("20100301")), state::Sent); // held until the list is searched
    QCOMPARE(stateOf(QStringLiteral("20100302")), state::Sent);
    m_server.clearLog();
    Connection after;
    DB_VERIFY(after.open(m_db->profile()));
    SendQueue q(after, fastSettings());
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100301")), state::Accepted);
    QCOMPARE(stateOf(QStringLiteral("20100302")), state::Accepted);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nTranzakcio FROM szlanav WHERE nBszam = '20100301'")), accepted);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100301")), 1);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100302")), 1);
    QCOMPARE(m_server.requests().first().operation, QStringLiteral("queryTransactionList"));

    // A backup older than the list's 35-day span is searched window by window.
    seedNavInvoice(*m_db, QStringLiteral("20100303"));
    m_db->exec(QStringLiteral("UPDATE szlanav SET nKeszult = NOW() - INTERVAL 80 DAY WHERE nBszam = '20100303'"));
    QCOMPARE(holdRestoredReports(after, QDateTime::currentDateTimeUtc().addDays(-80)), 1);
    m_server.clearLog();
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100303")), state::Accepted);
    QCOMPARE(m_server.requestCount(QStringLiteral("queryTransactionList")), 3);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100303")), 1);
    verifyNothingTwice();
}

void TestNavQueue::issuerWithoutModeOrCredentialsIsLeftAlone()
{
    seedNavInvoice(*m_db, QStringLiteral("20100061"));
    m_db->exec(QStringLiteral("UPDATE szallito SET zNavAlairo = NULL"));
    SendQueue q(*m_conn, fastSettings());
    QVERIFY(!q.step().pending);
    m_db->exec(QStringLiteral("UPDATE szallito SET zNavAlairo = '%1', zNavMod = 'OFF'").arg(navTestUser().signatureKey));
    QVERIFY(!q.step().pending);
    QCOMPARE(m_server.requests().size(), 0);
    QCOMPARE(stateOf(QStringLiteral("20100061")), state::ToSend);
    m_db->exec(QStringLiteral("UPDATE szallito SET zNavMod = 'TEST'"));
    // an invoice without a known issuer code goes with the only issuer that reports
    seedNavInvoice(*m_db, QStringLiteral("20100062"));
    m_db->exec(QStringLiteral("UPDATE szlafej SET fzKod = '' WHERE fBszam = '20100062'"));
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100061")), state::Accepted);
    QCOMPARE(stateOf(QStringLiteral("20100062")), state::Accepted);
}

void TestNavQueue::rejectedInvoiceIsResentOnlyOnRequest()
{
    seedNavInvoice(*m_db, QStringLiteral("20100071"));
    m_server.setVerdict(QStringLiteral("K20100071"), NavStandIn::Verdict::Reject);
    SendQueue q(*m_conn, fastSettings());
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100071")), state::Rejected);
    QVERIFY(!q.step().pending);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100071")), 1);
    m_server.setVerdict(QStringLiteral("K20100071"), NavStandIn::Verdict::Accept);
    SendQueue::resend(*m_conn, QStringLiteral("20100071"));
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100071")), state::Accepted);
    QCOMPARE(m_server.timesReported(QStringLiteral("K20100071")), 2);
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM szlanavnaplo WHERE gMuvelet = 'Újraküldés'")),
             QStringLiteral("1"));
}

// The authority refuses a number it holds already: its copy of that number decides whether the
// invoice was in fact reported (accepted) or the number carries other content (a state of its own).
void TestNavQueue::numberAlreadyReported_data()
{
    QTest::addColumn<bool>("sameContent");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("message");
    QTest::newRow("the same invoice") << true << state::Accepted
                                      << "A számlát ezzel a tartalommal már korábban bejelentették";
    QTest::newRow("other content") << false << state::ReportedOtherwise
                                   << "A(z) K20100091 számlaszámot a NAV-nál már más tartalommal bejelentették "
                                      "(nettó összeg: itt 4952000, a NAV-nál 1000)";
}

void TestNavQueue::numberAlreadyReported()
{
    QFETCH(bool, sameContent);
    QFETCH(QString, state);
    QFETCH(QString, message);
    seedNavInvoice(*m_db, QStringLiteral("20100091"));
    QByteArray there = navInvoiceDocument(QStringLiteral("20100091"));
    if (!sameContent) // reformatted as well: only the content counts
        there.replace("<invoiceNetAmount>4952000.00<", "<invoiceNetAmount>1000<");
    else
        there.replace("\t", "  ");
    m_server.setAuthorityCopy(QStringLiteral("K20100091"), QStringLiteral("CREATE"), there);
    SendQueue q(*m_conn, fastSettings());
    QVERIFY(settle(q));
    QCOMPARE(stateOf(QStringLiteral("20100091")), state);
    const QString stored = m_db->scalar(QStringLiteral("SELECT nUzenet FROM szlanav WHERE nBszam = '20100091'"));
    QVERIFY2(stored.startsWith(message), qPrintable(stored));
    QCOMPARE(m_server.requestCount(QStringLiteral("queryInvoiceData")), 1);
    QVERIFY2(m_server.violations().isEmpty(), qPrintable(m_server.violations().join(u'\n')));
    // a number reported with other content needs attention as a rejection does
    QCOMPARE(queueCounts(*m_conn).rejected, sameContent ? 0 : 1);
}

void TestNavQueue::workerRunsWhileTheWindowStaysResponsive()
{
    for (int i = 1; i <= 5; ++i)
        seedNavInvoice(*m_db, QString::number(20100080 + i));
    m_server.setPollsBeforeDone(2);
    SendWorker worker(m_db->profile(), fastSettings());
    int rounds = 0;
    connect(&worker, &SendWorker::roundFinished, this, [&rounds] { ++rounds; });
    // The main thread's event loop keeps turning while the worker talks to the network.
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&ticks] { ++ticks; });
    tick.start(10);
    worker.start();
    QTRY_COMPARE_WITH_TIMEOUT(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav WHERE nAllapot = 'BEFOGADVA'")),
                              QStringLiteral("5"), 20000);
    QVERIFY(rounds >= 2);
    QVERIFY(ticks > 10);
    // closing waits for the round in flight, then leaves the rest for the next start
    seedNavInvoice(*m_db, QStringLiteral("20100099"));
    m_server.setTimeoutHold(10000);
    m_server.addFault(QStringLiteral("manageInvoice"), NavStandIn::Fault::Timeout);
    worker.kick();
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requestCount(QStringLiteral("manageInvoice")), 2, 5000);
    QElapsedTimer t;
    t.start();
    worker.stop(500);
    QVERIFY(t.elapsed() < 3000);
    QCOMPARE(stateOf(QStringLiteral("20100099")), state::Sent); // settled through the transaction list next time
    verifyNothingTwice();
}

void TestNavQueue::schemaAdditionsAreIdempotent()
{
    seedNavInvoice(*m_db, QStringLiteral("20100091"));
    m_db->exec(QStringLiteral("UPDATE szallito SET zNavCsere = 'x'"));
    m_db->exec(QStringLiteral("ALTER TABLE szallito DROP COLUMN zNavAlairo, DROP COLUMN zNavCsere"));
    m_db->exec(QStringLiteral("DROP TABLE szlanavnaplo"));
    QStringList done;
    DB_VERIFY(done = ensureNavSendSchema(m_db->admin()));
    QCOMPARE(done, (QStringList{QStringLiteral("Új oszlopok (szallito): zNavAlairo, zNavCsere"),
                                QStringLiteral("Létrehozott tábla: szlanavnaplo")}));
    DB_VERIFY(done = ensureNavSendSchema(m_db->admin()));
    QVERIFY(done.isEmpty());
    // nothing else was touched
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("1"));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT zNavLogin FROM szallito WHERE zKod = '1'")), navTestUser().login);
}

void TestNavQueue::anotherProgramsClaimIsRespected()
{
    // The window and the cron job may run at once: the one that claims the rows first sends them.
    seedNavInvoice(*m_db, QStringLiteral("20100095"));
    seedNavInvoice(*m_db, QStringLiteral("20100096"));
    Connection mine;
    DB_VERIFY(mine.open(m_db->profile()));
    bool claimedByOther = false;
    mine.setStatementHook([&](const QByteArray& sql) {
        if (!claimedByOther && sql.contains("SET nAllapot = 'ELKULDVE'")) {
            claimedByOther = true;
            m_conn->execute("UPDATE szlanav SET nAllapot = 'ELKULDVE' WHERE nBszam = '20100096'");
        }
    });
    SendQueue q(mine, fastSettings());
    q.step();
    QVERIFY(claimedByOther);
    QCOMPARE(m_server.requestCount(QStringLiteral("manageInvoice")), 0);
    QCOMPARE(stateOf(QStringLiteral("20100095")), state::ToSend); // given back untouched
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nProba FROM szlanav WHERE nBszam = '20100095'")), QStringLiteral("0"));
    // next round the free one goes alone
    mine.setStatementHook({});
    q.step();
    QCOMPARE(m_server.transactions().size(), 1);
    QCOMPARE(m_server.transactions()[0].invoices.size(), 1);
    QCOMPARE(m_server.transactions()[0].invoices[0].number, QStringLiteral("K20100095"));
}

void TestNavQueue::anOutcomeIsStoredWholeOrNotAtAll()
{
    // The authority's answer is written to the invoice and to its log line together: when the log
    // line cannot be written, the invoice keeps no transaction its log does not show either, and
    // the error reaches the caller.
    seedNavInvoice(*m_db, QStringLiteral("20100097"));
    Connection mine;
    DB_VERIFY(mine.open(m_db->profile()));
    mine.setStatementHook([](const QByteArray& sql) {
        if (sql.startsWith("UPDATE szlanavnaplo SET gTranzakcio"))
            throw DbError(QStringLiteral("refused by the test"), 1064);
    });
    SendQueue q(mine, fastSettings());
    QVERIFY_THROWS_EXCEPTION(DbError, q.step());
    mine.setStatementHook({});
    QCOMPARE(m_server.transactions().size(), 1);
    QCOMPARE(stateOf(QStringLiteral("20100097")), state::Sent); // claimed before the request left
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav WHERE nBszam = '20100097' AND nTranzakcio IS "
                                         "NULL")),
             QStringLiteral("1"));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM szlanavnaplo WHERE gBszam = '20100097' AND "
                                         "gTranzakcio IS NOT NULL")),
             QStringLiteral("0"));
    QVERIFY(!mine.inTransaction());
}

QTEST_GUILESS_MAIN(TestNavQueue)
#include "tst_navqueue.moc"
