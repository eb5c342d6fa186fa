// What support reads when something went wrong, and names put into statements: a failed
// statement's server error reaches the log file while the operator gets the Hungarian box, the
// log shows which statement failed without the values it carried, and a quoted name stays a
// name and a quoted literal one text whatever they hold.
#include "support/fakes.h"

#include "app/logfile.h"
#include "db/connection.h"
#include "db/logging.h"
#include "db/sqlname.h"
#include "db/stepchain.h"
#include "screens/common/chainfailure.h"
#include "screens/common/dispatcher.h"
#include "screens/common/savedelete.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <stdexcept>

using namespace orvena;

namespace {

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class DiagnosticsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        s = std::make_unique<test::TestSession>();
        QVERIFY(dir.isValid());
    }
    void cleanupTestCase()
    {
        stopLogFile();
        s.reset();
    }

    void aFailedStatementIsLoggedWithTheServersOwnText()
    {
        const QString log = dir.filePath(QStringLiteral("orvena.log"));
        QVERIFY(startLogFile(log));
        Query& q = s->data.query(QStringLiteral("ZQ10"));
        q.setSql({QStringLiteral("INSERT INTO nincsilyen (vNeve, vAdoszam) VALUES (:p0, 12345678)")});
        q.setText(QStringLiteral("p0"), QStringLiteral("Kovács Éva"));
        QVERIFY(!runAction(s->ui, [&] { q.execute(); }));
        stopLogFile();
        // the operator sees the error report; the log holds what the server said and where
        QCOMPARE(s->ui.shown().back().kind, test::FakeUserInterface::Kind::ErrorReport);
        const QString text = readAll(log);
        QVERIFY2(text.contains(QStringLiteral("orvena.screens warning: server error 1146: ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("nincsilyen' doesn't exist")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("statement: INSERT INTO nincsilyen (vNeve, vAdoszam) VALUES (?, ?)")),
                 qPrintable(text));
        // no customer data in the log, and one time-stamped line
        QVERIFY(!text.contains(QStringLiteral("Kovács")));
        QVERIFY(!text.contains(QStringLiteral("12345678")));
        QCOMPARE(text.count(u'\n'), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ")).match(text).hasMatch(),
                 qPrintable(text));

        // a second run appends
        QVERIFY(startLogFile(log));
        QVERIFY(!runAction(s->ui, [&] { q.execute(); }));
        stopLogFile();
        QCOMPARE(readAll(log).count(u'\n'), 2);
    }

    void aFailedStepIsLoggedBehindItsOwnMessage()
    {
        // A chain tells the operator its step's Hungarian message; the server's words go to the log.
        const QString log = dir.filePath(QStringLiteral("chain.log"));
        QVERIFY(startLogFile(log));
        Query& q = s->data.query(QStringLiteral("ZQ11"));
        StepChain chain(q);
        const QString message = QStringLiteral("Hiba: a próba lépés nem sikerült.");
        QVERIFY(!chain.run([&] {
            chain.begin(QStringLiteral("Hiba: nem indult a tranzakció."));
            chain.step(message, [&] {
                q.setSql({QStringLiteral("UPDATE nincsilyen SET a = :p0")});
                q.setText(QStringLiteral("p0"), QStringLiteral("Szabó Ilona"));
                q.execute();
            });
        }));
        tell(s->ui, chain.failure());
        stopLogFile();
        QCOMPARE(s->ui.shown().back().text, message);
        const QString text = readAll(log);
        QVERIFY2(text.contains(QStringLiteral("server error 1146")), qPrintable(text));
        QVERIFY2(text.contains(message), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("statement: UPDATE nincsilyen SET a = ?")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Szabó")));
    }

    // Every box about a failure leaves the failure in the log: the procedures' own boxes and
    // what no guard caught alike, each with the box's text beside the error's own words.
    void failureBoxesAreLogged_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("logged");
        QTest::newRow("a failed delete") << 0 << "Hiba törléskor!"
                                         << QStringList{"orvena.screens warning: server error 1146: ",
                                                        "statement: DELETE FROM nincsilyen WHERE x = ?",
                                                        "| Hiba törléskor!"};
        QTest::newRow("a failed save") << 1 << "Hiba: Újban, INSERT-append a próbában "
                                       << QStringList{"orvena.screens warning: server error 1146: ",
                                                      "statement: INSERT INTO nincsilyen (t) VALUES (?)",
                                                      "| Hiba: Újban, INSERT-append a próbában"};
        QTest::newRow("not an error of the program's") << 2 << "váratlan"
                                                       << QStringList{"orvena.screens warning: error: váratlan"};
        QTest::newRow("a tool's output") << 3 << "Az adatmentés nem sikerült."
                                         << QStringList{"orvena.app warning: error: nincs hely",
                                                        "| Az adatmentés nem sikerült. | mysqldump: 28"};
    }
    void failureBoxesAreLogged()
    {
        QFETCH(int, how);
        QFETCH(QString, box);
        QFETCH(QStringList, logged);
        const QString log = dir.filePath(QStringLiteral("box%1.log").arg(how));
        s->ui.clear();
        QVERIFY(startLogFile(log));
        Query& list = s->data.query(QStringLiteral("ZQ12"));
        Query& aux = s->data.query(QStringLiteral("ZQ13"));
        list.setSql({QStringLiteral("SELECT 'Kovács' AS x")});
        list.open();
        if (how == 0) {
            QVERIFY(!runDelete(s->ui, list, aux,
                               DeleteSpec{QStringLiteral("DELETE FROM nincsilyen WHERE x = :p1"), QStringLiteral("x"),
                                          QStringLiteral("Törölve."), box}));
        } else if (how == 1) {
            const SaveTexts texts{box, QStringLiteral("edit"), QStringLiteral("outer")};
            QVERIFY(!runSave(s->ui, list, aux, true, CodeRule{QStringLiteral("nincsilyen"), QString()}, texts,
                             [&](const QString&) {
                                 list.setSql({QStringLiteral("INSERT INTO nincsilyen (t) VALUES (:p1)")});
                                 list.setText(QStringLiteral("p1"), QStringLiteral("Kovács"));
                                 list.execute();
                             }));
        } else if (how == 2) {
            QVERIFY(!runAction(s->ui, [] { throw std::runtime_error("váratlan"); }));
        } else {
            showFailure(s->ui, box, std::make_unique<Error>(QStringLiteral("nincs hely")).get(), lcApp(),
                        FailureBox::Message, QStringLiteral("mysqldump: 28"));
        }
        stopLogFile();
        QCOMPARE(s->ui.texts(), QStringList{box});
        const QString text = readAll(log);
        for (const QString& line : logged)
            QVERIFY2(text.contains(line), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Kovács")));
        QCOMPARE(text.count(u'\n'), 1);
    }

    void theOutlineLeavesOutEveryValue_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QString>("outline");
        QTest::newRow("texts and numbers")
            << QByteArray("UPDATE vevo SET vNeve = 'O''Brien \\' Kft.', vEnged = 12.5 WHERE vID = 7")
            << QStringLiteral("UPDATE vevo SET vNeve = ?, vEnged = ? WHERE vID = ?");
        QTest::newRow("names with digits stay")
            << QByteArray("SELECT p2, `ix_1` FROM szla2 WHERE a=\"x\"")
            << QStringLiteral("SELECT p2, `ix_1` FROM szla2 WHERE a=?");
        QTest::newRow("unterminated text") << QByteArray("SELECT 'abc") << QStringLiteral("SELECT ?");
        QTest::newRow("line breaks") << QByteArray("SELECT *\n  FROM afa") << QStringLiteral("SELECT * FROM afa");
    }
    void theOutlineLeavesOutEveryValue()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QString, outline);
        QCOMPARE(statementOutline(sql), outline);
        // a long statement is cut and marked
        const QString cut = statementOutline("SELECT " + QByteArray(300, 'a'), 40);
        QCOMPARE(cut.size(), 43);
        QVERIFY(cut.endsWith(QStringLiteral("...")));
    }

    void quotedNamesDoubleTheirBackticks()
    {
        QCOMPARE(quotedName(QStringLiteral("vevo")), QStringLiteral("`vevo`"));
        QCOMPARE(quotedName(QStringLiteral("a`b")), QStringLiteral("`a``b`"));
        QCOMPARE(quotedName(QStringLiteral("`")), QStringLiteral("````"));
        // the server reads them back as the same names
        const QString table = quotedName(QStringLiteral("furcsa`tábla; DROP TABLE vevo"));
        const QString column = quotedName(QStringLiteral("o`szlop"));
        s->db.exec(QStringLiteral("CREATE TABLE %1 (%2 INT)").arg(table, column));
        s->db.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (42)").arg(table, column));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT %2 FROM %1").arg(table, column)), QStringLiteral("42"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.columns WHERE table_schema = "
                                             "DATABASE() AND table_name = 'furcsa`tábla; DROP TABLE vevo' AND "
                                             "column_name = 'o`szlop'")),
                 QStringLiteral("1"));
        QVERIFY(!s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM vevo")).isEmpty()); // still there
        s->db.exec(QStringLiteral("DROP TABLE %1").arg(table));
    }

    // Under either reading of backslashes a quoted text reads back as itself.
    void quotedLiteralsReadBackAsThemselves_data()
    {
        QTest::addColumn<bool>("plainBackslashes");
        QTest::newRow("backslash escapes") << false;
        QTest::newRow("NO_BACKSLASH_ESCAPES") << true;
    }
    void quotedLiteralsReadBackAsThemselves()
    {
        QFETCH(bool, plainBackslashes);
        Connection& c = s->data.connection();
        const QByteArray mode = c.select("SELECT @@SESSION.sql_mode")->text(0, 0).toLatin1();
        c.execute(plainBackslashes ? "SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',NO_BACKSLASH_ESCAPES')"
                                   : "SET SESSION sql_mode = REPLACE(@@SESSION.sql_mode, 'NO_BACKSLASH_ESCAPES', '')");
        const QStringList texts = {QStringLiteral("O'Neil"), QStringLiteral("a\\b"), QStringLiteral("\\'; DROP TABLE vevo; --"),
                                   QStringLiteral("\"idézet\""), QStringLiteral("Árvíztűrő tükörfúrógép"),
                                   QStringLiteral("sor\r\nsor"), QString()};
        for (const QString& text : texts)
            QCOMPARE(c.select("SELECT " + quotedLiteral(c, text))->text(0, 0), text);
        c.execute("SET SESSION sql_mode = " + quotedLiteralBytes(c, mode));
        QVERIFY(!s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM vevo")).isEmpty()); // still there
    }
};

QTEST_GUILESS_MAIN(DiagnosticsTest)
#include "tst_diagnostics.moc"
