// A database that goes away and comes back, two workstations on one server, and where the
// program finds its server: the configuration file, the environment over it, and the start-up
// messages for a wrong password, an unknown host and a failed TLS handshake.
#include "support/fakes.h"
#include "support/modaldriver.h"

#include "app/session.h"
#include "db/datamodule.h"
#include "db/localserver.h"
#include "billing/setup.h"
#include "screens/common/querytablemodel.h"
#include "screens/common/dispatcher.h"
#include "screens/common/startup.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;
using orvena::test::ModalDriver;

namespace {

// A private server of the test's own, so stopping it disturbs no other test program.
class OwnServer {
public:
    OwnServer()
    {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("ORVENA_DB_DIR"), m_dir.path());
        m_env.insert(QStringLiteral("ORVENA_DB_FLUSH"), QStringLiteral("2"));
    }
    ~OwnServer() { run(QStringLiteral("stop")); }
    bool start() { return run(QStringLiteral("start")) == 0; }
    bool stop() { return run(QStringLiteral("stop")) == 0; }
    QString socket() const { return m_dir.filePath(QStringLiteral("mysqld.sock")); }
    ConnectionProfile admin() const
    {
        ConnectionProfile p = test::TestDatabase::adminProfile();
        p.host = QStringLiteral("localhost");
        p.port = 0;
        p.socket = socket();
        return p;
    }
    // The program's database on this server; returns its profile.
    ConnectionProfile createDatabase()
    {
        Connection c;
        c.open(admin());
        SetupOptions options;
        options.database = QStringLiteral("orvena_outage");
        options.appUser.clear();
        options.year = 2010;
        runSetup(c, options);
        addDemoData(c);
        ConnectionProfile p = admin();
        p.database = options.database;
        return p;
    }

private:
    int run(const QString& command)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(QStringLiteral("bash"), {QStringLiteral(ORVENA_SOURCE_DIR "/scripts/db.sh"), command});
        p.waitForFinished(180000);
        return p.exitCode();
    }
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
};

QString scalar(Connection& c, const QByteArray& sql)
{
    return c.select(sql)->text(0, 0);
}

// Sets (or with an empty value removes) an environment variable for one scope.
class EnvScope {
public:
    void set(const char* name, const QString& value)
    {
        if (!m_saved.contains(QLatin1String(name)))
            m_saved.insert(QLatin1String(name), qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    }
    ~EnvScope()
    {
        for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
            if (it.value().isNull())
                qunsetenv(it.key().toLatin1().constData());
            else
                qputenv(it.key().toLatin1().constData(), it.value());
        }
    }

private:
    QMap<QString, QByteArray> m_saved;
};

} // namespace

class ResilienceTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<OwnServer> server;
    ConnectionProfile profile;

private slots:
    void initTestCase()
    {
        server = std::make_unique<OwnServer>();
        QVERIFY2(server->start(), "the test's own MariaDB server did not start");
        DB_VERIFY(profile = server->createDatabase());
    }
    void cleanupTestCase() { server.reset(); }

    void thePrivateServerHandsOutNothing()
    {
        Connection admin;
        DB_VERIFY(admin.open(server->admin()));
        // it runs as an unprivileged account, never as root
        const QString pidFile = QFileInfo(server->socket()).dir().filePath(QStringLiteral("mysqld.pid"));
        QFile pid(pidFile);
        QVERIFY(pid.open(QIODevice::ReadOnly));
        QFile status(QStringLiteral("/proc/%1/status").arg(QString::fromLatin1(pid.readAll().trimmed())));
        QVERIFY(status.open(QIODevice::ReadOnly));
        const QString uidLine = QString::fromLatin1(status.readAll()).split(u'\n').filter(QStringLiteral("Uid:")).value(0);
        QVERIFY2(!uidLine.isEmpty() && uidLine.split(u'\t', Qt::SkipEmptyParts).value(1) != u"0", qPrintable(uidLine));
        // its folder (data and socket) is open to that account alone
        QCOMPARE(QFileInfo(QFileInfo(server->socket()).absolutePath()).permissions()
                     & (QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther | QFileDevice::ReadGroup
                        | QFileDevice::WriteGroup | QFileDevice::ExeGroup),
                 QFileDevice::Permissions());
        // the database's root logs in through the operating-system account only
        const QString rootAuth = scalar(admin, "SELECT JSON_VALUE(Priv, '$.plugin') FROM mysql.global_priv "
                                               "WHERE User = 'root' AND Host = 'localhost'");
        const QString rootAlternatives = scalar(admin, "SELECT Priv FROM mysql.global_priv WHERE User = 'root' "
                                                       "AND Host = 'localhost'");
        QVERIFY2(rootAuth == u"unix_socket" || (rootAlternatives.contains(QStringLiteral("unix_socket"))
                                                 && rootAlternatives.contains(QStringLiteral("invalid"))),
                 qPrintable(rootAlternatives));
        QCOMPARE(scalar(admin, "SELECT COUNT(*) FROM mysql.global_priv WHERE User = ''"), QStringLiteral("0"));
        // files only into the export folder beside the data, and no network listener
        QCOMPARE(QDir(scalar(admin, "SELECT @@secure_file_priv")).absolutePath(),
                 QFileInfo(server->socket()).dir().filePath(QStringLiteral("export")));
        QCOMPARE(scalar(admin, "SELECT @@skip_networking"), QStringLiteral("1"));
    }

    void configurationFileUnderTheEnvironment()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("orvena.conf"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[database]\nhost=szerver.iroda.local\nport=3307\nname=konyveles\nuser=pult1\npassword=titok\n"
                "[tls]\nenabled=true\nca=/etc/orvena/ca.pem\n");
        f.close();
        EnvScope env;
        env.set("ORVENA_CONFIG", file);
        for (const char* name : {"ORVENA_DB_HOST", "ORVENA_DB_PORT", "ORVENA_DB_SOCKET", "ORVENA_DB_NAME",
                                 "ORVENA_DB_USER", "ORVENA_DB_PASSWORD"})
            env.set(name, QString());

        ConnectionProfile p = ConnectionProfile::fromEnvironment();
        QCOMPARE(p.host, QStringLiteral("szerver.iroda.local"));
        QCOMPARE(p.port, 3307u);
        QCOMPARE(p.database, QStringLiteral("konyveles"));
        QCOMPARE(p.user, QStringLiteral("pult1"));
        QCOMPARE(p.password, QStringLiteral("titok"));
        QVERIFY(p.tls);
        QCOMPARE(p.tlsCa, QStringLiteral("/etc/orvena/ca.pem"));
        const QString described = p.describe().join(u'\n');
        QVERIFY(!described.contains(QStringLiteral("titok")));
        QVERIFY(described.contains(QStringLiteral("jelszó = ********")));
        QVERIFY(described.contains(file));

        // the environment wins; a user named there never takes the file's password
        env.set("ORVENA_DB_HOST", QStringLiteral("localhost"));
        env.set("ORVENA_DB_USER", QStringLiteral("root"));
        p = ConnectionProfile::fromEnvironment();
        QCOMPARE(p.host, QStringLiteral("localhost"));
        QCOMPARE(p.user, QStringLiteral("root"));
        QCOMPARE(p.password, QString());
        QCOMPARE(p.database, QStringLiteral("konyveles"));

        // no file at all: the built-in profile
        env.set("ORVENA_CONFIG", dir.filePath(QStringLiteral("nincs.conf")));
        env.set("ORVENA_DB_HOST", QString());
        env.set("ORVENA_DB_USER", QString());
        QVERIFY(ConnectionProfile::configFile().isEmpty());
        // the local server is reached as the desktop user (whose account logs in through the
        // operating system); a remote one as "orvena2010"
        QCOMPARE(ConnectionProfile::fromEnvironment().user, loginName());
        QVERIFY(!loginName().isEmpty());
        env.set("ORVENA_DB_HOST", QStringLiteral("szerver.iroda.local"));
        QCOMPARE(ConnectionProfile::fromEnvironment().user, QStringLiteral("orvena2010"));
        env.set("ORVENA_DB_HOST", QString());

        // the setup tool shows what the program would use, password masked
        QProcess setup;
        QProcessEnvironment penv = QProcessEnvironment::systemEnvironment();
        penv.insert(QStringLiteral("ORVENA_CONFIG"), file);
        penv.remove(QStringLiteral("ORVENA_DB_USER"));
        penv.remove(QStringLiteral("ORVENA_DB_HOST"));
        penv.remove(QStringLiteral("ORVENA_DB_SOCKET"));
        setup.setProcessEnvironment(penv);
        setup.start(QStringLiteral(ORVENA_SETUP_TOOL), {QStringLiteral("--print-config")});
        QVERIFY(setup.waitForFinished(30000));
        const QString printed = QString::fromUtf8(setup.readAllStandardOutput());
        QCOMPARE(setup.exitCode(), 0);
        QVERIFY2(printed.contains(QStringLiteral("host = szerver.iroda.local")), qPrintable(printed));
        QVERIFY2(printed.contains(QStringLiteral("felhasználó = pult1")), qPrintable(printed));
        QVERIFY2(!printed.contains(QStringLiteral("titok")), qPrintable(printed));
    }

    void startupNamesWhatToMend()
    {
        Connection admin;
        DB_VERIFY(admin.open(server->admin()));
        DB_VERIFY(admin.execute("CREATE USER IF NOT EXISTS 'pult_jelszo'@'localhost' IDENTIFIED BY 'helyes'"));
        DB_VERIFY(admin.execute("GRANT SELECT ON orvena_outage.* TO 'pult_jelszo'@'localhost'"));

        ConnectionProfile wrong = profile;
        wrong.user = QStringLiteral("pult_jelszo");
        wrong.password = QStringLiteral("rossz");
        {
            DataModule data;
            test::FakeUserInterface ui;
            QVERIFY(!connectAtStartup(data, ui, wrong));
            QVERIFY2(ui.last().contains(QStringLiteral("hibás felhasználónév vagy jelszó (pult_jelszo)")),
                     qPrintable(ui.last()));
        }
        ConnectionProfile tls = profile;
        tls.tls = true;
        {
            // this server offers no TLS: with TLS required the connection is refused, never
            // silently made in the clear
            DataModule data;
            test::FakeUserInterface ui;
            QVERIFY(!connectAtStartup(data, ui, tls));
            QVERIFY2(ui.last().contains(QStringLiteral("titkosított (TLS) kapcsolat nem jött létre")),
                     qPrintable(ui.last()));
        }
        // the message for an unknown host, from the client library's own error
        const DbError unknownHost(QStringLiteral("Unknown server host 'nincs.ilyen' (-2)"), 2005);
        ConnectionProfile far = profile;
        far.host = QStringLiteral("nincs.ilyen");
        QVERIFY(connectionFailureText(unknownHost, far).contains(QStringLiteral("ismeretlen: \"nincs.ilyen\"")));
        // a missing database keeps the installation message
        ConnectionProfile missing = profile;
        missing.database = QStringLiteral("orvena_nincs");
        DataModule data;
        test::FakeUserInterface ui;
        QVERIFY(!connectAtStartup(data, ui, missing));
        QCOMPARE(ui.last(), startupFailureMessage());
    }

    void namedLocksKeepTwoWorkstationsApart()
    {
        Connection first;
        Connection second;
        DB_VERIFY(first.open(profile));
        DB_VERIFY(second.open(profile));
        QVERIFY(first.tryLock(QStringLiteral("szamla-uj")));
        {
            NamedLock again(first, QStringLiteral("szamla-uj")); // held already: still ours
            QVERIFY(again.held());
        } // an inner scope's release does not free the outer one's lock
        QVERIFY(!second.tryLock(QStringLiteral("szamla-uj")));
        QVERIFY(second.tryLock(QStringLiteral("szlevel-uj"))); // another name is free
        first.unlock(QStringLiteral("szamla-uj"));
        QVERIFY(second.tryLock(QStringLiteral("szamla-uj")));
        // a workstation that dies leaves nothing behind (the server ends its session a moment
        // after the connection closes)
        second.close();
        QVERIFY(first.tryLock(QStringLiteral("szamla-uj"), 5));
        QVERIFY(first.tryLock(QStringLiteral("szlevel-uj")));
        // the names belong to one database: another database's workstations are not held up
        ConnectionProfile other = profile;
        other.database.clear();
        Connection third;
        DB_VERIFY(third.open(other));
        QVERIFY(third.tryLock(QStringLiteral("szamla-uj")));
    }

    void readsRunAgainAfterTheServerIsBack()
    {
        Connection c;
        DB_VERIFY(c.open(profile));
        int asked = 0;
        c.setLostHandler([&](const QString&) {
            ++asked;
            return server->start();
        });
        QVERIFY(c.tryLock(QStringLiteral("szamla-uj")));
        QVERIFY(server->stop());
        QString count;
        DB_VERIFY(count = scalar(c, "SELECT COUNT(*) FROM vevo"));
        QCOMPARE(count, QStringLiteral("5"));
        QCOMPARE(asked, 1);
        // the new session has the program's settings and the lock it held before
        QCOMPARE(scalar(c, "SELECT @@collation_connection"), QStringLiteral("latin2_hungarian_ci"));
        QVERIFY(scalar(c, "SELECT @@sql_mode").contains(QStringLiteral("STRICT_TRANS_TABLES")));
        QCOMPARE(scalar(c, "SELECT IS_USED_LOCK('orvena:orvena_outage:szamla-uj') = CONNECTION_ID()"),
                 QStringLiteral("1"));
    }

    void aChangeIsSentOnceAndATransactionIsNeverHalfRepeated()
    {
        Connection c;
        DB_VERIFY(c.open(profile));
        c.setLostHandler([&](const QString&) { return server->start(); });
        DB_VERIFY(c.execute("DELETE FROM termek"));

        // outside a transaction: the dead connection is found before the change goes out
        QVERIFY(server->stop());
        DB_VERIFY(c.execute("INSERT INTO termek (t_kod, t_megnevezes, t_Ear, t_Kompmerteke) VALUES ('1', 'egyszer', 1, 0)"));
        QCOMPARE(scalar(c, "SELECT COUNT(*) FROM termek"), QStringLiteral("1"));

        // inside one: the server rolled the first half back, so the second is not sent alone
        DB_VERIFY(c.execute("START TRANSACTION"));
        DB_VERIFY(c.execute("INSERT INTO termek (t_kod, t_megnevezes, t_Ear, t_Kompmerteke) VALUES ('2', 'első fele', 1, 0)"));
        QVERIFY(server->stop());
        try {
            c.execute("INSERT INTO termek (t_kod, t_megnevezes, t_Ear, t_Kompmerteke) VALUES ('3', 'második fele', 1, 0)");
            QFAIL("the second half of a lost transaction ran alone");
        } catch (const ConnectionLostError& e) {
            QVERIFY(!e.reported());
            QVERIFY(e.text().contains(QStringLiteral("visszavonta")));
        }
        DB_VERIFY(c.execute("ROLLBACK"));
        QVERIFY(!c.inTransaction());
        QCOMPARE(scalar(c, "SELECT GROUP_CONCAT(t_kod ORDER BY t_kod) FROM termek"), QStringLiteral("1"));
    }

    void declinedRetryFailsQuietlyAndLaterRetriesWork()
    {
        Connection c;
        DB_VERIFY(c.open(profile));
        int asked = 0;
        bool retry = false;
        c.setLostHandler([&](const QString&) {
            ++asked;
            // a screen that re-reads while the box is open gets no second box
            try {
                c.select("SELECT 1");
                qWarning("a statement inside the connection box ran");
            } catch (const ConnectionLostError& e) {
                if (!e.reported())
                    qWarning("a statement inside the connection box would show a second box");
            }
            return retry && server->start();
        });
        QVERIFY(server->stop());
        test::FakeUserInterface ui;
        QVERIFY(!runAction(ui, [&] { c.select("SELECT COUNT(*) FROM vevo"); }));
        QCOMPARE(asked, 1);
        QVERIFY2(ui.shown().empty(), qPrintable(ui.texts().join(u'\n'))); // "Mégsem" was the answer
        // a ROLLBACK of the lost session asks nothing
        DB_VERIFY(c.execute("ROLLBACK"));
        QCOMPARE(asked, 1);

        retry = true;
        QString count;
        DB_VERIFY(count = scalar(c, "SELECT COUNT(*) FROM vevo"));
        QCOMPARE(count, QStringLiteral("5"));
        QCOMPARE(asked, 2);
    }

    void aGridPaintingWithoutItsServerAsksNothing()
    {
        // The customer list reads its rows page by page as the grid paints them; a box opened from
        // inside a paint would run a second event loop under the painter.
        DataModule data;
        DB_VERIFY(data.connect(profile));
        DB_VERIFY(data.connection().execute("INSERT INTO vevo (vKod, vNeve) SELECT 90000 + seq, CONCAT('Vevő ', "
                                            "LPAD(seq, 4, '0')) FROM seq_1_to_400"));
        int asked = 0;
        data.connection().setLostHandler([&](const QString&) {
            ++asked;
            return server->start();
        });
        Query& list = data.query(QStringLiteral("ZQ30"));
        DB_VERIFY(list.setSql({QStringLiteral("SELECT * FROM vevo ORDER BY vNeve")}));
        DB_VERIFY(list.open());
        QueryTableModel model(list);
        const int column = list.columnIndex(QStringLiteral("vNeve"));
        const int last = list.rowCount() - 1;
        QVERIFY(last > 400);
        QVERIFY(!model.data(model.index(0, column)).toString().isEmpty());

        QVERIFY(server->stop());
        for (int row = 0; row <= last; ++row)
            (void)model.data(model.index(row, column));
        QCOMPARE(asked, 0);
        QVERIFY(model.data(model.index(last, column)).toString().isEmpty()); // not read: shown empty
        // the operator's next step asks, and the grid reads again once the server is back
        QString count;
        DB_VERIFY(count = scalar(data.connection(), "SELECT COUNT(*) FROM vevo"));
        QCOMPARE(asked, 1);
        QCOMPARE(model.data(model.index(last, column)).toString(),
                 scalar(data.connection(), "SELECT vNeve FROM vevo ORDER BY vNeve DESC, vID DESC LIMIT 1"));
        DB_VERIFY(data.connection().execute("DELETE FROM vevo WHERE vKod > 90000"));
    }

    void theRealBoxRetriesAndTheRegisterKeepsWorking()
    {
        // the program's own session with its real connection box
        Session session;
        DB_VERIFY(session.data().connect(profile));
        DB_VERIFY(session.data().connection().execute("INSERT INTO szlafej (fBszam, fvKod, fzKod) VALUES ('20109001', "
                                                      "'1', '1'), ('20109002', '1', '1'), ('20109003', '1', '1')"));
        const int stored = scalar(session.data().connection(), "SELECT COUNT(*) FROM szlafej").toInt();
        int shownAfterRetry = -1;
        ModalDriver drive;
        drive.window(QStringLiteral("TForm8"),
                     [&](QWidget* w) {
                         QVERIFY(server->stop());
                         QTest::mouseClick(ModalDriver::button(w, QStringLiteral("Új")), Qt::LeftButton);
                     })
            .box(QStringLiteral("Megszakadt a kapcsolat az adatbázissal"), QStringLiteral("Újra"),
                 [&](QWidget*) { QVERIFY(server->start()); })
            .window(QStringLiteral("TForm9"), [](QWidget* w) { static_cast<QDialog*>(w)->reject(); })
            .window(QStringLiteral("TForm8"),
                    [&](QWidget* w) {
                        // an outage met by a step that opens no screen after it (a tab's details):
                        // the register re-reads its list once the box has reconnected
                        QVERIFY(server->stop());
                        w->findChild<QTabWidget*>()->setCurrentIndex(1);
                        auto* grid = w->findChild<QTableView*>(QStringLiteral("invoiceGrid"));
                        QTRY_VERIFY(grid->model()->rowCount() > 0);
                        shownAfterRetry = grid->model()->rowCount();
                        grid->selectRow(0);
                        QTest::mouseClick(ModalDriver::button(w, QStringLiteral("Módosít")), Qt::LeftButton);
                    })
            .box(QStringLiteral("Megszakadt a kapcsolat az adatbázissal"), QStringLiteral("Újra"),
                 [&](QWidget*) { QVERIFY(server->start()); })
            .window(QStringLiteral("TForm9"), [](QWidget* w) { static_cast<QDialog*>(w)->reject(); })
            .window(QStringLiteral("TForm8"), [](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        session.registry().open(Screen::InvoiceRegister);
        QVERIFY2(drive.wait(), qPrintable(drive.failures().join(u'\n')));
        QCOMPARE(shownAfterRetry, stored);
        // one box for each outage, none repeating it
        QCOMPARE(drive.boxes().filter(QStringLiteral("Megszakadt")).size(), 2);
    }
};

QTEST_MAIN(ResilienceTest)
#include "tst_resilience.moc"
