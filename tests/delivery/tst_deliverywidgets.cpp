// The delivery-note dialogs wired to their models: a note walked from "Új" through "Nyomtat" and
// into an invoice by clicks and keys on the real widgets, with screenshots of every screen.
#include "deliveryfixture.h"

#include "invoice/invoicecomposer.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace orvena;
using test::DeliveryFixture;
using Kind = test::FakeUserInterface::Kind;

namespace {

// Builds the real dialogs of the delivery screens through their registration and lets the test
// act on each one while it is shown; the master-data choosers are played by scripts on their
// shared queries.
class WidgetOpener : public ScreenOpener {
public:
    using DialogScript = std::function<void(QDialog*)>;
    ScreenRegistry registry;
    std::map<Screen, DialogScript> dialogScripts;
    std::map<Screen, std::function<void()>> listScripts;
    std::vector<Screen> opened;

    void open(Screen screen, const ScreenRequest& request = {}) override
    {
        opened.push_back(screen);
        if (const auto it = listScripts.find(screen); it != listScripts.end()) {
            it->second();
            return;
        }
        std::unique_ptr<QDialog> dialog(registry.create(screen, request));
        if (!dialog)
            return;
        dialog->show();
        QApplication::processEvents();
        if (const auto it = dialogScripts.find(screen); it != dialogScripts.end())
            it->second(dialog.get());
    }
    bool canOpen(Screen screen) const override { return registry.canOpen(screen) || listScripts.count(screen); }
};

template<typename T>
T* child(QWidget* parent, const char* name)
{
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qWarning("missing widget %s", name);
    return w;
}

void saveShot(QWidget* widget, const QString& name)
{
    const QString dir = QStringLiteral(ORVENA_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    QApplication::processEvents();
    widget->grab().save(dir + u'/' + name + QStringLiteral(".png"));
}

// The read-only value a details page shows beside a caption.
QString valueBeside(QWidget* page, const QString& caption)
{
    for (QLabel* label : page->findChildren<QLabel*>()) {
        auto* grid = qobject_cast<QGridLayout*>(label->parentWidget()->layout());
        if (label->text() != caption || !label->isVisible() || !grid)
            continue;
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
        if (auto* value = qobject_cast<QLineEdit*>(grid->itemAtPosition(row, column + 1)->widget()))
            return value->text();
    }
    return QStringLiteral("<no %1>").arg(caption);
}

} // namespace

class DeliveryWidgetsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<DeliveryFixture> f;
    test::TestSession& s() { return *f->session; }
    Query& q(const char* id) { return s().data.query(QString::fromLatin1(id)); }

private slots:
    void initTestCase() { f = std::make_unique<DeliveryFixture>(); }
    void init() { f->reset(); }
    void cleanupTestCase() { f.reset(); }

    void noteFromNewThroughPrintIntoInvoice()
    {
        WidgetOpener opener;
        ScreenContext context{s().data, s().state, s().ui, opener, &f->presenter};
        registerDeliveryScreens(opener.registry);
        opener.registry.setContext(&context);
        opener.listScripts[Screen::CustomerList] = [this] {
            q("ZQ30").setSql({QStringLiteral("SELECT * FROM vevo ORDER BY vkod")});
            q("ZQ30").open();
            q("ZQ30").locate("vKod", QStringLiteral("3"));
        };
        opener.listScripts[Screen::ArticleList] = [this] {
            q("ZQ40").setSql({QStringLiteral("SELECT * FROM cikk ORDER BY cmegn")});
            q("ZQ40").open();
            q("ZQ40").locate("cMegn", s().state.rememberedKey(QStringLiteral("cikk")));
        };
        s().state.functionKeys->setText(QStringLiteral("Első szöveg\nMásodik szöveg"));

        // the line screen: an article chosen by its first letters, a quantity typed by key
        opener.dialogScripts[Screen::DeliveryLine] = [](QDialog* line) {
            QCOMPARE(line->objectName(), QStringLiteral("TForm21"));
            QCOMPARE(line->windowTitle(), QStringLiteral("Új szállító sor"));
            QTest::keyClicks(child<QLineEdit>(line, "description"), QStringLiteral("plat"));
            child<QPushButton>(line, "articleButton")->click();
            QCOMPARE(child<QLineEdit>(line, "description")->text(), QStringLiteral("Platómérleg 300 kg"));
            QCOMPARE(child<QLineEdit>(line, "articleNumber")->text(), QStringLiteral("TM-350"));
            QLineEdit* quantity = child<QLineEdit>(line, "quantity");
            quantity->clear();
            QTest::keyClicks(quantity, QStringLiteral("2x,5"));
            QCOMPARE(quantity->text(), QStringLiteral("2,5"));
            QTest::keyClicks(child<QPlainTextEdit>(line, "memo"), QStringLiteral("raklapon"));
            saveShot(line, QStringLiteral("TForm21"));
            child<QPushButton>(line, "okButton")->click();
            QCOMPARE(line->result(), int(QDialog::Accepted));
        };

        // the composition screen: customer, a line, F-key texts, "OK"
        QString composedNumber;
        opener.dialogScripts[Screen::DeliveryComposer] = [&](QDialog* composer) {
            QCOMPARE(composer->objectName(), QStringLiteral("TForm20"));
            composedNumber = child<QLineEdit>(composer, "number")->text();
            QCOMPARE(composedNumber, QStringLiteral("20100001"));
            child<QPushButton>(composer, "customerButton")->click();
            QCOMPARE(child<QLineEdit>(composer, "paymentMethod")->text(), QStringLiteral("átutalás"));
            // leaving the fulfilment date for the next field sets the due date by the customer's term
            QApplication::setActiveWindow(composer);
            QLineEdit* fulfilment = child<QLineEdit>(composer, "fulfilmentDate");
            fulfilment->setFocus();
            fulfilment->selectAll();
            QTest::keyClicks(fulfilment, QStringLiteral("2010.03.01"));
            QTest::keyClick(fulfilment, Qt::Key_Tab);
            QCOMPARE(child<QLineEdit>(composer, "dueDate")->text(), QStringLiteral("2010.03.31"));
            QTest::keyClicks(child<QLineEdit>(composer, "contract"), QStringLiteral("SZ-42"));
            QLineEdit* remark = child<QLineEdit>(composer, "remark");
            QTest::keyClick(remark, Qt::Key_F3);
            QCOMPARE(remark->text(), QStringLiteral("Második szöveg"));
            QPlainTextEdit* message = child<QPlainTextEdit>(composer, "message");
            QTest::keyClick(message, Qt::Key_F2);
            QCOMPARE(message->toPlainText(), QStringLiteral("Első szöveg"));
            child<QPushButton>(composer, "newLineButton")->click();
            QTableView* grid = child<QTableView>(composer, "lineGrid");
            QCOMPARE(grid->model()->rowCount(), 1);
            QCOMPARE(grid->model()->index(0, 3).data().toString(), QStringLiteral("Platómérleg 300 kg"));
            saveShot(composer, QStringLiteral("TForm20"));
            auto* tabs = child<QTabWidget>(composer, "headerTabs");
            tabs->setCurrentIndex(1);
            saveShot(composer, QStringLiteral("TForm20-vevo"));
            tabs->setCurrentIndex(2);
            saveShot(composer, QStringLiteral("TForm20-szallito"));
            child<QPushButton>(composer, "okButton")->click();
            QCOMPARE(s().ui.texts(), QStringList());
            QCOMPARE(composer->result(), int(QDialog::Accepted));
        };

        std::unique_ptr<QDialog> reg(opener.registry.create(Screen::DeliveryRegister));
        QVERIFY(reg);
        QCOMPARE(reg->objectName(), QStringLiteral("TForm19"));
        QCOMPARE(reg->property("helpContext").toInt(), 1);
        reg->show();
        QApplication::processEvents();

        child<QPushButton>(reg.get(), "newButton")->click();
        QCOMPARE(f->db().rows("SELECT lBszam, lvKod, lSzerz, lMegj, lmemo FROM szlevfej"),
                 QStringList{"20100001|3|SZ-42|Második szöveg|Első szöveg"});
        QCOMPARE(f->db().rows("SELECT ecKod, eMenny, eMemo FROM szlevsor"), QStringList{"3|2,5|raklapon"});
        // the register stands on the note just composed
        QCOMPARE(child<QLineEdit>(reg.get(), "header_lBszam")->text(), composedNumber);
        auto* tabs = child<QTabWidget>(reg.get(), "tabs");
        tabs->setCurrentIndex(1);
        QCOMPARE(child<QTableView>(reg.get(), "lineGrid")->model()->rowCount(), 1);
        saveShot(reg.get(), QStringLiteral("TForm19-tetelek"));
        // the customer's and the issuer's details beside their own captions
        f->db().exec(QStringLiteral("UPDATE vevo SET vSwift = 'GYORHUHB', vEmail = 'iroda@gyor.hu' WHERE vKod = '3'"));
        f->db().exec(QStringLiteral("UPDATE szallito SET zSwift = 'OTPVHUHB', zBankszla2 = '11773016-00000002'"));
        const std::pair<int, std::vector<std::pair<QString, QString>>> pages[] = {
            {2,
             {{QStringLiteral("Vevö neve:"), QStringLiteral("vNeve")},
              {QStringLiteral("Kód:"), QStringLiteral("vID")},
              {QStringLiteral("Cime:"), QStringLiteral("CONCAT_WS(' ', vIrszam, vHely, vUtca)")},
              {QStringLiteral("Adószám:"), QStringLiteral("vAdo")},
              {QStringLiteral("Swith:"), QStringLiteral("vSwift")},
              {QStringLiteral("E-mail:"), QStringLiteral("vEmail")}}},
            {3,
             {{QStringLiteral("Szállító neve:"), QStringLiteral("TRIM(CONCAT_WS(' ', zNev1, NULLIF(zNev2, '')))")},
              {QStringLiteral("Swith:"), QStringLiteral("zSwift")},
              {QStringLiteral("Bank:"),
               QStringLiteral("CONCAT_WS(' ', NULLIF(zBanknev, ''), NULLIF(zBankszla, ''), NULLIF(zBankszla2, ''))")}}}};
        for (const auto& [tab, captions] : pages) {
            tabs->setCurrentIndex(tab);
            const QString table = tab == 2 ? QStringLiteral("vevo WHERE vKod = '3'") : QStringLiteral("szallito LIMIT 1");
            for (const auto& [caption, expression] : captions)
                QCOMPARE(valueBeside(tabs->currentWidget(), caption),
                         f->db().scalar(QStringLiteral("SELECT %1 FROM %2").arg(expression, table)));
        }
        tabs->setCurrentIndex(2);
        saveShot(reg.get(), QStringLiteral("TForm19-vevo"));
        tabs->setCurrentIndex(0);
        saveShot(reg.get(), QStringLiteral("TForm19"));

        // "Nyomtat": four copies through the print routine, the note marked printed
        child<QPushButton>(reg.get(), "printButton")->click();
        QCOMPARE(f->presenter.titles.size(), 1);
        QCOMPARE(child<QLineEdit>(reg.get(), "header_lPrn")->text(), QStringLiteral("I"));

        // a printed note: "Módosít" refuses, the J key opens it all the same
        int modifyOpened = 0;
        opener.dialogScripts[Screen::DeliveryComposer] = [&modifyOpened](QDialog* composer) {
            ++modifyOpened;
            QCOMPARE(child<QLineEdit>(composer, "contract")->text(), QStringLiteral("SZ-42"));
            child<QPushButton>(composer, "cancelButton")->click();
        };
        QPushButton* modify = child<QPushButton>(reg.get(), "modifyButton");
        modify->click();
        QCOMPARE(s().ui.texts(Kind::Notice), QStringList{"Nyomtatott Szlev. nem módositható !"});
        QCOMPARE(modifyOpened, 0);
        QTest::keyClick(modify, Qt::Key_J);
        QCOMPARE(modifyOpened, 1);

        // the reset tab shows the next number and accepts digits only
        tabs->setCurrentIndex(4);
        QLineEdit* reset = child<QLineEdit>(reg.get(), "resetNumber");
        QCOMPARE(reset->text(), QStringLiteral("20100002"));
        saveShot(reg.get(), QStringLiteral("TForm19-sorszam"));
        reset->clear();
        QTest::keyClicks(reset, QStringLiteral("2010a0100"));
        QCOMPARE(reset->text(), QStringLiteral("20100100"));
        child<QPushButton>(reg.get(), "storeResetButton")->click();
        QCOMPARE(f->db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100100"));
        reg->reject();

        // into an invoice: the register opens as a chooser and "Kiválaszt" hands over its note
        opener.dialogScripts[Screen::DeliveryRegister] = [](QDialog* chooser) {
            QCOMPARE(child<QLineEdit>(chooser, "header_lBszam")->text(), QStringLiteral("20100001"));
            child<QPushButton>(chooser, "chooseButton")->click();
            QCOMPARE(chooser->result(), int(QDialog::Accepted));
        };
        registerInvoiceScreens(opener.registry);
        std::unique_ptr<QDialog> invoice(opener.registry.create(Screen::InvoiceComposer, {EditMode::New}));
        QVERIFY(invoice);
        invoice->show();
        QApplication::processEvents();
        auto* paymentMethod =
            invoice->findChild<QLineEdit*>(QStringLiteral("field%1").arg(InvoiceComposer::PaymentMethod));
        QVERIFY(paymentMethod);
        QCOMPARE(paymentMethod->text(), QString());
        child<QPushButton>(invoice.get(), "fromDeliveryButton")->click();
        QCOMPARE(s().ui.texts(Kind::ErrorReport), QStringList());
        // the invoice made from the printed note starts unprinted
        QCOMPARE(f->db().rows("SELECT fBszam, fvKod, fPrn FROM szlafej"), QStringList{"20100001|3| "});
        QCOMPARE(f->db().rows("SELECT sMegn, sMenny, sEar FROM szlasor"), QStringList{"Platómérleg 300 kg|2,5|89900"});
        // the screen now shows the stored invoice and modifies it
        QCOMPARE(paymentMethod->text(), QStringLiteral("átutalás"));
        QVERIFY(!invoice->findChild<InvoiceComposer*>()->isNewInvoice());
        saveShot(invoice.get(), QStringLiteral("TForm9-szlevelbol"));
    }

    void lineScreenRefusesAndKeepsTyping()
    {
        ScreenRegistry registry;
        registerDeliveryScreens(registry);
        registry.setContext(&s().context);
        std::unique_ptr<QDialog> line(registry.create(Screen::DeliveryLine, {EditMode::New, DocumentRef{QStringLiteral("20100001")}}));
        QVERIFY(line);
        line->show();
        QTest::keyClicks(child<QLineEdit>(line.get(), "description"), QStringLiteral("Kezi sor"));
        child<QPushButton>(line.get(), "okButton")->click();
        QCOMPARE(s().ui.texts(), QStringList{"A mennyiség nulla!"});
        QVERIFY(line->isVisible());
        QCOMPARE(child<QLineEdit>(line.get(), "description")->text(), QStringLiteral("Kezi sor"));
    }
};

QTEST_MAIN(DeliveryWidgetsTest)
#include "tst_deliverywidgets.moc"
