// Start-up without a window: the failure messages (server down, no account, table names), the
// title from the version, and the function-key texts when litania.txt is missing.
#include "support/fakes.h"

#include "screens/common/dispatcher.h"
#include "screens/common/startup.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void serverDownShowsTheInstallationMessage()
    {
        QTemporaryDir dir;
        ConnectionProfile profile = ConnectionProfile::fromEnvironment();
        profile.socket = dir.filePath(QStringLiteral("nincs.sock"));
        DataModule data;
        test::FakeUserInterface ui;
        QVERIFY(!connectAtStartup(data, ui, profile));
        QCOMPARE(ui.texts(test::FakeUserInterface::Kind::Notice), QStringList{startupFailureMessage()});
        QCOMPARE(startupFailureMessage().split(u'\n').size(), 6);
        QVERIFY(!data.isConnected());
        // a screen working without a database fails with an error, not a crash
        Query& q = data.query(QStringLiteral("ZQ30"));
        q.setSql({QStringLiteral("SELECT * FROM vevo")});
        QVERIFY(!runAction(ui, [&] { q.open(); }));
        QCOMPARE(ui.shown().back().kind, test::FakeUserInterface::Kind::ErrorReport);
    }

    void missingDatabaseOrTableShowsTheSameMessage()
    {
        test::TestDatabase db;
        ConnectionProfile profile = db.profile();
        profile.database += QStringLiteral("_nincs");
        DataModule data;
        test::FakeUserInterface ui;
        QVERIFY(!connectAtStartup(data, ui, profile));
        QCOMPARE(ui.last(), startupFailureMessage());

        db.exec(QStringLiteral("DROP TABLE szallito"));
        DataModule data2;
        test::FakeUserInterface ui2;
        QVERIFY(!connectAtStartup(data2, ui2, db.profile()));
        QCOMPARE(ui2.last(), startupFailureMessage());
    }

    void reachableDatabaseOpensTheBaseTables()
    {
        test::TestDatabase db;
        DataModule data;
        test::FakeUserInterface ui;
        QVERIFY(connectAtStartup(data, ui, db.profile()));
        QVERIFY(ui.shown().empty());
        QCOMPARE(data.query(QStringLiteral("ZTable6")).columnNames().first(), QStringLiteral("zID"));
        // the session speaks latin2 with Hungarian collation in strict mode
        Query& q = data.query(QStringLiteral("ZQ10"));
        q.setSql({QStringLiteral("SELECT @@character_set_connection AS cs, @@collation_connection AS co, "
                                 "@@sql_mode AS m, @@autocommit AS ac")});
        DB_VERIFY(q.open());
        QCOMPARE(q.fieldText(QStringLiteral("cs")), QStringLiteral("latin2"));
        QCOMPARE(q.fieldText(QStringLiteral("co")), QStringLiteral("latin2_hungarian_ci"));
        QCOMPARE(q.fieldText(QStringLiteral("m")),
                 QStringLiteral("STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION"));
        QCOMPARE(q.fieldText(QStringLiteral("ac")), QStringLiteral("1"));
        // mixed-case table names reach the same tables
        q.setSql({QStringLiteral("SELECT COUNT(*) AS n FROM SzlaFej, Sorszam WHERE Sorszam.aKod = \"1\"")});
        DB_VERIFY(q.open());
    }

    void caseSensitiveServerIsExplained()
    {
        // a second private server that keeps table names case-sensitive, as Linux servers do
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVENA_DB_DIR"), dir.path());
        env.insert(QStringLiteral("ORVENA_DB_LOWER_CASE"), QStringLiteral("0"));
        env.insert(QStringLiteral("ORVENA_DB_EXPORT_DIR"), QStringLiteral("/")); // files anywhere: unscoped
        auto db = [&](const QString& command) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral("bash"), {QStringLiteral(ORVENA_SOURCE_DIR "/scripts/db.sh"), command});
            p.waitForFinished(120000);
            return p.exitCode();
        };
        if (db(QStringLiteral("start")) != 0)
            QSKIP("a second MariaDB server could not be started here");
        const QString socket = dir.filePath(QStringLiteral("mysqld.sock"));

        // the setup tool refuses with the explanation
        QProcess setup;
        QProcessEnvironment setupEnv = env;
        setupEnv.insert(QStringLiteral("ORVENA_DB_SOCKET"), socket);
        setupEnv.insert(QStringLiteral("ORVENA_ADMIN_USER"), QStringLiteral("root"));
        setup.setProcessEnvironment(setupEnv);
        setup.start(QStringLiteral(ORVENA_SETUP_TOOL), {});
        setup.waitForFinished(60000);
        const QString said = QString::fromUtf8(setup.readAllStandardError());
        QCOMPARE(setup.exitCode(), 3);
        QVERIFY2(said.contains(QStringLiteral("lower_case_table_names = 1")), qPrintable(said));

        // so does the program's start-up, instead of failing later on "SzlaFej"
        ConnectionProfile profile = test::TestDatabase::adminProfile();
        profile.socket = socket;
        DataModule data;
        test::FakeUserInterface ui;
        QVERIFY(!connectAtStartup(data, ui, profile));
        QVERIFY(ui.last().contains(QStringLiteral("megkülönbözteti a kis- és nagybetűs táblaneveket")));
        QVERIFY2(ui.last().contains(QStringLiteral("indítsa újra: sudo systemctl restart mariadb")), qPrintable(ui.last()));
        // and the command line, which says the same
        QProcess print;
        print.setProcessEnvironment(setupEnv);
        print.setWorkingDirectory(QStringLiteral(ORVENA_SOURCE_DIR "/templates"));
        print.start(QStringLiteral(ORVENA_PROGRAM), {QStringLiteral("--invoice"), QStringLiteral("20100001"),
                                                     QStringLiteral("--pdf"), dir.filePath(QStringLiteral("x.pdf"))});
        print.waitForFinished(60000);
        const QString printSaid = QString::fromUtf8(print.readAllStandardError());
        QCOMPARE(print.exitCode(), 3);
        QVERIFY2(printSaid.contains(QStringLiteral("lower_case_table_names = 1"))
                     && printSaid.contains(QStringLiteral("sudo systemctl restart mariadb")),
                 qPrintable(printSaid));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.pdf"))));

        // a desktop user's account is added all the same, and on a server that may write files
        // anywhere it gets no FILE right
        const QString user = QStringLiteral("nobody"); // the account is only made for a user of the system
        QProcess add;
        add.setProcessEnvironment(setupEnv);
        add.start(QStringLiteral(ORVENA_SETUP_TOOL), {QStringLiteral("--add-user"), user});
        add.waitForFinished(60000);
        const QString added = QString::fromUtf8(add.readAllStandardOutput() + add.readAllStandardError());
        QVERIFY2(add.exitCode() == 0, qPrintable(added));
        QVERIFY2(added.contains(QStringLiteral("secure_file_priv = ")), qPrintable(added));
        Connection admin;
        DB_VERIFY(admin.open(profile, false));
        const QByteArray account = "'" + user.toLatin1() + "'@'localhost'";
        QVERIFY(admin.select("SHOW CREATE USER " + account)->text(0, 0).contains(QStringLiteral("unix_socket")));
        const auto grants = admin.select("SHOW GRANTS FOR " + account);
        for (int r = 0; r < grants->rowCount(); ++r)
            QVERIFY2(!grants->text(r, 0).contains(QStringLiteral("FILE")), qPrintable(grants->text(r, 0)));
        QVERIFY(grants->rowCount() >= 2); // the program's rights on its database
        admin.close();
        db(QStringLiteral("stop"));
    }

    // What each start-up message tells the operator to run on this installation.
    void startupMessagesNameWhatToRun_data()
    {
        QTest::addColumn<QString>("failure"); // how the connection fails
        QTest::addColumn<QStringList>("says");
        QTest::newRow("no server") << QStringLiteral("socket")
                                   << QStringList{QStringLiteral("A MySQL adatbáziskezelöt nem találja.\n"
                                                                 "A program müködéséhez szükséges.\nTelepítés lépései:\n"),
                                                  QStringLiteral("sudo apt install mariadb-server"),
                                                  QStringLiteral("sudo systemctl start mariadb"),
                                                  QStringLiteral("sudo orvena-setup\n")};
        const QString stranger = QStringLiteral("ov_idegen_%1").arg(QCoreApplication::applicationPid());
        QTest::newRow("a desktop user without an account")
            << stranger << QStringList{QStringLiteral("\"%1\" felhasználónak").arg(stranger),
                                       QStringLiteral("sudo orvena-setup --add-user %1\n").arg(stranger)};
    }
    void startupMessagesNameWhatToRun()
    {
        QFETCH(QString, failure);
        QFETCH(QStringList, says);
        QTemporaryDir dir;
        test::TestDatabase db;
        ConnectionProfile profile = db.profile();
        if (failure == u"socket") {
            profile.socket = dir.filePath(QStringLiteral("nincs.sock"));
        } else {
            profile.user = failure;
            profile.password.clear();
        }
        DataModule data;
        test::FakeUserInterface ui;
        QVERIFY(!connectAtStartup(data, ui, profile));
        QCOMPARE(ui.texts(test::FakeUserInterface::Kind::Notice).size(), 1);
        for (const QString& part : says)
            QVERIFY2(ui.last().contains(part), qPrintable(ui.last()));
        QVERIFY2(!ui.last().contains(QStringLiteral(".exe")), qPrintable(ui.last()));
    }

    void titleFromVersion()
    {
        QCOMPARE(versionText(7, 10), QStringLiteral("7.010"));
        QCOMPARE(versionText(-1, -1), QString());
        QCOMPARE(mainWindowTitle(QStringLiteral("7.010")), QStringLiteral("Orvena      Ver.:7.010    2006.-2010"));
        QCOMPARE(mainWindowTitle(QString()), QStringLiteral("Orvena      Ver.:    2006.-2010"));
        QVERIFY(!versionText().isEmpty());
    }

    void functionKeyTextsFallBackToTheBuiltInLines()
    {
        QTemporaryDir dir;
        FunctionKeyTexts keys;
        test::FakeUserInterface ui;
        QVERIFY(!runAction(ui, [&] { keys.load(dir.filePath(QStringLiteral("litania.txt"))); }));
        QVERIFY(ui.last().contains(QStringLiteral("nem nyitható meg")));
        QCOMPARE(keys.textForKey(2), QStringLiteral("2"));
        QCOMPARE(keys.textForKey(11), QStringLiteral("11"));
        QVERIFY(keys.textForKey(12).startsWith(QStringLiteral("Késedelmes fizetés esetén")));
        QCOMPARE(keys.textForKey(13), QString());
        QCOMPARE(keys.textForKey(14), QStringLiteral(" "));
        QCOMPARE(keys.textForKey(15), QString());

        // the shipped file loads as Windows-1250 and fills all eleven keys
        keys.load(QStringLiteral(ORVENA_SOURCE_DIR "/templates/litania.txt"));
        for (int key = 2; key <= 12; ++key)
            QVERIFY(!keys.textForKey(key).isEmpty());
        QVERIFY(keys.textForKey(2).contains(QStringLiteral("általános")));
    }
};

QTEST_GUILESS_MAIN(StartupTest)
#include "tst_startup.moc"
