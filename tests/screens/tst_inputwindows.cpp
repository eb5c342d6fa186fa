// Field input through the real windows: what is typed or pasted (clipboard and Ctrl+V) is what
// the field shows and what is stored; half-typed numbers are no error; finished values are
// checked in Hungarian before anything is written; a focused field's text is replaced by typing;
// Enter in the export folder field starts the export. Real message boxes, database read back.
#include "support/fakes.h"
#include "support/modaldriver.h"

#include "invoice/invoicecomposer.h"
#include "invoice/invoiceline.h"
#include "invoice/invoicetexts.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace orvena;
using namespace orvena::test;

namespace {

QString lineField(int f)
{
    return QStringLiteral("field%1").arg(f);
}

} // namespace

class InputWindowsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestSession> s;
    std::unique_ptr<GuiUserInterface> gui;
    std::unique_ptr<ScreenRegistry> registry;
    std::unique_ptr<ScreenContext> context;

    QStringList rows(const QString& sql) { return s->db.rows(sql); }

    static void click(QWidget* window, const QString& name)
    {
        auto* b = window->findChild<QPushButton*>(name);
        if (!b) {
            qWarning("no button %s", qPrintable(name));
            return;
        }
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static QLineEdit* edit(QWidget* window, const QString& name) { return window->findChild<QLineEdit*>(name); }
    // Types text key by key, letters outside ASCII (á, ő) included.
    static void typeText(QWidget* field, const QString& text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(field, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    static void typeInto(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        typeText(field, text);
    }
    // What an operator does to replace a field's text with the clipboard's.
    static void pasteInto(QLineEdit* field, const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }

    bool run(Screen screen, ModalDriver& driver, const ScreenRequest& request = {EditMode::New})
    {
        QTimer rescue;
        connect(&rescue, &QTimer::timeout, this, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
        rescue.start(20000);
        registry->open(screen, request);
        const bool ok = driver.wait(2000);
        if (!ok)
            qWarning() << driver.failures();
        return ok;
    }

    // A new line of this invoice, as its composition screen opens the line screen.
    static ScreenRequest newLineFor(const QString& number)
    {
        return {EditMode::New, DocumentRef{number, QStringLiteral("Ft")}};
    }

private slots:
    void init()
    {
        s = std::make_unique<TestSession>();
        s->db.reset(QStringLiteral("20100041"), QStringLiteral("20100007"));
        s->db.addDemoData();
        gui = std::make_unique<GuiUserInterface>();
        registry = std::make_unique<ScreenRegistry>();
        registerAllScreens(*registry);
        context = std::make_unique<ScreenContext>(ScreenContext{s->data, s->state, *gui, *registry});
        registry->setContext(context.get());
    }
    void cleanup()
    {
        context.reset();
        registry.reset();
        gui.reset();
        s.reset();
    }

    // Pasting "1.5" into the quantity and "2.5" into the price reads the dot as the decimal sign
    // (neither is a thousands group), as shown and as stored; the VAT rate, which goes with its VAT
    // code, takes no paste; the line note keeps its two lines with CR LF like every memo.
    void pastedNumbersAreStoredAsShown()
    {
        using F = InvoiceLineEditor;
        ModalDriver driver;
        QStringList shown;
        driver.window(QStringLiteral("TForm10"), [&](QWidget* line) {
            typeInto(edit(line, lineField(F::ArticleName)), QStringLiteral("Beillesztett tétel"));
            pasteInto(edit(line, lineField(F::Quantity)), QStringLiteral("1.5"));
            pasteInto(edit(line, lineField(F::UnitPrice)), QStringLiteral("2.5"));
            pasteInto(edit(line, lineField(F::VatRate)), QStringLiteral("1.8"));
            for (int f : {F::Quantity, F::UnitPrice, F::VatRate, F::Net})
                shown << edit(line, lineField(f))->text();
            auto* note = line->findChild<QPlainTextEdit*>(lineField(F::Note));
            note->setFocus();
            typeText(note, QStringLiteral("első sor"));
            QTest::keyClick(note, Qt::Key_Return);
            typeText(note, QStringLiteral("második sor"));
            click(line, QStringLiteral("okButton"));
        });
        QVERIFY(run(Screen::InvoiceLine, driver, newLineFor(QStringLiteral("20100042"))));
        QCOMPARE(shown, (QStringList{QStringLiteral("1.5"), QStringLiteral("2.5"), QStringLiteral("27"),
                                     QStringLiteral("3,75")}));
        QCOMPARE(rows(QStringLiteral("SELECT sMegn, sMenny, sEar, sAfa, skAfakod, smemo FROM szlasor WHERE sBszam = "
                                     "'20100042'")),
                 QStringList{QStringLiteral("Beillesztett tétel|1,5|2,5|27|1|első sor\r\nmásodik sor")});
    }

    // "Árfolyam" on the composition screen: the pasted value as shown is the model's value; a
    // date that does not exist is reported in Hungarian when the field is left.
    void composerFieldsShowWhatTheyHold()
    {
        ModalDriver driver;
        QString rateShown, rateHeld;
        driver
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        auto* model = composer->findChild<InvoiceComposer*>();
                        QLineEdit* rate = edit(composer, lineField(InvoiceComposer::ExchangeRate));
                        pasteInto(rate, QStringLiteral("1.5"));
                        rateShown = rate->text();
                        rateHeld = model ? model->field(InvoiceComposer::ExchangeRate) : QString();
                        QLineEdit* date = edit(composer, lineField(InvoiceComposer::PerformanceDate));
                        typeInto(date, QStringLiteral("2026.02.30"));
                        QTest::keyClick(date, Qt::Key_Tab);
                        click(composer, QStringLiteral("cancelButton"));
                    })
            .box(QStringLiteral("A(z) '2026.02.30' nem érvényes dátum."), QStringLiteral("OK"));
        QVERIFY(run(Screen::InvoiceComposer, driver));
        // a rate's dot is its decimal sign: 1,5 as read at OK
        QCOMPARE(rateShown, QStringLiteral("1.5"));
        QCOMPARE(rateHeld, QStringLiteral("1.5"));
    }

    // A number being typed ("-", "-2,") brings no box; only the finished value is checked, in
    // Hungarian, before anything is written: "-" alone, "0,0", and a price beyond its column.
    void onlyFinishedNumbersAreChecked()
    {
        using F = InvoiceLineEditor;
        ModalDriver driver;
        QString whileTyping, netWhileTyping;
        QStringList afterMessages;
        driver
            .window(QStringLiteral("TForm10"),
                    [&](QWidget* line) {
                        typeInto(edit(line, lineField(F::ArticleName)), QStringLiteral("Tétel"));
                        typeInto(edit(line, lineField(F::UnitPrice)), QStringLiteral("100"));
                        QLineEdit* quantity = edit(line, lineField(F::Quantity));
                        typeInto(quantity, QStringLiteral("-"));
                        typeText(quantity, QStringLiteral("2,"));
                        QTest::qWait(50); // a box, if any, would be up now
                        typeText(quantity, QStringLiteral("5"));
                        whileTyping = quantity->text();
                        netWhileTyping = edit(line, lineField(F::Net))->text();

                        typeInto(quantity, QStringLiteral("-"));
                        click(line, QStringLiteral("okButton")); // not a number
                        QApplication::processEvents();
                        afterMessages << quantity->selectedText();
                        typeInto(quantity, QStringLiteral("0,0"));
                        click(line, QStringLiteral("okButton")); // zero
                        typeInto(quantity, QStringLiteral("1"));
                        typeInto(edit(line, lineField(F::UnitPrice)), QStringLiteral("123456789012345"));
                        click(line, QStringLiteral("okButton")); // beyond the column
                        afterMessages << edit(line, lineField(F::UnitPrice))->selectedText();
                        click(line, QStringLiteral("cancelButton"));
                    })
            .box(QStringLiteral("Mennyiség: A(z) '-' nem érvényes szám."), QStringLiteral("OK"))
            .box(QStringLiteral("A mennyiség nulla!"), QStringLiteral("OK"))
            .box(QStringLiteral("A(z) \"Egységár\" mező értéke (123456789012345) túl nagy"), QStringLiteral("OK"));
        QVERIFY(run(Screen::InvoiceLine, driver, newLineFor(QStringLiteral("20100042"))));
        QCOMPARE(whileTyping, QStringLiteral("-2,5"));
        QCOMPARE(netWhileTyping, QStringLiteral("-250,00"));
        // the field the message points at has its text selected, so typing replaces it
        QCOMPARE(afterMessages, (QStringList{QStringLiteral("-"), QStringLiteral("123456789012345")}));
        QVERIFY(rows(QStringLiteral("SELECT sID FROM szlasor")).isEmpty());
    }

    // A character latin2 cannot hold, pasted into a document screen, is refused at once with the
    // clear message; the rest of the paste stays and is stored.
    void unstorableCharactersAreRefusedWhereTyped()
    {
        using F = InvoiceLineEditor;
        ModalDriver driver;
        QString shown;
        driver
            .window(QStringLiteral("TForm10"),
                    [&](QWidget* line) {
                        QLineEdit* name = edit(line, lineField(F::ArticleName));
                        pasteInto(name, QStringLiteral("Kávé 5€ ") + QString::fromUtf8("\xF0\x9F\x98\x80"));
                        QTest::qWait(100); // the box comes once the paste is done
                        shown = name->text();
                        typeInto(edit(line, lineField(F::Quantity)), QStringLiteral("2"));
                        typeInto(edit(line, lineField(F::UnitPrice)), QStringLiteral("350"));
                        click(line, QStringLiteral("okButton"));
                    })
            .box(QStringLiteral("A(z) \"€\" karakter (U+20AC) nem tárolható"), QStringLiteral("OK"));
        QVERIFY(run(Screen::InvoiceLine, driver, newLineFor(QStringLiteral("20100042"))));
        QCOMPARE(shown, QStringLiteral("Kávé 5 "));
        QCOMPARE(rows(QStringLiteral("SELECT sMegn FROM szlasor")), QStringList{QStringLiteral("Kávé 5 ")});
    }

    // Every digit of a price reaches its DECIMAL column: no 15-digit rounding on the way.
    void amountsKeepEveryDigit()
    {
        using F = InvoiceLineEditor;
        ModalDriver driver;
        driver.window(QStringLiteral("TForm10"), [&](QWidget* line) {
            typeInto(edit(line, lineField(F::ArticleName)), QStringLiteral("Drága tétel"));
            typeInto(edit(line, lineField(F::Quantity)), QStringLiteral("1"));
            typeInto(edit(line, lineField(F::UnitPrice)), QStringLiteral("12345678901234,5678"));
            click(line, QStringLiteral("okButton"));
        });
        QVERIFY(run(Screen::InvoiceLine, driver, newLineFor(QStringLiteral("20100042"))));
        QCOMPARE(rows(QStringLiteral("SELECT CAST(sEar AS CHAR) FROM szlasor")),
                 QStringList{QStringLiteral("12345678901234.5678")});
    }

    // The reset field of the delivery-note register: "20.100.099" pasted shows and stores 20100099.
    void pastedResetNumberIsStoredAsShown()
    {
        ModalDriver driver;
        QString shown;
        driver.window(QStringLiteral("TForm19"), [&](QWidget* reg) {
            auto* tabs = reg->findChild<QTabWidget*>(QStringLiteral("tabs"));
            tabs->setCurrentIndex(tabs->count() - 1);
            QLineEdit* field = edit(reg, QStringLiteral("resetNumber"));
            pasteInto(field, QStringLiteral("20.100.099"));
            shown = field->text();
            click(reg, QStringLiteral("storeResetButton"));
            reg->close();
        });
        QVERIFY(run(Screen::DeliveryRegister, driver));
        QCOMPARE(shown, QStringLiteral("20100099"));
        QCOMPARE(rows(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '2'")), QStringList{QStringLiteral("20100099")});
    }

    // Enter in the export folder field starts the export.
    void enterInTheExportFolderExports()
    {
        // a folder the server may write into: inside its secure_file_priv, open to its account
        QTemporaryDir dir(s->db.scalar(QStringLiteral("SELECT @@secure_file_priv")) + QStringLiteral("/enter-XXXXXX"));
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::WriteOther
                                              | QFileDevice::ExeOther);
        const QString folder = dir.path() + u'/';
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm12"),
                    [&](QWidget* form) {
                        QLineEdit* field = edit(form, QStringLiteral("Edit1"));
                        typeInto(field, folder);
                        QTest::keyClick(field, Qt::Key_Return);
                        click(form, QStringLiteral("Button2"));
                    })
            .box(QStringLiteral("Export vége."), QStringLiteral("OK"));
        QVERIFY(run(Screen::Export, driver));
        QVERIFY(QFile::exists(folder + QStringLiteral("vevo.txt")));
        QVERIFY(QFile::exists(folder + QStringLiteral("SzlaSor.txt")));
    }
};

QTEST_MAIN(InputWindowsTest)
#include "tst_inputwindows.moc"
