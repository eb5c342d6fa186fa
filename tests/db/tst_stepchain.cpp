// The transaction guard and the step chain against the real server: what each way of starting
// sends, what a failing step leaves behind, what the operator is told, and that the transaction
// has ended before anything is reported.
#include "support/fakes.h"

#include "db/stepchain.h"
#include "screens/common/chainfailure.h"

#include <QTest>
#include <stdexcept>

using namespace orvena;
using Kind = test::FakeUserInterface::Kind;

namespace {

// Records the transaction statements sent and makes the chosen statement fail.
struct Log {
    explicit Log(Connection& c) : connection(c)
    {
        c.setStatementHook([this](const QByteArray& sql) {
            const QString text = QString::fromLatin1(sql).simplified();
            for (const char* word : {"START TRANSACTION", "COMMIT", "ROLLBACK"})
                if (text.startsWith(QLatin1String(word)))
                    sent << QString::fromLatin1(word);
            if (text.startsWith(QLatin1String("INSERT")))
                sent << QStringLiteral("INSERT");
            if (!failOn.isEmpty() && text.startsWith(failOn))
                throw DbError(QStringLiteral("refused by the test"), 1064);
        });
    }
    ~Log() { connection.setStatementHook({}); }
    Connection& connection;
    QStringList sent;
    QString failOn;
};

} // namespace

class StepChainTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;

    Query& q() { return s->data.query(QStringLiteral("ZQ10")); }
    void insert(const QString& text)
    {
        q().setSql({QStringLiteral("INSERT INTO probe (t) VALUES (:p1)")});
        q().setText(QStringLiteral("p1"), text);
        q().execute();
    }
    QStringList stored() { return s->db.rows(QStringLiteral("SELECT t FROM probe ORDER BY id")); }

private slots:
    void initTestCase()
    {
        s = std::make_unique<test::TestSession>();
        s->db.exec(QStringLiteral("CREATE TABLE probe (id INT AUTO_INCREMENT PRIMARY KEY, t VARCHAR(40))"));
    }
    void cleanupTestCase() { s.reset(); }
    void init()
    {
        s->db.exec(QStringLiteral("DELETE FROM probe"));
        s->ui.clear();
    }

    void guardSendsWhatItsStartAsksFor_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("callBegin");
        QTest::addColumn<bool>("commit");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("kept");
        using S = Transaction::Start;
        QTest::newRow("now, left open") << int(S::Now) << false << false
                                        << QStringList{"START TRANSACTION", "INSERT", "ROLLBACK"} << QStringList{};
        QTest::newRow("now, committed") << int(S::Now) << false << true
                                        << QStringList{"START TRANSACTION", "INSERT", "COMMIT"} << QStringList{"a"};
        QTest::newRow("later, begun, left open") << int(S::Later) << true << false
                                                 << QStringList{"START TRANSACTION", "INSERT", "ROLLBACK"}
                                                 << QStringList{};
        // never begun: the statement ran under autocommit and nothing is there to end
        QTest::newRow("later, never begun") << int(S::Later) << false << false << QStringList{"INSERT"}
                                            << QStringList{"a"};
    }
    void guardSendsWhatItsStartAsksFor()
    {
        QFETCH(int, start);
        QFETCH(bool, callBegin);
        QFETCH(bool, commit);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, kept);
        Log log(s->data.connection());
        {
            Transaction t(q(), Transaction::Start(start));
            if (callBegin)
                t.begin();
            insert(QStringLiteral("a"));
            if (commit)
                t.commit();
            QCOMPARE(t.isOpen(), !commit && (callBegin || start != int(Transaction::Start::Later)));
        }
        QCOMPARE(log.sent, sent);
        QCOMPARE(stored(), kept);
        QVERIFY(!s->data.connection().inTransaction());
    }

    void failedCommitLeavesTheGuardToRollBack()
    {
        {
            Transaction t(q());
            insert(QStringLiteral("a"));
            Log log(s->data.connection());
            log.failOn = QStringLiteral("COMMIT");
            QVERIFY_THROWS_EXCEPTION(DbError, t.commit());
            QVERIFY(t.isOpen());
            log.failOn.clear();
        }
        QCOMPARE(stored(), QStringList{});
        QVERIFY(!s->data.connection().inTransaction());
    }

    void failedRollbackIsReportedOnceAndNotRepeated()
    {
        Log log(s->data.connection());
        {
            Transaction t(q());
            log.failOn = QStringLiteral("ROLLBACK");
            QVERIFY(!t.rollback());
            QVERIFY(!t.isOpen());
        } // the destructor sends nothing more
        QCOMPARE(log.sent, (QStringList{"START TRANSACTION", "ROLLBACK"}));
        log.failOn.clear();
        q().setSql({QStringLiteral("ROLLBACK")}); // end the server's transaction the refused ROLLBACK left
        q().execute();
    }

    // A chain below the screens runs its statements outside steps: an error rolls back what the
    // chain wrote and reaches the caller as it was thrown, with the server's code.
    void chainOnAConnectionPassesItsErrorOn()
    {
        Connection& c = s->data.connection();
        StepChain chain(c);
        try {
            chain.run([&] {
                chain.begin();
                c.execute("INSERT INTO probe (t) VALUES ('kapcsolat')");
                c.execute("INSERT INTO nincsilyen (t) VALUES ('x')");
                chain.commit();
            });
            QFAIL("the failed statement went unnoticed");
        } catch (const DbError& e) {
            QCOMPARE(e.code(), 1146u);
        }
        QVERIFY(!c.inTransaction());
        QCOMPARE(stored(), QStringList{});
        StepChain stored_(c);
        QVERIFY(stored_.run([&] {
            stored_.begin();
            c.execute("INSERT INTO probe (t) VALUES ('kapcsolat')");
            stored_.commit();
        }));
        QCOMPARE(stored(), QStringList{"kapcsolat"});
    }

    void guardOnAConnection()
    {
        Connection& c = s->data.connection();
        {
            Transaction t(c);
            c.execute("INSERT INTO probe (t) VALUES ('kapcsolat')");
            QVERIFY(c.inTransaction());
        }
        QCOMPARE(stored(), QStringList{});
        {
            Transaction t(c);
            c.execute("INSERT INTO probe (t) VALUES ('kapcsolat')");
            t.commit();
        }
        QCOMPARE(stored(), QStringList{"kapcsolat"});
    }

    // A chain of four inserts whose chosen step fails: every earlier step is undone, no later step
    // runs, that step's message is what the operator sees, and the transaction had ended by then.
    void failingStepRollsBackEveryEarlierStep_data()
    {
        QTest::addColumn<QString>("failOn");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("inserts");
        QTest::newRow("begin") << "START" << "kezdés" << 0;
        QTest::newRow("first") << "INSERT INTO probe (t) VALUES ('1')" << "első" << 1;
        QTest::newRow("third") << "INSERT INTO probe (t) VALUES ('3')" << "harmadik" << 3;
        QTest::newRow("commit") << "COMMIT" << "véglegesítés" << 4;
    }
    void failingStepRollsBackEveryEarlierStep()
    {
        QFETCH(QString, failOn);
        QFETCH(QString, message);
        QFETCH(int, inserts);
        Log log(s->data.connection());
        log.failOn = failOn;
        StepChain chain(q());
        bool inTransactionAtReport = true;
        const bool done = chain.run([&] {
            chain.begin(QStringLiteral("kezdés"));
            const QStringList names{"első", "második", "harmadik", "negyedik"};
            for (int i = 0; i < names.size(); ++i)
                chain.step(names[i], [&] { insert(QString::number(i + 1)); });
            chain.commit(QStringLiteral("véglegesítés"));
        });
        inTransactionAtReport = s->data.connection().inTransaction();
        log.failOn.clear();
        QVERIFY(!done);
        QVERIFY(!inTransactionAtReport);
        QCOMPARE(chain.failure().message, message);
        QCOMPARE(chain.failure().show, StepFailure::Show::Message);
        QVERIFY(chain.failure().rolledBack);
        QVERIFY(chain.failure().cause);
        QVERIFY_THROWS_EXCEPTION(DbError, std::rethrow_exception(chain.failure().cause));
        QCOMPARE(log.sent.count(QStringLiteral("INSERT")), inserts);
        QCOMPARE(log.sent.count(QStringLiteral("ROLLBACK")), failOn == u"START" ? 0 : 1);
        QCOMPARE(stored(), QStringList{});

        tell(s->ui, chain.failure(), QStringLiteral("nem látszik"));
        QCOMPARE(s->ui.texts(), QStringList{message});
    }

    void completedChainKeepsEveryStep()
    {
        StepChain chain(q());
        QVERIFY(chain.run([&] {
            chain.begin(QStringLiteral("kezdés"));
            chain.step(QStringLiteral("első"), [&] { insert(QStringLiteral("1")); });
            chain.step(QStringLiteral("második"), [&] { insert(QStringLiteral("2")); });
            chain.commit(QStringLiteral("véglegesítés"));
        }));
        QCOMPARE(stored(), (QStringList{"1", "2"}));
    }

    void refusalsAndOwnTextsAreShownTheirWay_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("hasCause");
        QTest::newRow("refusal") << 0 << "A számla már létezik!" << int(Kind::Message) << false;
        QTest::newRow("refusal as notice") << 1 << "Nem volt nyomtatva." << int(Kind::Notice) << false;
        QTest::newRow("the error's own text") << 2 << "'x5' nem szám" << int(Kind::ErrorReport) << true;
    }
    void refusalsAndOwnTextsAreShownTheirWay()
    {
        QFETCH(int, how);
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(bool, hasCause);
        StepChain chain(q());
        bool after = false;
        QVERIFY(!chain.run([&] {
            chain.begin(QStringLiteral("kezdés"));
            chain.step(QStringLiteral("első"), [&] { insert(QStringLiteral("1")); });
            if (how == 0)
                chain.fail(text);
            if (how == 1)
                chain.fail(text, StepFailure::Show::Notice);
            chain.step([&] { throw ConversionError(text); });
            after = true;
        }));
        QVERIFY(!after);
        QCOMPARE(bool(chain.failure().cause), hasCause);
        QCOMPARE(stored(), QStringList{});
        tell(s->ui, chain.failure());
        QCOMPARE(s->ui.shown().size(), size_t(1));
        QCOMPARE(int(s->ui.shown().front().kind), kind);
        QCOMPARE(s->ui.shown().front().text, text);
    }

    void failedRollbackAddsTheChainsSecondMessage()
    {
        Log log(s->data.connection());
        StepChain chain(q());
        QVERIFY(!chain.run([&] {
            chain.begin(QStringLiteral("kezdés"));
            chain.step(QStringLiteral("első"), [&] { insert(QStringLiteral("1")); });
            log.failOn = QStringLiteral("ROLLBACK");
            chain.fail(QStringLiteral("elutasítva"));
        }));
        log.failOn.clear();
        QVERIFY(!chain.failure().rolledBack);
        tell(s->ui, chain.failure(), QStringLiteral("a visszavonás sem sikerült"));
        QCOMPARE(s->ui.texts(), (QStringList{"elutasítva", "a visszavonás sem sikerült"}));
        q().setSql({QStringLiteral("ROLLBACK")});
        q().execute();
        QCOMPARE(stored(), QStringList{});
    }

    // What no step guards still ends the transaction before it travels on to the caller, and a
    // chain that ends without committing keeps nothing.
    void otherFailuresAndUncommittedChainsRollBack()
    {
        StepChain failing(q());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, failing.run([&] {
            failing.begin(QStringLiteral("kezdés"));
            insert(QStringLiteral("1"));
            throw std::runtime_error("váratlan");
        }));
        QVERIFY(!s->data.connection().inTransaction());
        QCOMPARE(stored(), QStringList{});

        StepChain uncommitted(q());
        QVERIFY(uncommitted.run([&] {
            uncommitted.begin(QStringLiteral("kezdés"));
            insert(QStringLiteral("2"));
        }));
        QVERIFY(!s->data.connection().inTransaction());
        QCOMPARE(stored(), QStringList{});
    }
};

QTEST_GUILESS_MAIN(StepChainTest)
#include "tst_stepchain.moc"
