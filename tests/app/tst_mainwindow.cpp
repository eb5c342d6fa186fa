// The main window and the screen tour: the menu holds every item in order with the hidden two
// invisible but reachable, and every screen that exists opens on demo data (a PNG of each is
// saved under screenshots/ in the build folder, named by the screen's objectName).
#include "support/fakes.h"

#include "support/modaldriver.h"

#include "app/loadingwindow.h"
#include "app/logfile.h"
#include "app/mainwindow.h"
#include "app/session.h"
#include "tools/helpfile.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <set>

using namespace orvena;

namespace {

struct Item {
    QString text;
    bool visible;
};

QList<Item> itemsOf(const QList<QAction*>& actions)
{
    QList<Item> out;
    for (QAction* a : actions)
        if (!a->isSeparator())
            out.push_back({a->text().remove(u'&'), a->isVisible()});
    return out;
}

// Closes any message box a screen shows, so a tour never hangs on a modal box.
class BoxCloser : public QObject {
public:
    QStringList seen;
    BoxCloser()
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen << box->text();
                box->done(0);
            }
        });
        timer->start(50);
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir workDir;
    QString previousDir;
    QElapsedTimer m_running = [] { // since this test was made, after the process started
        QElapsedTimer clock;
        clock.start();
        return clock;
    }();

private slots:
    void initTestCase()
    {
        // the program reads litania.txt and the templates from its working folder
        previousDir = QDir::currentPath();
        QDir templates(QStringLiteral(ORVENA_SOURCE_DIR "/templates"));
        for (const QString& f : templates.entryList(QDir::Files))
            QFile::copy(templates.filePath(f), workDir.filePath(f));
        QDir::setCurrent(workDir.path());
        applyProgramLocale();
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void menuHoldsEveryItemInOrder()
    {
        Session session;
        MainWindow window(session);
        QCOMPARE(window.objectName(), QStringLiteral("TForm1"));
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("Orvena      Ver.:")));
        QVERIFY(window.windowTitle().endsWith(QStringLiteral("    2006.-2010")));
        // the window carries the program's icon (the built-in one where no theme has it)
        QVERIFY(!window.windowIcon().pixmap(QSize(32, 32)).isNull());

        const QList<Item> top = itemsOf(window.menuBar()->actions());
        const QStringList expected = {"Szállítólevél", "Számlázás", "Díjbekérők", "Vevö", "Cikk",  "Áfa",     "Kibocsátó",
                                      "Szótár",        "Export",    "Adóhatósági adatszolgáltatás", "Kintlévőségek", "Bankkivonat", "Kimutatások",
                                      "Import",        "Segitség",  "Adatmentés", "Kilépés"};
        QStringList texts;
        for (const auto& i : top)
            texts << i.text;
        QCOMPARE(texts, expected);
        for (const auto& i : top)
            QCOMPARE(i.visible, i.text != u"Import");

        auto submenu = [&](const QString& title) {
            for (QAction* a : window.menuBar()->actions())
                if (a->text().remove(u'&') == title && a->menu())
                    return itemsOf(a->menu()->actions());
            return QList<Item>();
        };
        const QList<Item> dictionary = submenu(QStringLiteral("Szótár"));
        QCOMPARE(dictionary.size(), 2);
        QCOMPARE(dictionary[0].text, QStringLiteral("Fordítás"));
        QCOMPARE(dictionary[1].text, QStringLiteral("F2-F12"));
        const QList<Item> help = submenu(QStringLiteral("Segitség"));
        QCOMPARE(help.size(), 4);
        QCOMPARE(help[0].text, QStringLiteral("Súgó"));
        QCOMPARE(help[1].text, QStringLiteral("Névjegy"));
        QCOMPARE(help[2].text, QStringLiteral("Távsegítség"));
        QCOMPARE(help[3].text, QStringLiteral("Adatok"));
        QVERIFY(help[0].visible && help[1].visible && help[2].visible && !help[3].visible);

        // the hidden items keep a shortcut an operator can be told about
        QCOMPARE(window.actionFor(Screen::Import)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+I")));
        QCOMPARE(window.actionFor(Screen::Maintenance)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+A")));
        // a visible item is enabled exactly when its screen exists in this build
        for (Screen s : {Screen::DeliveryRegister, Screen::InvoiceRegister, Screen::CustomerList, Screen::Export,
                         Screen::Help, Screen::About})
            QCOMPARE(window.actionFor(s)->isEnabled(), session.registry().canOpen(s));
    }

    void hiddenItemsOpenByTheirShortcuts()
    {
        Session session;
        QList<Screen> opened;
        for (Screen s : {Screen::Import, Screen::Maintenance})
            session.registry().add(s, [&opened, s](ScreenContext&, QWidget*) -> QDialog* {
                opened << s;
                return nullptr;
            });
        MainWindow window(session);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(opened, (QList<Screen>{Screen::Import, Screen::Maintenance}));
    }

    // Alt and a letter opens a top item of the menu; the letters are unique.
    void altLetterOpensTheItem_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("screen");
        QTest::newRow("Szállítólevél") << int(Qt::Key_S) << int(Screen::DeliveryRegister);
        QTest::newRow("Számlázás") << int(Qt::Key_L) << int(Screen::InvoiceRegister);
        QTest::newRow("Díjbekérők") << int(Qt::Key_D) << int(Screen::ProformaRegister);
        QTest::newRow("Vevö") << int(Qt::Key_V) << int(Screen::CustomerList);
        QTest::newRow("Áfa") << int(Qt::Key_F) << int(Screen::VatList);
        QTest::newRow("Kibocsátó") << int(Qt::Key_B) << int(Screen::IssuerList);
        QTest::newRow("Kintlévőségek") << int(Qt::Key_N) << int(Screen::Receivables);
    }
    void altLetterOpensTheItem()
    {
        QFETCH(int, key);
        QFETCH(int, screen);
        Session session;
        QList<Screen> opened;
        for (Screen s : {Screen::DeliveryRegister, Screen::InvoiceRegister, Screen::ProformaRegister,
                         Screen::CustomerList, Screen::VatList, Screen::IssuerList, Screen::Receivables})
            session.registry().add(s, [&opened, s](ScreenContext&, QWidget*) -> QDialog* {
                opened << s;
                return nullptr;
            });
        MainWindow window(session);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key(key), Qt::AltModifier);
        QCOMPARE(opened, QList<Screen>{Screen(screen)});
        QStringList letters;
        for (QAction* a : window.menuBar()->actions())
            if (a->isVisible()) {
                const QKeySequence mnemonic = QKeySequence::mnemonic(a->text());
                QVERIFY2(!mnemonic.isEmpty(), qPrintable(a->text()));
                QVERIFY2(!letters.contains(mnemonic.toString()), qPrintable(a->text()));
                letters << mnemonic.toString();
            }
    }

    // Alt alone puts the menu into keyboard use: the item the arrows stand on is highlighted.
    void arrowsShowTheirItemAfterAlt()
    {
        Session session;
        MainWindow window(session);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QMenuBar* bar = window.menuBar();
        QTest::keyPress(&window, Qt::Key_Alt, Qt::AltModifier);
        QTest::keyRelease(&window, Qt::Key_Alt, Qt::AltModifier);
        QTRY_VERIFY(bar->activeAction());
        QTest::keyClick(bar, Qt::Key_Right);
        QTest::keyClick(bar, Qt::Key_Right);
        QAction* at = bar->activeAction();
        QVERIFY(at);
        QCOMPARE(at->iconText(), QStringLiteral("Díjbekérők"));
        const QImage shot = bar->grab().toImage();
        const QRect item = bar->actionGeometry(at);
        const QRgb highlight = bar->palette().color(QPalette::Highlight).rgb();
        int highlighted = 0;
        for (int y = item.top(); y <= item.bottom(); ++y)
            for (int x = item.left(); x <= item.right(); ++x)
                highlighted += shot.pixel(x, y) == highlight;
        QVERIFY2(highlighted > item.width(), qPrintable(QString::number(highlighted)));
        QTest::keyClick(bar, Qt::Key_Escape);
    }

    void kilepesEndsTheProgram()
    {
        Session session;
        MainWindow window(session);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAction* quit = window.findChild<QAction*>(QStringLiteral("Kilepes"));
        QVERIFY(quit);
        quit->trigger();
        QVERIFY(!window.isVisible());
    }

    void theLoadingWindowKeepsItsSecondWhileTheStartUpWorks()
    {
        // quick start-up work: the window stays up for the rest of its second
        {
            LoadingWindow loading(QStringLiteral("7.010"));
            QElapsedTimer clock;
            clock.start();
            loading.start();
            QVERIFY(loading.isVisible());
            QTest::qWait(200); // the work
            loading.finish();
            QVERIFY(clock.elapsed() >= LoadingWindow::kShownMs - 20);
            QVERIFY(!loading.isVisible());
        }
        // the second counts from the program's start: what ran before the window is part of it,
        // the loading of the libraries before main() too (this test has run longer than its own
        // clock); a record that makes no sense gives way to what the program measured itself
        QVERIFY(LoadingWindow::runningSinceStart(0) >= m_running.elapsed() - 10);
        QCOMPARE(LoadingWindow::runningSinceStart(1000000), 1000000);
        {
            LoadingWindow loading(QStringLiteral("7.010"));
            QElapsedTimer clock;
            clock.start();
            loading.start(600);
            QVERIFY(loading.isVisible());
            loading.finish();
            QVERIFY(clock.elapsed() >= LoadingWindow::kShownMs - 600 - 20);
            QVERIFY(clock.elapsed() < LoadingWindow::kShownMs - 100);
            QVERIFY(!loading.isVisible());
        }
        // work longer than the second (letting events through, as the backup's progress does):
        // the window has closed itself and finishing does not wait again
        LoadingWindow loading(QStringLiteral("7.010"));
        loading.start();
        QTest::qWait(LoadingWindow::kShownMs + 300);
        QVERIFY(!loading.isVisible());
        QElapsedTimer clock;
        clock.start();
        loading.finish();
        QVERIFY(clock.elapsed() < 200);
        QVERIFY(!loading.isVisible());
    }

    void aFailedStatementReachesTheLogFileBehindTheBox()
    {
        // The operator gets the error box over the main window; with --log the server's own
        // text and the statement are in the file for support.
        test::TestDatabase db;
        db.addDemoData();
        Session session;
        DB_VERIFY(session.data().connect(db.profile()));
        db.exec(QStringLiteral("RENAME TABLE vevo TO vevo_felre"));
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("orvena.log"));
        QVERIFY(startLogFile(log));
        MainWindow window(session);
        session.ui().setParent(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        test::ModalDriver driver;
        // (the customer list reports the missing table twice while it opens)
        driver.box(QStringLiteral("vevo' doesn't exist"), QStringLiteral("OK"))
            .box(QStringLiteral("vevo' doesn't exist"), QStringLiteral("OK"))
            .window(QStringLiteral("TForm3"), [](QWidget* list) { qobject_cast<QDialog*>(list)->reject(); });
        window.actionFor(Screen::CustomerList)->trigger();
        const bool answered = driver.wait();
        stopLogFile();
        db.exec(QStringLiteral("RENAME TABLE vevo_felre TO vevo"));
        QVERIFY2(answered, qPrintable(driver.failures().join(u'\n') + QStringLiteral(" / boxes: ") + driver.boxes().join(u'|')));
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY2(text.contains(QStringLiteral(" orvena.screens warning: server error 1146: ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("vevo' doesn't exist | statement: SELECT ")), qPrintable(text));
    }

    // A fresh installation has no issuer: the first "Számlázás" of the run says how to enter one,
    // then the register opens; later uses open it without the notice.
    void invoicingWithoutIssuerSaysHowToEnterOne()
    {
        test::TestDatabase db;
        Session session;
        DB_VERIFY(session.data().connect(db.profile()));
        MainWindow window(session);
        session.ui().setParent(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto closeRegister = [](QWidget* reg) { qobject_cast<QDialog*>(reg)->reject(); };
        test::ModalDriver first;
        first.box(QStringLiteral("Még nincs kibocsátó megadva"), QStringLiteral("OK"), [](QWidget* box) {
                 QVERIFY(qobject_cast<QMessageBox*>(box)->text().contains(QStringLiteral("főmenü „Kibocsátó” pontjában")));
             })
            .window(formId(Screen::InvoiceRegister), closeRegister);
        window.actionFor(Screen::InvoiceRegister)->trigger();
        QVERIFY2(first.wait(), qPrintable(first.failures().join(u'\n')));
        test::ModalDriver again;
        again.window(formId(Screen::InvoiceRegister), closeRegister);
        window.actionFor(Screen::InvoiceRegister)->trigger();
        QVERIFY2(again.wait(), qPrintable(again.failures().join(u'\n')));
    }

    void showingTheWindowLoadsTheFunctionKeyTexts()
    {
        Session session;
        MainWindow window(session);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(session.state().functionKeys->textForKey(2).contains(QStringLiteral("általános")));
    }

    void screenTour()
    {
        test::TestDatabase db;
        db.addDemoData();
        Session session;
        DB_VERIFY(session.data().connect(db.profile()));
        MainWindow window(session);
        session.ui().setParent(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QDir().mkpath(QStringLiteral(ORVENA_SCREENSHOT_DIR));
        const QDir shots(QStringLiteral(ORVENA_SCREENSHOT_DIR));
        QVERIFY(window.grab().save(shots.filePath(window.objectName() + QStringLiteral(".png"))));

        // every help context a screen (or a part of it) carries leads to its own page
        HelpFile help;
        DB_VERIFY(help.load(HelpFile::builtInPath()));
        std::set<int> contexts;
        BoxCloser closer;
        int shown = 0;
        for (Screen screen : session.registry().screens()) {
            std::unique_ptr<QDialog> dialog;
            try {
                dialog.reset(session.registry().create(screen, &window));
            } catch (const Error& e) {
                QFAIL(qPrintable(formId(screen) + QStringLiteral(": ") + e.text()));
            }
            if (!dialog)
                continue;
            QCOMPARE(dialog->objectName(), formId(screen));
            QList<QWidget*> parts = dialog->findChildren<QWidget*>();
            parts.prepend(dialog.get());
            for (QWidget* part : parts) {
                if (const int context = part->property("helpContext").toInt(); context > 0) {
                    QVERIFY2(help.page(QStringLiteral("ctx%1").arg(context)),
                             qPrintable(QStringLiteral("%1: %2").arg(formId(screen)).arg(context)));
                    contexts.insert(context);
                }
            }
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            QTest::qWait(20);
            QVERIFY(dialog->grab().save(shots.filePath(dialog->objectName() + QStringLiteral(".png"))));
            dialog->close();
            ++shown;
        }
        qInfo("screen tour: %d screens photographed into %s", shown, ORVENA_SCREENSHOT_DIR);
        for (int context : {1, 2, 3, 4, 5, 6, 7, 9, 11}) // the issuer's NAV page, the tax-audit export
            QVERIFY2(contexts.count(context), qPrintable(QString::number(context)));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
