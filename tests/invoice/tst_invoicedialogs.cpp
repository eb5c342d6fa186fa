// The invoice dialogs driven like an operator (offscreen): one invoice from "Új" in the register
// through the composition and line screens to "Nyomtat" and "Storno", with the preview closed by
// the test, and screenshots of the three screens.
#include "support/fakes.h"

#include "db/setup.h"

#include "invoice/ui/invoicecomposerdialog.h"
#include "invoice/ui/invoicelinedialog.h"
#include "reports/ui/reportpreview.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace orvena;
using namespace orvena::test;

class TestInvoiceDialogs : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestSession> s;
    std::unique_ptr<ScreenRegistry> registry;
    std::unique_ptr<ScreenContext> context;
    reports::PreviewReportPresenter presenter;
    QString customerToChoose = QStringLiteral("2");

    // Runs fn on the modal window called name as soon as it is the active modal window.
    void onModal(const QString& name, std::function<void(QDialog*)> fn)
    {
        auto* timer = new QTimer(this);
        auto tries = std::make_shared<int>(0);
        connect(timer, &QTimer::timeout, this, [timer, name, fn, tries] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (modal && (modal->objectName() == name || (name.isEmpty() && modal->objectName() != "TForm8"))) {
                timer->stop();
                timer->deleteLater();
                fn(modal);
            } else if (++*tries > 250) {
                timer->stop();
                timer->deleteLater();
                qWarning("modal window %s never appeared", qPrintable(name));
            }
        });
        timer->start(20);
    }
    static void click(QWidget* window, const char* button)
    {
        auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
        QVERIFY2(b, button);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static void type(QWidget* window, int field, const QString& text)
    {
        auto* edit = window->findChild<QLineEdit*>(QStringLiteral("field%1").arg(field));
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static QString shown(QWidget* window, const QString& name)
    {
        auto* edit = window->findChild<QLineEdit*>(name);
        return edit ? edit->text() : QStringLiteral("<missing %1>").arg(name);
    }
    static void screenshot(QWidget* w, const QString& name)
    {
        QDir().mkpath(QStringLiteral(ORVENA_SCREENSHOT_DIR));
        QVERIFY(w->grab().save(QStringLiteral(ORVENA_SCREENSHOT_DIR "/%1.png").arg(name)));
    }
    // One line typed on the line screen, stored with "OK".
    void addLine(QDialog* composer, const QString& name, const QString& quantity, const QString& price)
    {
        onModal(QStringLiteral("TForm10"), [=](QDialog* line) {
            type(line, InvoiceLineEditor::ArticleName, name);
            type(line, InvoiceLineEditor::Quantity, quantity);
            type(line, InvoiceLineEditor::UnitPrice, price);
            QCOMPARE(shown(line, QStringLiteral("field%1").arg(InvoiceLineEditor::Currency)), QStringLiteral("Ft"));
            if (name.startsWith(u'K'))
                screenshot(line, QStringLiteral("TForm10_line"));
            click(line, "okButton");
        });
        click(composer, "newLineButton");
    }

private slots:
    void init()
    {
        s = std::make_unique<TestSession>();
        s->db.reset(QStringLiteral("20100041"));
        s->db.addDemoData();
        registry = std::make_unique<ScreenRegistry>();
        registerInvoiceScreens(*registry);
        // The customer chooser as the operator leaves it: positioned on the chosen customer.
        registry->add(Screen::CustomerList, [this](ScreenContext& c, QWidget* parent) -> QDialog* {
            Query& q = c.data.query(QStringLiteral("ZQ30"));
            q.setSql({QStringLiteral("SELECT * FROM vevo ORDER BY vKod")});
            q.open();
            q.locate(QStringLiteral("vKod"), customerToChoose);
            auto* d = new QDialog(parent);
            d->setObjectName(QStringLiteral("customerList"));
            return d;
        });
        context = std::make_unique<ScreenContext>(ScreenContext{s->data, s->state, s->ui, *registry, &presenter});
        registry->setContext(context.get());
        QDir::setCurrent(QStringLiteral(ORVENA_SOURCE_DIR "/templates"));
    }
    void cleanup()
    {
        // a window a test expected but the program refused to open leaves its watcher behind;
        // it must not act on the next test's windows (nor touch the ended test's variables)
        qDeleteAll(findChildren<QTimer*>(Qt::FindDirectChildrenOnly));
        context.reset();
        registry.reset();
        s.reset();
    }

    void invoiceFromNewToStorno()
    {
        std::unique_ptr<QDialog> reg(registry->create(Screen::InvoiceRegister));
        QVERIFY(reg);
        QCOMPARE(reg->property("helpContext").toInt(), 2);
        reg->show();
        QVERIFY(QTest::qWaitForWindowExposed(reg.get()));

        bool composed = false;
        onModal(QStringLiteral("TForm9"), [&](QDialog* composer) {
            QCOMPARE(shown(composer, QStringLiteral("field0")), QStringLiteral("20100042"));
            QVERIFY(composer->findChild<QPushButton*>(QStringLiteral("fromDeliveryButton")));
            onModal(QStringLiteral("customerList"), [](QDialog* list) { list->accept(); });
            click(composer, "customerButton");
            QCOMPARE(shown(composer, QStringLiteral("field%1").arg(InvoiceComposer::PaymentMethod)),
                     QStringLiteral("átutalás"));
            addLine(composer, QStringLiteral("Konyhai merleg"), QStringLiteral("3"), QStringLiteral("1000"));
            addLine(composer, QStringLiteral("Hitelesites"), QStringLiteral("1"), QStringLiteral("15000"));
            addLine(composer, QStringLiteral("Szervizoradij"), QStringLiteral("2,5"), QStringLiteral("9500"));
            QCOMPARE(composer->findChild<QTableView*>(QStringLiteral("lineGrid"))->model()->rowCount(), 3);
            QCOMPARE(shown(composer, QStringLiteral("field%1").arg(InvoiceComposer::GrandTotal)),
                     QStringLiteral("53 022,50"));
            screenshot(composer, QStringLiteral("TForm9_composer"));
            click(composer, "okButton");
            composed = true;
        });
        click(reg.get(), "newButton");
        QVERIFY(composed);
        QTRY_COMPARE(shown(reg.get(), QStringLiteral("header_fBszam")), QStringLiteral("20100042"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '1'")), QStringLiteral("20100042"));

        // Printing from the preview marks the invoice; once the preview is closed the register
        // shows the flag.
        bool previewed = false;
        QTemporaryDir printed;
        onModal(QString(), [&](QDialog* preview) {
            previewed = true;
            auto* dialog = qobject_cast<reports::ReportPreviewDialog*>(preview);
            QVERIFY(dialog && dialog->saveAsPdf(printed.filePath(QStringLiteral("szamla.pdf"))));
            preview->reject();
        });
        click(reg.get(), "printButton");
        QVERIFY(previewed);
        QVERIFY2(s->ui.texts(FakeUserInterface::Kind::ErrorReport).isEmpty(),
                 qPrintable(s->ui.texts().join(u'\n')));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100042'")), QStringLiteral("I"));
        QTRY_COMPARE(shown(reg.get(), QStringLiteral("header_fPrn")), QStringLiteral("I"));
        screenshot(reg.get(), QStringLiteral("TForm8_register"));

        // A printed invoice is refused by "Módosít"; issued (its invoice-data row written), the
        // "J" key refuses it as well and points to the storno.
        click(reg.get(), "modifyButton");
        QCOMPARE(s->ui.last(), QStringLiteral("Nyomtatott Szla nem módositható !"));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT nAllapot FROM szlanav WHERE nBszam = '20100042'")),
                 QStringLiteral("NEM_KULDENDO"));
        bool opened = false;
        onModal(QStringLiteral("TForm9"), [&](QDialog* composer) {
            opened = true;
            click(composer, "cancelButton");
        });
        auto* modify = reg->findChild<QPushButton*>(QStringLiteral("modifyButton"));
        modify->setFocus();
        QTest::keyClick(modify, Qt::Key_J);
        QVERIFY(!opened);
        QVERIFY2(s->ui.last().contains(QStringLiteral("storno")), qPrintable(s->ui.last()));

        s->ui.answer(true);
        click(reg.get(), "stornoButton");
        QCOMPARE(s->ui.last(), QStringLiteral("A számla STORNO -ja elkészült !"));
        QTRY_COMPARE(shown(reg.get(), QStringLiteral("header_fBszam")), QStringLiteral("20100043"));
        QCOMPARE(reg->findChild<QTableView*>(QStringLiteral("invoiceGrid"))->model()->rowCount(), 2);
    }

    // What the setup puts into a fresh installation is enough to issue an invoice once an issuer
    // and a customer are entered; without a label set "OK" says which button chooses one.
    void freshInstallationIssuesItsFirstInvoice()
    {
        s->db.reset(QStringLiteral("20100041"));
        DB_VERIFY(addBasicData(s->db.admin()));
        s->db.exec(QStringLiteral("INSERT INTO szallito (zKod, zSzam, zNev1, zIrszam, zHely, zUtca, zAdo) VALUES "
                                  "('1', '1', 'Első Bt.', '6720', 'Szeged', 'Fő utca 1.', '12345676-2-06')"));
        s->db.exec(QStringLiteral("INSERT INTO vevo (vKod, vSzam, vNeve, vIrszam, vHely, vUtca, vAdo, vFizmod, vFhat, vEnged, "
                                  "vPnem, vAfaStatusz, vOrszag) VALUES ('2', '2', 'Vevő Kft.', '1052', 'Budapest', "
                                  "'Váci utca 8.', '23456787-1-41', 'átutalás', 8, 0, 'Ft', 'DOMESTIC', 'HU')"));
        s->db.exec(QStringLiteral("DELETE FROM mezonev"));
        std::unique_ptr<QDialog> reg(registry->create(Screen::InvoiceRegister));
        QVERIFY(reg);
        reg->show();
        QVERIFY(QTest::qWaitForWindowExposed(reg.get()));
        bool refused = false;
        onModal(QStringLiteral("TForm9"), [&](QDialog* composer) {
            onModal(QStringLiteral("customerList"), [](QDialog* list) { list->accept(); });
            click(composer, "customerButton");
            addLine(composer, QStringLiteral("Merleg"), QStringLiteral("2"), QStringLiteral("1000"));
            click(composer, "okButton");
            refused = s->ui.last() == QStringLiteral("Nincs kiválasztva a számla nyelve (szótára)! Válasszon a „Nyelv” gombbal.");
            QTRY_COMPARE(composer->focusWidget(), composer->findChild<QWidget*>(QStringLiteral("languageButton")));
            click(composer, "cancelButton");
        });
        click(reg.get(), "newButton");
        QVERIFY2(refused, qPrintable(s->ui.texts().join(u'\n')));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafej")), QStringLiteral("0"));

        // The label set the setup makes is the new invoice's default.
        DB_VERIFY(addBasicData(s->db.admin()));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT mkod, mmegnev FROM mezonev")), QStringList{QStringLiteral("00002|Magyar")});
        onModal(QStringLiteral("TForm9"), [&](QDialog* composer) {
            QCOMPARE(shown(composer, QStringLiteral("field%1").arg(InvoiceComposer::LanguageName)), QStringLiteral("Magyar"));
            onModal(QStringLiteral("customerList"), [](QDialog* list) { list->accept(); });
            click(composer, "customerButton");
            // the line typed before went with that invoice's "Mégsem"
            addLine(composer, QStringLiteral("Merleg"), QStringLiteral("2"), QStringLiteral("1000"));
            click(composer, "okButton");
        });
        click(reg.get(), "newButton");
        QTRY_COMPARE(shown(reg.get(), QStringLiteral("header_fBszam")), QStringLiteral("20100042"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT fmKod, skAfakod, sAfa FROM szlafej JOIN szlasor ON sBszam = fBszam")),
                 QStringList{QStringLiteral("00002|1|27")});
        QTemporaryDir printed;
        onModal(QString(), [&](QDialog* preview) {
            auto* dialog = qobject_cast<reports::ReportPreviewDialog*>(preview);
            QVERIFY(dialog && dialog->saveAsPdf(printed.filePath(QStringLiteral("szamla.pdf"))));
            preview->reject();
        });
        click(reg.get(), "printButton");
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100042'")), QStringLiteral("I"));
    }

    void lineScreenKeys()
    {
        std::unique_ptr<QDialog> dialog(registry->create(Screen::InvoiceLine, {EditMode::New}));
        QVERIFY(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        auto* quantity = dialog->findChild<QLineEdit*>(QStringLiteral("field%1").arg(InvoiceLineEditor::Quantity));
        quantity->selectAll();
        QTest::keyClicks(quantity, QStringLiteral("1a2,5x"));
        QCOMPARE(quantity->text(), QStringLiteral("12,5"));
        // The VAT rate goes with its code: neither typing nor a click changes it.
        auto* rate = dialog->findChild<QLineEdit*>(QStringLiteral("field%1").arg(InvoiceLineEditor::VatRate));
        QCOMPARE(rate->text(), QStringLiteral("27"));
        QTest::mouseClick(rate, Qt::LeftButton);
        rate->setFocus();
        QTest::keyClick(rate, Qt::Key_Backspace);
        QTest::keyClicks(rate, QStringLiteral("5"));
        QCOMPARE(rate->text(), QStringLiteral("27"));
        QCOMPARE(shown(dialog.get(), QStringLiteral("field%1").arg(InvoiceLineEditor::VatCode)), QStringLiteral("1"));
        auto* unit = dialog->findChild<QLineEdit*>(QStringLiteral("field%1").arg(InvoiceLineEditor::Unit));
        QTest::mouseClick(unit, Qt::LeftButton);
        QCOMPARE(unit->text(), QStringLiteral("kg"));
        // Enter moves from the quantity to the unit field.
        quantity->setFocus();
        QTest::keyClick(quantity, Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(unit));
        // Enter on a focused button presses it: "Mégsem" closes the screen.
        auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"));
        cancel->setFocus();
        QTest::keyClick(cancel, Qt::Key_Return);
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlasor")), QStringLiteral("0"));
    }

    // "Módosít" then "OK" on a line changes nothing, whichever other VAT code shares its rate.
    void modifiedLineKeepsItsVatCode_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("type");
        QTest::newRow("KBAET beside the exempt AAM at 0 %") << 0 << QStringLiteral("VAT_EXEMPTION', 'KBAET");
        QTest::newRow("a second code at 27 %") << 27 << QStringLiteral("PERCENTAGE', '");
    }
    void modifiedLineKeepsItsVatCode()
    {
        QFETCH(int, rate);
        QFETCH(QString, type);
        DB_VERIFY(s->db.exec(QStringLiteral("INSERT INTO afa (kAfakod, kAfanev, kAfa, kNavTipus, kNavKod, kNavIndok) "
                                            "VALUES ('5', 'Különleges', %1, '%2', 'Indok')")
                                 .arg(rate)
                                 .arg(type)));
        DB_VERIFY(s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, "
                                            "sAfanev, sAfa) VALUES ('20100042', 'Mérleg', 2, 'db', 1000, 'Ft', '5', "
                                            "'Különleges', %1)")
                                 .arg(rate)));
        Query& lines = s->data.query(QStringLiteral("ZQ20"));
        lines.setSql({QStringLiteral("SELECT * FROM szlasor WHERE sBszam = '20100042'")});
        DB_VERIFY(lines.open());
        ScreenRequest request;
        request.mode = EditMode::Modify;
        request.document = DocumentRef{QStringLiteral("20100042"), QStringLiteral("Ft")};
        std::unique_ptr<QDialog> dialog(registry->create(Screen::InvoiceLine, request));
        QVERIFY(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QCOMPARE(shown(dialog.get(), QStringLiteral("field%1").arg(InvoiceLineEditor::VatCode)), QStringLiteral("5"));
        click(dialog.get(), "okButton");
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT skAfakod, sAfanev, sAfa FROM szlasor")),
                 QStringList{QStringLiteral("5|Különleges|%1").arg(rate)});
    }

    void composerKeys()
    {
        s->state.functionKeys->setText(QStringLiteral("első\nmásodik"));
        std::unique_ptr<QDialog> dialog(registry->create(Screen::InvoiceComposer, {EditMode::New}));
        QVERIFY(dialog);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        auto* composer = static_cast<InvoiceComposerDialog*>(dialog.get())->model();
        auto* remark = dialog->findChild<QLineEdit*>(QStringLiteral("field%1").arg(InvoiceComposer::Remark));
        remark->setFocus();
        QTest::keyClick(remark, Qt::Key_F3);
        QCOMPARE(composer->field(InvoiceComposer::Remark), QStringLiteral("második"));
        auto* message = dialog->findChild<QPlainTextEdit*>(QStringLiteral("field%1").arg(InvoiceComposer::Message));
        message->setFocus();
        QTest::keyClick(message, Qt::Key_F2);
        QTest::keyClick(message, Qt::Key_F3);
        QCOMPARE(composer->field(InvoiceComposer::Message), QStringLiteral("első\nmásodik"));
        auto* currency = dialog->findChild<QLineEdit*>(QStringLiteral("field%1").arg(InvoiceComposer::Currency));
        QTest::mouseClick(currency, Qt::LeftButton);
        QCOMPARE(composer->field(InvoiceComposer::Currency), QStringLiteral("HUF"));
        auto* date = dialog->findChild<QLineEdit*>(QStringLiteral("field%1").arg(InvoiceComposer::PerformanceDate));
        date->selectAll();
        QTest::keyClicks(date, QStringLiteral("2010x.05.10"));
        QCOMPARE(composer->field(InvoiceComposer::PerformanceDate), QStringLiteral("2010.05.10"));
        // Leaving the date before a customer is chosen is no error.
        QTest::keyClick(date, Qt::Key_Tab);
        QVERIFY(s->ui.texts().isEmpty());
    }
};

QTEST_MAIN(TestInvoiceDialogs)
#include "tst_invoicedialogs.moc"
