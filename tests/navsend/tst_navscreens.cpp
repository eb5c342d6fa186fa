// What the operator sees of reporting, through the real windows and message boxes: the register's
// "NAV" column and "NAV napló" with "Újraküldés", the issuer screen's "NAV" page with
// "Kapcsolat próba", the customer screen's "NAV ellenőrzés", and the start-up notice.
#include "support/invoiceseed.h"
#include "support/modaldriver.h"
#include "support/navfixture.h"
#include "support/navschemas.h"
#include "support/navstandin.h"

#include "navsend/navcrypto.h"
#include "navsend/navqueue.h"
#include "navsend/navscreens.h"

#include "screens/common/appstate.h"
#include "screens/common/ui/editdialog.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

class TestNavScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startupNoticeCountsWhatNeedsAttention();
    void registerShowsStatesAndLogResendsRejected();
    void issuerNavPageStoresHashAndTestsConnection();
    void issuerNavPageOfANewIssuerStoresNothingUnseen();
    void customerTaxNumberIsCheckedAtTheAuthority();
    void reconciliationRunsBehindTheWindow();

private:
    static void click(QWidget* parent, const char* name)
    {
        auto* b = parent->findChild<QPushButton*>(QString::fromLatin1(name));
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static void type(QLineEdit* e, const QString& text)
    {
        QVERIFY(e);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        // letters beyond ASCII are pasted, as an operator would from the authority's page
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(e->text(), text);
    }

    NavStandIn m_server;
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<DataModule> m_data;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<GuiUserInterface> m_ui;
    std::unique_ptr<ScreenRegistry> m_registry;
    std::unique_ptr<ScreenContext> m_context;
};

void TestNavScreens::initTestCase()
{
    if (NavSchemas::schemaDir().isEmpty())
        QSKIP("the official schemas are not available");
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    m_server.addUser(navTestUser());
    m_server.exportEnvironment();
    m_db = std::make_unique<TestDatabase>();
}

void TestNavScreens::init()
{
    m_db->reset();
    m_db->addDemoData();
    prepareNavDatabase(*m_db);
    m_db->exec(QStringLiteral("DELETE FROM szlanav"));
    m_db->exec(QStringLiteral("DELETE FROM szlanavnaplo"));
    m_server.reset();
    m_data = std::make_unique<DataModule>();
    DB_VERIFY(m_data->connect(m_db->profile()));
    m_state = std::make_unique<AppState>();
    m_ui = std::make_unique<GuiUserInterface>();
    m_registry = std::make_unique<ScreenRegistry>();
    registerAllScreens(*m_registry);
    m_context = std::make_unique<ScreenContext>(ScreenContext{*m_data, *m_state, *m_ui, *m_registry, nullptr});
    m_registry->setContext(m_context.get());
}

void TestNavScreens::cleanup()
{
    m_context.reset();
    m_registry.reset();
    m_ui.reset();
    m_state.reset();
    m_data.reset();
}

void TestNavScreens::startupNoticeCountsWhatNeedsAttention()
{
    QCOMPARE(nav::startupNotice(m_data->connection()), QString());
    seedNavInvoice(*m_db, QStringLiteral("20100001"));
    seedNavInvoice(*m_db, QStringLiteral("20100002"), QStringLiteral("CREATE"), QString(), QStringLiteral("ELKULDVE"));
    seedNavInvoice(*m_db, QStringLiteral("20100003"), QStringLiteral("CREATE"), QString(), QStringLiteral("ELUTASITVA"));
    seedNavInvoice(*m_db, QStringLiteral("20100004"), QStringLiteral("CREATE"), QString(), QStringLiteral("BEFOGADVA"));
    QCOMPARE(nav::startupNotice(m_data->connection()),
             QStringLiteral("NAV adatszolgáltatás: 2 kiállított számla jelentése még nem jutott el a NAV-hoz (a program "
                            "a háttérben küldi); 1 számla jelentését a NAV elutasította. A részleteket a Számlázás "
                            "képernyő \"NAV napló\" gombja mutatja."));
    m_db->exec(QStringLiteral("UPDATE szlanav SET nAllapot = 'BEFOGADVA' WHERE nAllapot <> 'ELUTASITVA'"));
    QCOMPARE(nav::startupNotice(m_data->connection()),
             QStringLiteral("NAV adatszolgáltatás: 1 számla jelentését a NAV elutasította. A részleteket a Számlázás "
                            "képernyő \"NAV napló\" gombja mutatja."));
}

void TestNavScreens::registerShowsStatesAndLogResendsRejected()
{
    const QStringList codes{"KULDENDO", "ELKULDVE", "BEFOGADVA", "FIGYELMEZTETES", "ELUTASITVA", "NEM_KULDENDO"};
    QStringList texts;
    for (const QString& c : codes)
        texts << nav::stateText(c);
    QCOMPARE(texts.join(u'/'), QStringLiteral("Küldendő/Elküldve/Befogadva/Figyelmeztetés/Elutasítva/Nem küldendő"));

    seedNavInvoice(*m_db, QStringLiteral("20100001"), QStringLiteral("CREATE"), QString(), QStringLiteral("BEFOGADVA"));
    seedNavInvoice(*m_db, QStringLiteral("20100002"), QStringLiteral("CREATE"), QString(), QStringLiteral("ELUTASITVA"));
    seedInvoiceHeader(*m_db, {{QStringLiteral("fBszam"), QStringLiteral("20100003")},
                              {QStringLiteral("fzKod"), QStringLiteral("1")},
                              {QStringLiteral("fTkelt"), QStringLiteral("2010-03-01")},
                              {QStringLiteral("fPrn"), QStringLiteral("")}});
    m_db->exec(QStringLiteral("UPDATE szlanav SET nTranzakcio = 'T1', nProba = 1, nUzenet = 'ERROR INVALID_VAT_DATA: Az "
                              "áfa adatok hibásak.' WHERE nBszam = '20100002'"));
    m_db->exec(QStringLiteral("INSERT INTO szlanavnaplo (gBszam, gIdo, gMuvelet, gKeres, gTranzakcio, gIndex, gEredmeny, "
                              "gSzoveg) VALUES ('20100002', NOW(), 'manageInvoice', 'OV1', 'T1', 1, 'ELKULDVE', "
                              "'Tranzakció: T1, 1. tétel'), ('20100002', NOW(), 'queryTransactionStatus', 'OV2', 'T1', 1, "
                              "'ELUTASITVA', 'ERROR INVALID_VAT_DATA: Az áfa adatok hibásak.')"));

    std::unique_ptr<QDialog> reg(m_registry->create(Screen::InvoiceRegister));
    QVERIFY(reg);
    m_ui->setParent(reg.get());
    reg->show();
    QVERIFY(QTest::qWaitForWindowExposed(reg.get()));
    auto* grid = reg->findChild<QTableView*>(QStringLiteral("invoiceGrid"));
    QVERIFY(grid);
    // The register's last column, "NAV", shows the states in words (where the register has it).
    const int nav = grid->model()->columnCount() - 1;
    const bool hasNavColumn = grid->model()->headerData(nav, Qt::Horizontal).toString() == u"NAV";
    if (hasNavColumn) {
        QCOMPARE(grid->model()->index(0, nav).data().toString(), QStringLiteral("Befogadva"));
        QCOMPARE(grid->model()->index(1, nav).data().toString(), QStringLiteral("Elutasítva"));
        QCOMPARE(grid->model()->index(2, nav).data().toString(), QString());
    } else {
        qWarning("the invoice register has no NAV column yet");
    }

    grid->setFocus();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 0)).center());
    QCOMPARE(m_data->query(QStringLiteral("ZQ10")).fieldText(QStringLiteral("fBszam")), QStringLiteral("20100002"));

    ModalDriver driver;
    driver
        .window(QStringLiteral("navLogDialog"),
                [&](QWidget* w) {
                    QVERIFY(w->findChild<QLabel*>(QStringLiteral("navState"))->text().contains(QStringLiteral("Elutasítva")));
                    QVERIFY(w->findChild<QPlainTextEdit*>(QStringLiteral("navSummary"))
                                ->toPlainText()
                                .contains(QStringLiteral("ERROR INVALID_VAT_DATA: Az áfa adatok hibásak.")));
                    QCOMPARE(w->findChild<QTableView*>(QStringLiteral("navLogGrid"))->model()->rowCount(), 2);
                    QCOMPARE(w->property("helpContext").toInt(), 8); // F1: the log's own help page
                    // the requests, results and operations are named in Hungarian, not by their codes
                    const QAbstractItemModel* log = w->findChild<QTableView*>(QStringLiteral("navLogGrid"))->model();
                    QCOMPARE(log->index(0, 1).data().toString() + u'|' + log->index(1, 1).data().toString() + u'|'
                                 + log->index(1, 5).data().toString(),
                             QStringLiteral("Számlaadatok beküldése|Feldolgozás lekérdezése|Elutasítva"));
                    QVERIFY(w->findChild<QPlainTextEdit*>(QStringLiteral("navSummary"))
                                ->toPlainText()
                                .contains(QStringLiteral("Művelet: Kiállítás")));
                    // the first answer is "No": nothing changes
                    click(w, "resendButton");
                    QCOMPARE(m_db->scalar(QStringLiteral("SELECT nAllapot FROM szlanav WHERE nBszam = '20100002'")),
                             QStringLiteral("ELUTASITVA"));
                    click(w, "resendButton");
                    QVERIFY(w->findChild<QLabel*>(QStringLiteral("navState"))->text().contains(QStringLiteral("Küldendő")));
                    QVERIFY(!w->findChild<QPushButton*>(QStringLiteral("resendButton"))->isEnabled());
                    QCOMPARE(w->findChild<QTableView*>(QStringLiteral("navLogGrid"))->model()->rowCount(), 3);
                    click(w, "closeButton");
                })
        .box(QStringLiteral("sztornó számla és új számla, vagy módosító számla"), QStringLiteral("Nem"))
        .box(QStringLiteral("Újraküldi a jelentést?"), QStringLiteral("Igen"));
    click(reg.get(), "navLogButton");
    QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT CONCAT(nAllapot, '|', nProba, '|', COALESCE(nTranzakcio, '-')) FROM "
                                         "szlanav WHERE nBszam = '20100002'")),
             QStringLiteral("KULDENDO|0|-"));
    if (hasNavColumn)
        QCOMPARE(grid->model()->index(1, nav).data().toString(), QStringLiteral("Küldendő"));
}

void TestNavScreens::issuerNavPageStoresHashAndTestsConnection()
{
    m_db->exec(QStringLiteral("UPDATE szallito SET zNavLogin = NULL, zNavJelszo = NULL, zNavAlairo = NULL, zNavCsere = NULL"));
    Query& issuers = m_data->query(QStringLiteral("ZQ60"));
    issuers.setSql({QStringLiteral("SELECT * FROM szallito ORDER BY zKod")});
    issuers.open();
    issuers.first();
    std::unique_ptr<QDialog> dialog(m_registry->create(Screen::IssuerEdit, {EditMode::Modify}));
    QVERIFY(dialog);
    m_ui->setParent(dialog.get());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto* tabs = dialog->findChild<QTabWidget*>();
    QWidget* page = dialog->findChild<QWidget*>(QStringLiteral("navPage"));
    QVERIFY(tabs && page);
    tabs->setCurrentWidget(page);
    QCOMPARE(page->findChild<QLabel*>(QStringLiteral("navMode"))->text(), QStringLiteral("Teszt környezet"));
    const NavStandIn::User u = navTestUser();

    ModalDriver driver;
    driver.box(QStringLiteral("Adja meg a technikai felhasználó jelszavát."), QStringLiteral("OK"))
        .box(QStringLiteral("Kapcsolat rendben"), QStringLiteral("OK"))
        .box(QStringLiteral("aláíró kulcsot"), QStringLiteral("OK"));
    type(page->findChild<QLineEdit*>(QStringLiteral("navLogin")), u.login);
    type(page->findChild<QLineEdit*>(QStringLiteral("navSignatureKey")), u.signatureKey);
    type(page->findChild<QLineEdit*>(QStringLiteral("navExchangeKey")), u.exchangeKey);
    click(page, "navSaveButton"); // no password yet
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT zNavLogin IS NULL FROM szallito WHERE zKod = '1'")), QStringLiteral("1"));
    type(page->findChild<QLineEdit*>(QStringLiteral("navPassword")), u.password);
    click(page, "navSaveButton");
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT CONCAT(zNavLogin, '|', zNavJelszo, '|', zNavAlairo, '|', zNavCsere) "
                                         "FROM szallito WHERE zKod = '1'")),
             QStringLiteral("%1|%2|%3|%4").arg(u.login, nav::passwordHash(u.password), u.signatureKey, u.exchangeKey));
    QVERIFY(page->findChild<QLineEdit*>(QStringLiteral("navPassword"))->text().isEmpty());
    click(page, "navTestButton");
    type(page->findChild<QLineEdit*>(QStringLiteral("navSignatureKey")), QStringLiteral("rossz-kulcs"));
    click(page, "navTestButton");
    QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    QCOMPARE(m_server.requestCount(QStringLiteral("tokenExchange")), 2);
}

// A new issuer (and a copy) has no stored row: the page's save refuses in words instead of an
// update that matches nothing; once stored, the same page saves.
void TestNavScreens::issuerNavPageOfANewIssuerStoresNothingUnseen()
{
    const QString before = m_db->scalar(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(zKod, '/', COALESCE(zNavLogin, '-'))) "
                                                       "FROM szallito"));
    std::unique_ptr<QDialog> dialog(m_registry->create(Screen::IssuerEdit, {EditMode::New}));
    QVERIFY(dialog);
    m_ui->setParent(dialog.get());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QWidget* page = dialog->findChild<QWidget*>(QStringLiteral("navPage"));
    QVERIFY(page);
    dialog->findChild<QTabWidget*>()->setCurrentWidget(page);
    QCOMPARE(page->findChild<QLabel*>(QStringLiteral("navMode"))->text(), QStringLiteral("Nincs adatszolgáltatás"));
    const NavStandIn::User u = navTestUser();
    type(page->findChild<QLineEdit*>(QStringLiteral("navLogin")), u.login);
    type(page->findChild<QLineEdit*>(QStringLiteral("navPassword")), u.password);
    {
        ModalDriver driver;
        driver.box(QStringLiteral("A szállító nincs elmentve (új szállító"), QStringLiteral("OK"));
        click(page, "navSaveButton");
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    }
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(zKod, '/', COALESCE(zNavLogin, '-'))) FROM szallito")),
             before);
    // deleted by another workstation while its screen is open: refused the same way
    dialog.reset();
    Query& issuers = m_data->query(QStringLiteral("ZQ60"));
    issuers.setSql({QStringLiteral("SELECT * FROM szallito ORDER BY zKod")});
    issuers.open();
    issuers.first();
    dialog.reset(m_registry->create(Screen::IssuerEdit, {EditMode::Modify}));
    QVERIFY(dialog);
    m_ui->setParent(dialog.get());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    page = dialog->findChild<QWidget*>(QStringLiteral("navPage"));
    QVERIFY(page);
    dialog->findChild<QTabWidget*>()->setCurrentWidget(page);
    type(page->findChild<QLineEdit*>(QStringLiteral("navLogin")), u.login);
    type(page->findChild<QLineEdit*>(QStringLiteral("navPassword")), u.password);
    m_db->exec(QStringLiteral("DELETE FROM szallito WHERE zKod = '1'"));
    ModalDriver second;
    second.box(QStringLiteral("ezért a NAV adatai nem tárolhatók"), QStringLiteral("OK"));
    click(page, "navSaveButton");
    QVERIFY2(second.wait(), qPrintable(second.failures().join(u'\n')));
    QCOMPARE(m_db->scalar(QStringLiteral("SELECT COUNT(*) FROM szallito WHERE zNavLogin IS NOT NULL")), QStringLiteral("0"));
}

void TestNavScreens::customerTaxNumberIsCheckedAtTheAuthority()
{
    m_server.addTaxpayer(QStringLiteral("23456787"), QStringLiteral("KOVÁCS ÉS TÁRSA BETÉTI TÁRSASÁG"),
                         QStringLiteral("1052"), QStringLiteral("Budapest"), QStringLiteral("Váci"), QStringLiteral("utca"),
                         QStringLiteral("8."));
    Query& customers = m_data->query(QStringLiteral("ZQ30"));
    customers.setSql({QStringLiteral("SELECT * FROM vevo ORDER BY vKod")});
    customers.open();
    customers.first();
    std::unique_ptr<QDialog> dialog(m_registry->create(Screen::CustomerEdit, {EditMode::Modify}));
    QVERIFY(dialog);
    m_ui->setParent(dialog.get());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto* edit = qobject_cast<EditDialog*>(dialog.get());
    QVERIFY(edit);
    ModalDriver driver;
    driver.box(QStringLiteral("Név: KOVÁCS ÉS TÁRSA BETÉTI TÁRSASÁG\nCím: 1052 Budapest, Váci utca 8."), QStringLiteral("OK"))
        .box(QStringLiteral("érvénytelen vagy nem létezik"), QStringLiteral("OK"))
        .box(QStringLiteral("nem érvényes: 8 vagy 11 számjegy"), QStringLiteral("OK"));
    type(edit->lineEdit(QStringLiteral("vAdo")), QStringLiteral("23456787141")); // the eleven-digit form
    click(dialog.get(), "navCheckButton");
    type(edit->lineEdit(QStringLiteral("vAdo")), QStringLiteral("99999999141"));
    click(dialog.get(), "navCheckButton");
    type(edit->lineEdit(QStringLiteral("vAdo")), QStringLiteral("1234"));
    click(dialog.get(), "navCheckButton");
    QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    QVERIFY(driver.boxes().at(0).contains(QStringLiteral("A beírt adatok:\nNév: Kovács és Társa Bt.")));
    QCOMPARE(m_server.requestCount(QStringLiteral("queryTaxpayer")), 2);
}

// "Egyeztetés a NAV-val" on the "Adóhatósági adatszolgáltatás" window: the button stays disabled
// while the authority is asked behind the window, then one box tells the differences and the
// CSV with what to do lands in the window's folder.
void TestNavScreens::reconciliationRunsBehindTheWindow()
{
    seedNavInvoice(*m_db, QStringLiteral("20100201"), QStringLiteral("CREATE"), QString(), QStringLiteral("BEFOGADVA"));
    seedNavInvoice(*m_db, QStringLiteral("20100202"), QStringLiteral("CREATE"), QString(), QStringLiteral("BEFOGADVA"));
    m_db->exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I', fRkelt = '2021-05-15'"));
    m_server.setAuthorityCopy(QStringLiteral("K20100201"), QStringLiteral("CREATE"),
                              navInvoiceDocument(QStringLiteral("20100201")));
    QTemporaryDir folder;
    std::unique_ptr<QDialog> dialog(m_registry->create(Screen::AuditExport));
    QVERIFY(dialog);
    m_ui->setParent(dialog.get());
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    type(dialog->findChild<QLineEdit*>(QStringLiteral("Edit1")), QStringLiteral("2021.05.01"));
    type(dialog->findChild<QLineEdit*>(QStringLiteral("Edit2")), QStringLiteral("2021.05.31"));
    type(dialog->findChild<QLineEdit*>(QStringLiteral("Edit3")), folder.filePath(QStringLiteral("nav")));
    ModalDriver driver;
    driver.box(QStringLiteral("Eltérés a NAV-val: 1 tétel (a könyvekben 2, a NAV-nál 1 számla)."), QStringLiteral("OK"));
    auto* button = dialog->findChild<QPushButton*>(QStringLiteral("ReconcileButton"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!button->isEnabled()); // the window went on while the authority was asked
    QVERIFY2(driver.wait(20000), qPrintable(driver.failures().join(u'\n')));
    QVERIFY2(driver.boxes().at(0).contains(QStringLiteral("K20100202: A számla itt ki van állítva, a NAV-nál nincs meg")),
             qPrintable(driver.boxes().at(0)));
    QTRY_VERIFY(button->isEnabled());
    QFile csv(QDir(folder.filePath(QStringLiteral("nav"))).filePath(QStringLiteral("nav-egyeztetes.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().count("\r\n"), 2);
    QVERIFY2(m_server.violations().isEmpty(), qPrintable(m_server.violations().join(u'\n')));
}

QTEST_MAIN(TestNavScreens)
#include "tst_navscreens.moc"
