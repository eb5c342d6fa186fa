#include "support/fakes.h"

#include "tools/helpfile.h"
#include "tools/remoteassistance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;

class HelpAndRemoteTest : public QObject {
    Q_OBJECT
    HelpFile help;

private slots:
    void initTestCase() { DB_VERIFY(help.load(QStringLiteral(ORVENA_SOURCE_DIR "/templates/ORVENA2009.HLP"))); }

    void contextsOpenTheirPages_data()
    {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("title");
        QTest::newRow("1 main window and delivery notes") << 1 << "A főablak, a menü és a szállítólevelek";
        QTest::newRow("2 invoices") << 2 << "Számlázás";
        QTest::newRow("3 customers") << 3 << "Vevők";
        QTest::newRow("4 articles") << 4 << "Cikkek";
        QTest::newRow("5 VAT") << 5 << "Áfakulcsok";
        QTest::newRow("6 issuers") << 6 << "Kibocsátók (szállítók)";
        QTest::newRow("7 dictionary") << 7 << "Szótár: a nyomtatványok idegen nyelvű feliratai";
        QTest::newRow("8 report log") << 8 << "NAV napló: egy számla adatszolgáltatása";
        QTest::newRow("9 issuer's NAV page") << 9 << "A kibocsátó NAV adatai";
        QTest::newRow("10 backup") << 10 << "Adatmentés";
        QTest::newRow("11 tax-audit export") << 11 << "Adóhatósági adatszolgáltatás (adóellenőrzési export)";
        QTest::newRow("12 restore") << 12 << "Visszatöltés mentésből";
        QTest::newRow("13 installation and configuration") << 13 << "Telepítés és beállítás";
        QTest::newRow("unknown number: contents") << 42 << "Tartalom";
        QTest::newRow("none: contents") << 0 << "Tartalom";
    }
    void contextsOpenTheirPages()
    {
        QFETCH(int, context);
        QFETCH(QString, title);
        QCOMPARE(help.pageForContext(context).title, title);
        QVERIFY(help.documentOf(help.pageForContext(context)).contains(u"<style>"));
    }

    void everyLinkLeadsToAPageAndTheContentsReachEveryContext()
    {
        QCOMPARE(help.pages().size(), size_t(15));
        QCOMPARE(help.pages().front().id, HelpFile::contentsId());
        for (const auto& page : help.pages()) {
            QVERIFY2(!page.title.isEmpty(), qPrintable(page.id));
            for (const QString& target : HelpFile::linkTargets(page))
                QVERIFY2(help.page(target), qPrintable(page.id + QStringLiteral(" -> ") + target));
        }
        const QStringList fromContents = HelpFile::linkTargets(*help.page(HelpFile::contentsId()));
        for (int n = 1; n <= 13; ++n)
            QVERIFY(fromContents.contains(QStringLiteral("ctx%1").arg(n)));
        const auto index = help.indexEntries();
        QVERIFY(index.size() > 20);
        for (const auto& entry : index)
            QVERIFY2(help.page(entry.pageId), qPrintable(entry.keyword));
    }

    void aMissingOrEmptyHelpFileIsReported()
    {
        HelpFile h;
        QVERIFY_THROWS_EXCEPTION(FileError, h.load(QStringLiteral("/nincs/ORVENA2009.HLP")));
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("ures.hlp")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<html><body><p>semmi</p></body></html>");
        f.close();
        QVERIFY_THROWS_EXCEPTION(FileError, h.load(f.fileName()));
    }

    void remoteAssistanceStartsTheProgramOnlyWhereItIs()
    {
        QTemporaryDir current;
        QTemporaryDir onPath;
        const QString oldCurrent = QDir::currentPath();
        const QByteArray oldPath = qgetenv("PATH");
        QVERIFY(QDir::setCurrent(current.path()));
        qputenv("PATH", (QStringLiteral("/nincs/ilyen") + QDir::listSeparator() + onPath.path()).toLocal8Bit());

        test::FakeUserInterface ui;
        QStringList started;
        bool launches = true;
        RemoteAssistance remote(ui, [&](const QString& path) {
            started << path;
            return launches;
        });

        remote.start(); // nowhere: the operator is told, nothing is started
        QVERIFY(started.isEmpty());
        QCOMPARE(ui.texts(), QStringList{QStringLiteral(
                                 "A távsegítség programja (krfb, asztalmegosztás) nincs telepítve ezen a gépen. "
                                 "Telepítse a rendszergazda: sudo apt install krfb")});

        QFile program(QDir(onPath.path()).filePath(RemoteAssistance::programName()));
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.close();
        ui.clear();
        remote.start();
        remote.start(); // each press starts it once more
        QCOMPARE(started, QStringList(2, program.fileName()));
        QVERIFY(ui.texts().isEmpty());

        // the current folder comes before the search path
        QFile local(QDir(current.path()).filePath(RemoteAssistance::programName()));
        QVERIFY(local.open(QIODevice::WriteOnly));
        local.close();
        QCOMPARE(RemoteAssistance::locate(current.path(), onPath.path()), QFileInfo(local).absoluteFilePath());

        launches = false;
        remote.start();
        QCOMPARE(ui.texts().size(), 1);
        QVERIFY(ui.last().endsWith(QStringLiteral("nem indítható el.")));

        QDir::setCurrent(oldCurrent);
        qputenv("PATH", oldPath);
    }
};

QTEST_GUILESS_MAIN(HelpAndRemoteTest)
#include "tst_helpandremote.moc"
