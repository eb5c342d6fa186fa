// Issuing through the invoice register's real window: "Nyomtat" builds, checks and validates
// the invoice-data document; a refusal is one message box and leaves the invoice modifiable, an
// issue marks it and stores the document; "Megtekint" never checks; the register's last column
// shows the state; a storno made in the register is issued today with the next modification index.
#include "figures/figures.h"
#include "nav/invoiceissue.h"
#include "reports/recordingpresenter.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"
#include "support/fakes.h"
#include "support/invoiceseed.h"
#include "support/modaldriver.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QDate>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace orvena;
using namespace orvena::test;

class TestNavIssue : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void refusedPrintLeavesTheInvoiceModifiable();
    void printIssuesAndTheRegisterShowsTheState();
    void stornoFromTheRegister();
    void correctionFromTheRegister();
    void vatClassificationOnTheRateScreen();

private:
    void addInvoice(const QString& number, const QString& customer);
    QString flag(const QString& number)
    {
        return s->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '%1'").arg(number));
    }
    // The register shown, its list positioned on this invoice.
    std::unique_ptr<QDialog> openRegisterOn(const QString& number);
    void press(QWidget* window, const char* button)
    {
        auto* b = window->findChild<QPushButton*>(QLatin1String(button));
        QVERIFY2(b, button);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    std::unique_ptr<TestSession> s;
    std::unique_ptr<ScreenRegistry> registry;
    std::unique_ptr<GuiUserInterface> ui;
    std::unique_ptr<ScreenContext> context;
    RecordingPresenter presenter;
};

void TestNavIssue::init()
{
    s = std::make_unique<TestSession>();
    DB_VERIFY(s->db.reset(QStringLiteral("20240010")));
    DB_VERIFY(s->db.addDemoData());
    s->db.exec(QStringLiteral("UPDATE szallito SET zNavMod = 'TEST'"));
    addInvoice(QStringLiteral("20240001"), QStringLiteral("1"));
    addInvoice(QStringLiteral("20240002"), QStringLiteral("2"));
    registry = std::make_unique<ScreenRegistry>();
    registerInvoiceScreens(*registry);
    registerMasterDataScreens(*registry);
    ui = std::make_unique<GuiUserInterface>();
    context = std::make_unique<ScreenContext>(ScreenContext{s->data, s->state, *ui, *registry, &presenter});
    registry->setContext(context.get());
    presenter.presented.clear();
    QVERIFY(QDir::setCurrent(templateFolder()));
}

void TestNavIssue::cleanup()
{
    context.reset();
    registry.reset();
    ui.reset();
    s.reset();
}

void TestNavIssue::addInvoice(const QString& number, const QString& customer)
{
    test::seedInvoice(s->db, {.number = number,
                              .customer = customer,
                              .printed = false,
                              .labels = QStringLiteral("00003"),
                              .issued = QStringLiteral("2024-05-17"),
                              .due = QStringLiteral("2024-06-01"),
                              .lines = {{2, 8990, 27, QStringLiteral("Konyhai mérleg"), QStringLiteral("1"),
                                         QStringLiteral("TM-100"), {}, QStringLiteral("db"), QStringLiteral("1"),
                                         QStringLiteral("27% általános")},
                                        {1, 12000, 0, QStringLiteral("Oktatás"), QStringLiteral("10"),
                                         QStringLiteral("OK-001"), {}, QStringLiteral("óra"), QStringLiteral("4"),
                                         QStringLiteral("AAM alanyi adómentes")}},
                              .performed = QStringLiteral("2024-05-15")});
}

std::unique_ptr<QDialog> TestNavIssue::openRegisterOn(const QString& number)
{
    s->state.invoiceNumber = number;
    std::unique_ptr<QDialog> reg(registry->create(Screen::InvoiceRegister));
    if (!reg)
        return reg;
    reg->show();
    if (!QTest::qWaitForWindowExposed(reg.get()))
        return {};
    QTest::qWait(50); // the repaint positions the list on the current invoice
    return reg;
}

void TestNavIssue::refusedPrintLeavesTheInvoiceModifiable()
{
    s->db.exec(QStringLiteral("UPDATE vevo SET vAdo = '23456781-1-41' WHERE vKod = '1'"));
    s->db.exec(QStringLiteral("UPDATE afa SET kNavKod = '' WHERE kAfakod = '4'"));
    s->db.exec(QStringLiteral("UPDATE szallito SET zAlanyiMentes = 1"));
    auto reg = openRegisterOn(QStringLiteral("20240001"));
    QVERIFY(reg);
    // "Megtekint" shows the invoice without any check.
    press(reg.get(), "viewButton");
    QCOMPARE(int(presenter.presented.size()), 1);
    QCOMPARE(flag(QStringLiteral("20240001")), QStringLiteral(" "));

    ModalDriver driver;
    driver.box(QStringLiteral("A(z) 20240001 számú számla adóhatósági adatszolgáltatása nem készíthető el:\n"
                              "- A belföldi vevő (Kovács és Társa Bt.) adószáma hibás: „23456781-1-41”"),
               QStringLiteral("OK"));
    press(reg.get(), "printButton");
    QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    QVERIFY(driver.boxes().value(0).contains(QStringLiteral("- A(z) „4” áfakód (AAM alanyi adómentes) mentességi esetkódja")));
    // the exempt issuer's taxed line, in the same box
    QVERIFY(driver.boxes().value(0).contains(QStringLiteral("- A kibocsátó (Tisza-Mérleg Kereskedelmi Kft.) alanyi "
                                                            "adómentes, ezért a számla minden sorának alanyi adómentes "
                                                            "(AAM) áfakódja kell legyen: a(z) 1. sor („Konyhai mérleg”) "
                                                            "„1” áfakódja (27% általános) nem ilyen.")));
    QCOMPARE(int(presenter.presented.size()), 1); // nothing printed
    QCOMPARE(flag(QStringLiteral("20240001")), QStringLiteral(" "));
    QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("0"));
    // Still modifiable: "Módosít" opens the composition screen without the refusal box.
    ModalDriver modify;
    modify.window(QStringLiteral("TForm9"), [](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    press(reg.get(), "modifyButton");
    QVERIFY2(modify.wait(), qPrintable(modify.failures().join(u'\n')));
}

void TestNavIssue::printIssuesAndTheRegisterShowsTheState()
{
    auto reg = openRegisterOn(QStringLiteral("20240002"));
    QVERIFY(reg);
    auto* grid = reg->findChild<QTableView*>(QStringLiteral("invoiceGrid"));
    QVERIFY(grid);
    QAbstractItemModel* model = grid->model();
    int nav = model->columnCount() - 1;
    while (nav > 0 && model->headerData(nav, Qt::Horizontal).toString() != u"NAV")
        --nav; // the payments' columns follow it
    QCOMPARE(model->headerData(nav, Qt::Horizontal).toString(), QStringLiteral("NAV"));
    QCOMPARE(model->headerData(nav - 1, Qt::Horizontal).toString(), QStringLiteral("fID"));
    ModalDriver driver; // no box may appear
    press(reg.get(), "printButton");
    QVERIFY2(driver.wait(200), qPrintable(driver.failures().join(u'\n')));
    QCOMPARE(int(presenter.presented.size()), 1);
    QCOMPARE(flag(QStringLiteral("20240002")), QStringLiteral("I"));
    QCOMPARE(s->db.rows(QStringLiteral("SELECT nBszam, nMuvelet, nAllapot FROM szlanav")),
             QStringList{QStringLiteral("20240002|CREATE|KULDENDO")});
    QEvent unblocked(QEvent::WindowUnblocked); // the preview closing over it: the list is re-read
    QApplication::sendEvent(reg.get(), &unblocked);
    QCOMPARE(model->data(model->index(1, nav)).toString(), QStringLiteral("Küldendő"));
    QCOMPARE(model->data(model->index(0, nav)).toString(), QString());
    // A second print is a copy: nothing is checked or written again.
    press(reg.get(), "printButton");
    QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("1"));
}

void TestNavIssue::stornoFromTheRegister()
{
    QCOMPARE(nav::issueInvoice(s->data, QStringLiteral("20240001")), QString());
    auto reg = openRegisterOn(QStringLiteral("20240001"));
    QVERIFY(reg);
    {
        ModalDriver driver;
        driver.box(QStringLiteral("Stornózni szeretné a bizonylatot?"), QStringLiteral("Igen"))
            .box(QStringLiteral("A számla STORNO -ja elkészült !"), QStringLiteral("OK"));
        press(reg.get(), "stornoButton");
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    }
    // The storno carries today's date as its issue date, the original's other dates.
    QCOMPARE(s->db.rows(QStringLiteral("SELECT fRkelt, fTkelt, fFkelt FROM szlafej WHERE fBszam = '20240011'")),
             QStringList{QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")) + QStringLiteral("|2024.05.15|2024.06.01")});
    // Printing it issues it as the modification of the original.
    QTest::qWait(50);
    press(reg.get(), "printButton");
    QCOMPARE(flag(QStringLiteral("20240011")), QStringLiteral("I"));
    // A second storno of the same invoice is refused.
    ModalDriver second;
    second.box(QStringLiteral("Stornózni szeretné a bizonylatot?"), QStringLiteral("Igen"))
        .box(QStringLiteral("A(z) 20240001 számú számlát már stornózta a(z) 20240011 számú számla."), QStringLiteral("OK"));
    s->state.invoiceNumber = QStringLiteral("20240001");
    s->data.query(QStringLiteral("ZQ10")).locate(QStringLiteral("fBszam"), QStringLiteral("20240001"));
    press(reg.get(), "stornoButton");
    QVERIFY2(second.wait(), qPrintable(second.failures().join(u'\n')));
    QCOMPARE(s->db.rows(QStringLiteral("SELECT nBszam, nMuvelet, nEredeti, nModIndex FROM szlanav ORDER BY nBszam")),
             (QStringList{"20240001|CREATE||", "20240011|STORNO|20240001|1"}));
    // Both issues wrote the figures' sums (2 x 8990 at 27 % and 12000 exempt), the storno's negated
    // in its own month, so the turnover of both months together is nothing.
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"));
    QCOMPARE(s->db.rows(QStringLiteral("SELECT oBszam, oRkelt, oMuvelet, oNetto, oAfa, oNettoFt, oAfaFt FROM szlaosszeg "
                                       "ORDER BY oBszam")),
             (QStringList{"20240001|2024.05.17||29980|4854,6|29980|4854,6",
                          "20240011|" + today + "|STORNO|-29980|-4854,6|-29980|-4854,6"}));
    QCOMPARE(s->db.rows(QStringLiteral("SELECT rBszam, rAfakod, rAfa, rNettoFt, rAfaFt FROM szlaafaosszeg ORDER BY 1, 2")),
             (QStringList{"20240001|1|27|17980|4854,6", "20240001|4|0|12000|0", "20240011|1|27|-17980|-4854,6",
                          "20240011|4|0|-12000|0"}));
    const figures::Table months =
        figures::compute(s->data, figures::View::Month, {QDate(2024, 1, 1), QDate::currentDate()});
    QCOMPARE(int(months.rows.size()), 2);
    QCOMPARE(months.rows.front().net.filler(), qint64(2998000));
    QVERIFY((months.total.net + months.total.vat).isZero());
    QCOMPARE(months.total.invoices, qint64(2));
}

// "Helyesbít" opens the composition screen over the next number with the issued invoice's header
// and lines; it asks for the reason and refuses a correction without a difference; the changed
// quantity is stored as its difference, printing issues it as the original's modification with a
// heading naming the original, and the register names the correction beside the original.
void TestNavIssue::correctionFromTheRegister()
{
    QCOMPARE(nav::issueInvoice(s->data, QStringLiteral("20240001")), QString());
    auto reg = openRegisterOn(QStringLiteral("20240001"));
    QVERIFY(reg);
    auto edit = [](QWidget* window, int field, const QString& typed) {
        auto* e = window->findChild<QLineEdit*>(QStringLiteral("field%1").arg(field));
        QVERIFY(e);
        e->setFocus();
        e->selectAll();
        for (const QChar c : typed) { // letters beyond ASCII go as a keyboard layout sends them
            if (c.unicode() < 128)
                QTest::keyClick(e, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, e, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    };
    {
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        QCOMPARE(composer->windowTitle(),
                                 QStringLiteral("Helyesbítő számla készítése a(z) 20240001 számú számlához"));
                        QCOMPARE(composer->findChild<QLineEdit*>(QStringLiteral("field0"))->text(), QStringLiteral("20240011"));
                        press(composer, "okButton");
                        edit(composer, 12, QStringLiteral("Egy mérleggel kevesebb érkezett"));
                        press(composer, "okButton");
                        press(composer, "modifyLineButton");
                        press(composer, "okButton");
                    })
            .box(QStringLiteral("Adja meg a helyesbítés okát a „Megjegyzés” mezőben!"), QStringLiteral("OK"))
            .box(QStringLiteral("A helyesbítés nem tartalmaz eltérést a(z) 20240001 számú számla tételeitől."),
                 QStringLiteral("OK"))
            .window(QStringLiteral("TForm10"), [&](QWidget* line) {
                QCOMPARE(line->findChild<QLineEdit*>(QStringLiteral("field0"))->text(), QStringLiteral("Konyhai mérleg"));
                edit(line, 2, QStringLiteral("1"));
                press(line, "okButton");
            });
        press(reg.get(), "correctButton");
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    }
    QCOMPARE(s->db.rows(QStringLiteral("SELECT sMegn, sMenny, sEar FROM szlasor WHERE sBszam = '20240011'")),
             QStringList{QStringLiteral("Konyhai mérleg|-1|8990")});
    QCOMPARE(s->db.rows(QStringLiteral("SELECT fMegj, fRkelt FROM szlafej f JOIN szlahivatkozas h ON h.hBszam = f.fBszam "
                                       "WHERE h.hMuvelet = 'MODIFY' AND h.hEredeti = '20240001'")),
             QStringList{QStringLiteral("Egy mérleggel kevesebb érkezett|")
                         + QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"))});
    QTest::qWait(50);
    press(reg.get(), "printButton");
    QCOMPARE(flag(QStringLiteral("20240011")), QStringLiteral("I"));
    QCOMPARE(s->db.rows(QStringLiteral("SELECT nBszam, nMuvelet, nEredeti, nModIndex FROM szlanav ORDER BY nBszam")),
             (QStringList{"20240001|CREATE||", "20240011|MODIFY|20240001|1"}));
    QVERIFY(presenter.last().pages.front().allTexts().join(u'\n').contains(
        QStringLiteral("Helyesbítő számla – a helyesbített számla: K20240001, kelte: 2024.05.17")));
    s->data.query(QStringLiteral("ZQ10")).locate(QStringLiteral("fBszam"), QStringLiteral("20240001"));
    QCOMPARE(reg->findChild<QLabel*>(QStringLiteral("chainLabel"))->text(), QStringLiteral("Helyesbítései: 20240011"));
}

// The VAT-rate screen's drop-downs show and store the codes, and the next issue uses them.
void TestNavIssue::vatClassificationOnTheRateScreen()
{
    std::unique_ptr<QDialog> list(registry->create(Screen::VatList));
    QVERIFY(list);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list.get()));
    ModalDriver driver;
    driver.window(QStringLiteral("TForm16"), [](QWidget* w) {
        struct Closer {
            QWidget* w;
            ~Closer() { static_cast<QDialog*>(w)->reject(); }
        } closer{w};
        auto* type = w->findChild<QComboBox*>(QStringLiteral("kNavTipus"));
        auto* code = w->findChild<QComboBox*>(QStringLiteral("kNavKod"));
        QVERIFY(type && code);
        QCOMPARE(type->currentText(), QStringLiteral("Áfamentes (mentesség)"));
        QCOMPARE(code->currentText(), QStringLiteral("AAM – alanyi adómentesség"));
        type->setFocus();
        QTest::keyClick(type, Qt::Key_Down); // out of scope
        code->setFocus();
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(code, Qt::Key_Down); // AAM -> ATK
        QCOMPARE(code->currentText(), QStringLiteral("ATK – áfa tárgyi hatályán kívül"));
        auto* reason = w->findChild<QLineEdit*>(QStringLiteral("kNavIndok"));
        reason->setFocus();
        QTest::keyClick(reason, Qt::Key_A, Qt::ControlModifier);
        QGuiApplication::clipboard()->setText(QStringLiteral("Kártérítés, nem ellenérték")); // pasted
        QTest::keyClick(reason, Qt::Key_V, Qt::ControlModifier);
        QTest::mouseClick(ModalDriver::button(w, QStringLiteral("OK")), Qt::LeftButton);
    });
    Query& rates = s->data.query(QStringLiteral("ZQ90"));
    for (int r = 0; r < rates.rowCount(); ++r)
        if (rates.text(r, QStringLiteral("kAfakod")) == u"4")
            rates.setCurrentRow(r);
    press(list.get(), "Modosit");
    QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    QCOMPARE(s->db.rows(QStringLiteral("SELECT kAfa, kNavTipus, kNavKod, kNavIndok FROM afa WHERE kAfakod = '4'")),
             QStringList{QStringLiteral("0|VAT_OUT_OF_SCOPE|ATK|Kártérítés, nem ellenérték")});
    QCOMPARE(nav::issueInvoice(s->data, QStringLiteral("20240001")), QString());
    QVERIFY(nav::storedDocument(s->data, QStringLiteral("20240001"))->contains("<case>ATK</case>"));
}

QTEST_MAIN(TestNavIssue)
#include "tst_navissue.moc"
