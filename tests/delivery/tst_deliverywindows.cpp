// The delivery-note screens as an operator uses them: the real dialogs (offscreen), the real
// message boxes and choosers, keys sent to the focused widget, and the database read back.
#include "support/invoiceseed.h"
#include "support/fakes.h"
#include "support/modaldriver.h"

#include "invoice/invoicecomposer.h"
#include "reports/ui/reportpreview.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace orvena;
using test::ModalDriver;

namespace {

// The focused widget, once the window that came back to the front has given it back.
QWidget* focused()
{
    QApplication::processEvents();
    for (int i = 0; i < 50 && !QApplication::focusWidget(); ++i) {
        // the offscreen platform has no window manager that activates a new modal window
        if (QWidget* modal = QApplication::activeModalWidget(); modal && !QApplication::activeWindow())
            modal->activateWindow();
        QTest::qWait(20);
    }
    if (!QApplication::focusWidget())
        qWarning("no focus: active %s modal %s",
                 QApplication::activeWindow() ? qPrintable(QApplication::activeWindow()->objectName()) : "-",
                 QApplication::activeModalWidget() ? qPrintable(QApplication::activeModalWidget()->objectName()) : "-");
    return QApplication::focusWidget();
}

// A key as the operator presses it: it goes to the widget that has the focus.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* w = focused();
    QVERIFY2(w, "no widget has the focus");
    QTest::keyClick(w, static_cast<Qt::Key>(key), modifiers);
}

// Typed text; letters outside ASCII (é, ő) arrive as key events carrying their text, as a
// Hungarian keyboard sends them.
void typeText(const QString& text)
{
    QWidget* w = focused();
    QVERIFY2(w, "no widget has the focus");
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(w, c.toLatin1());
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }
}

// Moves the focus with Tab until the widget called `name` of `window` has it.
bool tabTo(QWidget* window, const QString& name)
{
    QStringList visited;
    for (int i = 0; i < 400; ++i) {
        QWidget* w = focused();
        if (w && w->objectName() == name && window->isAncestorOf(w))
            return true;
        if (!w) {
            qWarning("tabTo %s: no focus after %s; active %s modal %s", qPrintable(name), qPrintable(visited.join(u' ')),
                     QApplication::activeWindow() ? qPrintable(QApplication::activeWindow()->objectName()) : "-",
                     QApplication::activeModalWidget() ? qPrintable(QApplication::activeModalWidget()->objectName()) : "-");
            return false;
        }
        if (visited.size() < 60)
            visited << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName());
        QTest::keyClick(w, Qt::Key_Tab);
    }
    qWarning("tabTo %s: visited %s", qPrintable(name), qPrintable(visited.join(u' ')));
    return false;
}

QString shown(QWidget* window, const char* name)
{
    auto* edit = window->findChild<QLineEdit*>(QString::fromLatin1(name));
    return edit ? edit->text() : QStringLiteral("<nincs %1>").arg(QString::fromLatin1(name));
}

// Closes every window of these names that opens although the flow must not open it.
class Forbidden : public QObject {
public:
    explicit Forbidden(QStringList names) : m_names(std::move(names))
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget()); d && m_names.contains(d->objectName())) {
                opened << d->objectName();
                d->reject();
            }
        });
        timer->start(20);
    }
    QStringList opened;

private:
    QStringList m_names;
};

} // namespace

class DeliveryWindowsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestSession> s;
    GuiUserInterface gui;
    std::unique_ptr<ScreenRegistry> registry;
    std::unique_ptr<ScreenContext> context;

    test::TestDatabase& db() { return s->db; }

    // Runs fn on a dialog of the flow; a failed check closes the dialog so the flow ends.
    static ModalDriver::Action guarded(std::function<void(QDialog*)> fn)
    {
        return [fn](QWidget* w) {
            auto* d = qobject_cast<QDialog*>(w);
            fn(d);
            if (QTest::currentTestFailed() && d && d->isVisible())
                d->reject();
        };
    }
    static void closePreview(QWidget* preview)
    {
        QTest::keyClick(preview, Qt::Key_Escape);
    }
    // "Nyomtat" marks the note once the document exists: written as PDF from the preview.
    static void printAndClosePreview(QWidget* preview)
    {
        QTemporaryDir printed;
        auto* dialog = qobject_cast<reports::ReportPreviewDialog*>(preview);
        QVERIFY(dialog && dialog->saveAsPdf(printed.filePath(QStringLiteral("szallito.pdf"))));
        closePreview(preview);
    }

    // A stored note with one line of each given description; lPrn as given.
    void storeNote(const QString& number, const QString& customer, const QStringList& lines, const QString& printed = " ")
    {
        db().exec(QStringLiteral("INSERT INTO szlevfej (lBszam, lvKod, lvSzam, lTkelt, lRkelt, lFkelt, lFizmod, lPrn, "
                                 "lPnem, lKerek, lArfoly, lmKod, lzKod, lzSzam) VALUES ('%1', '%2', '%2', '2010-05-03', "
                                 "'2010-05-03', '2010-05-18', 'kp.', '%3', 'Ft', 0, 0, '00002', '1', '1')")
                      .arg(number, customer, printed));
        for (const QString& line : lines)
            db().exec(QStringLiteral("INSERT INTO szlevsor (eBszam, ecKod, ecSzam, eMegn, eMenny, eMe) "
                                     "SELECT '%1', cKod, cSzam, cMegn, 2, cMe FROM cikk WHERE cMegn = '%2'")
                          .arg(number, line));
    }
    // Every table a delivery-note flow may touch, row by row.
    QStringList snapshot()
    {
        QStringList out;
        for (const char* table : {"szlafej", "szlasor", "munkafej", "munkasor", "sorszam", "szlevfej", "szlevsor"})
            out << QString::fromLatin1(table)
                << db().rows(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(QString::fromLatin1(table)));
        return out;
    }
    // The new-invoice screen, as the invoice register's "Új" opens it.
    std::unique_ptr<QDialog> newInvoiceScreen()
    {
        std::unique_ptr<QDialog> invoice(registry->create(Screen::InvoiceComposer, {EditMode::New}));
        if (invoice) {
            invoice->show();
            invoice->activateWindow();
            if (!QTest::qWaitForWindowActive(invoice.get()))
                qWarning("the invoice screen did not become active");
        }
        return invoice;
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(QStringLiteral(ORVENA_SOURCE_DIR "/templates"));
        s = std::make_unique<test::TestSession>();
    }
    void init()
    {
        db().reset();
        db().addDemoData();
        s->state = AppState();
        registry = std::make_unique<ScreenRegistry>();
        registerAllScreens(*registry);
        context = std::make_unique<ScreenContext>(
            ScreenContext{s->data, s->state, gui, *registry, &reports::previewReportPresenter()});
        registry->setContext(context.get());
    }
    void cleanup()
    {
        context.reset();
        registry.reset();
    }
    void cleanupTestCase() { s.reset(); }

    // Register → "Új" → composition → line screen → "OK" → "OK" → "Nyomtat" → into an invoice,
    // every step by keyboard; the invoice made from the printed note starts unprinted.
    void noteByKeyboardPrintedAndConverted()
    {
        // one driver at a time: a second one would also answer the boxes of the first
        auto firstDriver = std::make_unique<ModalDriver>();
        ModalDriver& driver = *firstDriver;
        QString number;
        driver.window(QStringLiteral("TForm19"), guarded([&](QDialog* reg) {
            QVERIFY(tabTo(reg, QStringLiteral("newButton")));
            press(Qt::Key_Return); // opens TForm20 and returns when it closed
            QTRY_COMPARE(shown(reg, "header_lBszam"), QStringLiteral("20100001"));
            QVERIFY(tabTo(reg, QStringLiteral("printButton")));
            press(Qt::Key_Return); // the preview, closed with Escape
            QTRY_COMPARE(shown(reg, "header_lPrn"), QStringLiteral("I"));
            QVERIFY(tabTo(reg, QStringLiteral("cancelButton")));
            press(Qt::Key_Return);
        }));
        driver.window(QStringLiteral("TForm20"), guarded([&](QDialog* composer) {
            number = shown(composer, "number");
            QCOMPARE(focused()->objectName(), QStringLiteral("contract"));
            typeText(QStringLiteral("SZ-7"));
            QVERIFY(tabTo(composer, QStringLiteral("customerButton")));
            press(Qt::Key_Return); // the customer list
            QVERIFY(!shown(composer, "paymentMethod").isEmpty());
            QVERIFY(tabTo(composer, QStringLiteral("newLineButton")));
            press(Qt::Key_Return); // the line screen
            QCOMPARE(composer->findChild<QTableView*>(QStringLiteral("lineGrid"))->model()->rowCount(), 1);
            QVERIFY(tabTo(composer, QStringLiteral("okButton")));
            press(Qt::Key_Return);
        }));
        QString customer;
        driver.window(QStringLiteral("TForm3"), guarded([&](QDialog* customers) {
            // the list opens with its grid focused: Down highlights the next customer, and
            // "Kiválaszt" hands over the highlighted row
            QVERIFY(customers->isAncestorOf(focused()));
            press(Qt::Key_Down);
            customer = s->data.query(QStringLiteral("ZQ30")).fieldText(QStringLiteral("vKod"));
            QVERIFY(tabTo(customers, QStringLiteral("Kivalaszt")));
            press(Qt::Key_Return);
        }));
        driver.window(QStringLiteral("TForm21"), guarded([](QDialog* line) {
            QCOMPARE(focused()->objectName(), QStringLiteral("description"));
            typeText(QStringLiteral("Kézi tétel"));
            press(Qt::Key_Return);
            press(Qt::Key_Return); // past VTSZ/SZJ to Mennyiség
            QCOMPARE(focused()->objectName(), QStringLiteral("quantity"));
            press(Qt::Key_A, Qt::ControlModifier);
            typeText(QStringLiteral("3,5"));
            QVERIFY(tabTo(line, QStringLiteral("okButton")));
            press(Qt::Key_Return);
        }));
        driver.window(QStringLiteral("ReportPreview"), printAndClosePreview);
        registry->open(Screen::DeliveryRegister);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        firstDriver.reset();
        QCOMPARE(number, QStringLiteral("20100001"));
        QVERIFY(!customer.isEmpty());
        QCOMPARE(db().rows("SELECT lBszam, lvKod, lSzerz, lPrn FROM szlevfej"),
                 QStringList{QStringLiteral("20100001|%1|SZ-7|I").arg(customer)});
        QCOMPARE(db().rows("SELECT eBszam, eMegn, eMenny, eMe FROM szlevsor"), QStringList{"20100001|Kézi tétel|3,5|db"});
        QCOMPARE(db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100001"));

        // into a new invoice: "Sz.levélböl", the note highlighted, "Kiválaszt" by Enter
        std::unique_ptr<QDialog> invoice = newInvoiceScreen();
        QVERIFY(invoice);
        ModalDriver chooser;
        chooser.window(QStringLiteral("TForm19"), guarded([](QDialog* reg) {
            QCOMPARE(shown(reg, "header_lBszam"), QStringLiteral("20100001"));
            QVERIFY(tabTo(reg, QStringLiteral("chooseButton")));
            press(Qt::Key_Return);
        }));
        // the line typed without an article is listed for pricing
        chooser.box(QStringLiteral("Kézi tétel"), QStringLiteral("OK"));
        QVERIFY(tabTo(invoice.get(), QStringLiteral("fromDeliveryButton")));
        press(Qt::Key_Return);
        QVERIFY2(chooser.wait(), qPrintable(chooser.failures().join(u'\n')));
        QCOMPARE(db().rows("SELECT fBszam, fvKod, fPrn FROM szlafej"),
                 QStringList{QStringLiteral("20100001|%1| ").arg(customer)});
        QCOMPARE(db().rows("SELECT sBszam, sMegn, sMenny FROM szlasor"), QStringList{"20100001|Kézi tétel|3,5"});
        // leaving the invoice with "Mégsem" keeps it unprinted
        invoice->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(invoice.get()));
        QVERIFY(tabTo(invoice.get(), QStringLiteral("cancelButton")));
        press(Qt::Key_Return);
        QTRY_VERIFY(!invoice->isVisible());
        QCOMPARE(db().scalar("SELECT fPrn FROM szlafej"), QStringLiteral(" "));
    }

    // The chooser of "Sz.levélböl" left by "Mégsem", Escape or the window's close: no note was
    // chosen and nothing is written.
    void rejectedChooserWritesNothing_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Mégsem") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("ablak bezárása") << 2;
    }
    void rejectedChooserWritesNothing()
    {
        QFETCH(int, way);
        storeNote(QStringLiteral("20100001"), QStringLiteral("3"), {QStringLiteral("Konyhai mérleg 5 kg")});
        storeNote(QStringLiteral("20100002"), QStringLiteral("1"), {QStringLiteral("Hitelesítés")});
        std::unique_ptr<QDialog> invoice = newInvoiceScreen();
        QVERIFY(invoice);
        const QStringList before = snapshot();
        ModalDriver driver;
        driver.window(QStringLiteral("TForm19"), guarded([way](QDialog* reg) {
            QVERIFY(tabTo(reg, QStringLiteral("noteGrid")));
            press(Qt::Key_Down); // the operator highlights a note, then changes their mind
            QCOMPARE(shown(reg, "header_lBszam"), QStringLiteral("20100002"));
            if (way == 0) {
                QVERIFY(tabTo(reg, QStringLiteral("cancelButton")));
                press(Qt::Key_Return);
            } else if (way == 1) {
                press(Qt::Key_Escape);
            } else {
                reg->close();
            }
        }));
        driver.box(QStringLiteral("Nincs kiválasztva szállítólevél"), QStringLiteral("OK"));
        QVERIFY(tabTo(invoice.get(), QStringLiteral("fromDeliveryButton")));
        press(Qt::Key_Return);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(snapshot(), before);
        QVERIFY(invoice->findChild<InvoiceComposer*>()->isNewInvoice());
        invoice->reject();
    }

    // The register acts on the note the operator highlighted (neither the first, nor the last,
    // nor the one composed last), also after a box closed over it and moved its list.
    void actionsTakeTheHighlightedNote()
    {
        storeNote(QStringLiteral("20100001"), QStringLiteral("1"), {QStringLiteral("Hitelesítés")});
        storeNote(QStringLiteral("20100002"), QStringLiteral("3"), {QStringLiteral("Konyhai mérleg 5 kg")}, "I");
        storeNote(QStringLiteral("20100003"), QStringLiteral("2"), {QStringLiteral("Szervizóradíj")});
        storeNote(QStringLiteral("20100004"), QStringLiteral("4"), {QStringLiteral("Csomagolópapír")});
        db().exec("UPDATE sorszam SET aBszam = '20100004' WHERE aKod = '2'");
        s->state.deliveryNumber = QStringLiteral("20100004"); // the note composed last in this run

        // one driver at a time: a second one would also answer the boxes of the first
        auto firstDriver = std::make_unique<ModalDriver>();
        ModalDriver& driver = *firstDriver;
        auto toRow = [](QDialog* reg, const QString& number) {
            QVERIFY(tabTo(reg, QStringLiteral("noteGrid")));
            press(Qt::Key_Home, Qt::ControlModifier);
            for (int i = 0; i < 5 && shown(reg, "header_lBszam") != number; ++i)
                press(Qt::Key_Down);
            QCOMPARE(shown(reg, "header_lBszam"), number);
        };
        QStringList modified;
        driver.window(QStringLiteral("TForm19"), guarded([&](QDialog* reg) {
            QTRY_COMPARE(shown(reg, "header_lBszam"), QStringLiteral("20100004"));
            // "Módosít" on the printed second note: refused; the J key opens exactly that note
            toRow(reg, QStringLiteral("20100002"));
            QVERIFY(tabTo(reg, QStringLiteral("modifyButton")));
            press(Qt::Key_Return);
            // uncovered, the register comes back on the note composed last
            QTRY_COMPARE(shown(reg, "header_lBszam"), QStringLiteral("20100004"));
            toRow(reg, QStringLiteral("20100002"));
            QVERIFY(tabTo(reg, QStringLiteral("modifyButton")));
            press(Qt::Key_J);
            // "Nyomtat" on the third note
            toRow(reg, QStringLiteral("20100003"));
            QVERIFY(tabTo(reg, QStringLiteral("printButton")));
            press(Qt::Key_Return);
            QVERIFY(tabTo(reg, QStringLiteral("cancelButton")));
            press(Qt::Key_Return);
        }));
        driver.box(QStringLiteral("Nyomtatott Szlev. nem módositható !"), QStringLiteral("OK"));
        driver.window(QStringLiteral("TForm20"), guarded([&](QDialog* composer) {
            modified << shown(composer, "number");
            composer->reject();
        }));
        driver.window(QStringLiteral("ReportPreview"), [](QWidget* preview) {
            QVERIFY(preview->windowTitle().contains(QStringLiteral("20100003")));
            printAndClosePreview(preview);
        });
        registry->open(Screen::DeliveryRegister);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        firstDriver.reset();
        QCOMPARE(modified, QStringList{"20100002"});
        QCOMPARE(db().rows("SELECT lBszam, lPrn FROM szlevfej ORDER BY lBszam"),
                 (QStringList{"20100001| ", "20100002|I", "20100003|I", "20100004| "}));

        // the conversion takes the note highlighted when "Kiválaszt" was pressed
        std::unique_ptr<QDialog> invoice = newInvoiceScreen();
        QVERIFY(invoice);
        ModalDriver chooser;
        chooser.window(QStringLiteral("TForm19"), guarded([&](QDialog* reg) {
            toRow(reg, QStringLiteral("20100003"));
            QVERIFY(tabTo(reg, QStringLiteral("chooseButton")));
            press(Qt::Key_Return);
        }));
        QVERIFY(tabTo(invoice.get(), QStringLiteral("fromDeliveryButton")));
        press(Qt::Key_Return);
        QVERIFY2(chooser.wait(), qPrintable(chooser.failures().join(u'\n')));
        QCOMPARE(db().rows("SELECT fBszam, fvKod, fPrn FROM szlafej"), QStringList{"20100001|2| "});
        QCOMPARE(db().rows("SELECT sMegn FROM szlasor"), QStringList{"Szervizóradíj"});
        invoice->reject();
    }

    // The offered number already has a header: the new-note screen does not open, and a
    // conversion into a new invoice whose number meanwhile got a header is refused.
    void existingNumbersAreRefused()
    {
        storeNote(QStringLiteral("20100001"), QStringLiteral("3"), {QStringLiteral("Konyhai mérleg 5 kg")}, "I");
        storeNote(QStringLiteral("20100002"), QStringLiteral("1"), {QStringLiteral("Hitelesítés")});
        // the sequence was set back by one: "Új" offers 20100002, which is stored
        db().exec("UPDATE sorszam SET aBszam = '20100001' WHERE aKod = '2'");
        const QStringList before = snapshot();
        Forbidden forbidden({QStringLiteral("TForm20")});
        // one driver at a time: a second one would also answer the boxes of the first
        auto firstDriver = std::make_unique<ModalDriver>();
        ModalDriver& driver = *firstDriver;
        driver.window(QStringLiteral("TForm19"), guarded([](QDialog* reg) {
            QVERIFY(tabTo(reg, QStringLiteral("newButton")));
            press(Qt::Key_Return);
            QVERIFY(tabTo(reg, QStringLiteral("cancelButton")));
            press(Qt::Key_Return);
        }));
        driver.box(QStringLiteral("20100002"), QStringLiteral("OK"));
        registry->open(Screen::DeliveryRegister);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(forbidden.opened, QStringList());
        QVERIFY(driver.boxes().value(0).contains(QStringLiteral("\"Sorszám \"")));
        firstDriver.reset();
        QCOMPARE(snapshot(), before);

        // another workstation stores invoice 20100001 while this new invoice is being composed
        std::unique_ptr<QDialog> invoice = newInvoiceScreen();
        QVERIFY(invoice);
        QCOMPARE(shown(invoice.get(), "field0"), QStringLiteral("20100001"));
        seedInvoiceHeader(db(), {{QStringLiteral("fBszam"), QStringLiteral("20100001")},
                                 {QStringLiteral("fvKod"), QStringLiteral("5")},
                                 {QStringLiteral("fPnem"), QStringLiteral("HUF")},
                                 {QStringLiteral("fFizmod"), QStringLiteral("kp.")},
                                 {QStringLiteral("fPrn"), QStringLiteral(" ")}});
        db().exec("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar) VALUES ('20100001', 'Másik gépen', 1, 100)");
        const QStringList beforeConversion = snapshot();
        ModalDriver chooser;
        chooser.window(QStringLiteral("TForm19"), guarded([](QDialog* reg) {
            QVERIFY(tabTo(reg, QStringLiteral("chooseButton")));
            press(Qt::Key_Return);
        }));
        chooser.box(QStringLiteral("20100001"), QStringLiteral("OK"));
        QVERIFY(tabTo(invoice.get(), QStringLiteral("fromDeliveryButton")));
        press(Qt::Key_Return);
        QVERIFY2(chooser.wait(), qPrintable(chooser.failures().join(u'\n')));
        QCOMPARE(snapshot(), beforeConversion);
        QVERIFY(invoice->findChild<InvoiceComposer*>()->isNewInvoice());
        invoice->reject();
    }

    // An empty register: every action does nothing (no screen, no box, nothing written).
    void emptyRegisterDoesNothing()
    {
        const QStringList before = snapshot();
        Forbidden forbidden({QStringLiteral("TForm20"), QStringLiteral("ReportPreview")});
        ModalDriver driver;
        driver.window(QStringLiteral("TForm19"), guarded([](QDialog* reg) {
            QCOMPARE(shown(reg, "header_lBszam"), QString());
            QVERIFY(tabTo(reg, QStringLiteral("modifyButton")));
            press(Qt::Key_Return);
            press(Qt::Key_J);
            QVERIFY(tabTo(reg, QStringLiteral("viewButton")));
            press(Qt::Key_Return);
            QVERIFY(tabTo(reg, QStringLiteral("printButton")));
            press(Qt::Key_Return);
            QVERIFY(tabTo(reg, QStringLiteral("cancelButton")));
            press(Qt::Key_Return);
        }));
        registry->open(Screen::DeliveryRegister);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(forbidden.opened, QStringList());
        QCOMPARE(driver.boxes(), QStringList());
        QCOMPARE(snapshot(), before);
    }

    // The line grid of the composition screen takes the focus; arrow keys aim "Módosít" and
    // "Töröl" at a line.
    void lineGridByKeyboard()
    {
        storeNote(QStringLiteral("20100001"), QStringLiteral("3"),
                  {QStringLiteral("Konyhai mérleg 5 kg"), QStringLiteral("Hitelesítés"), QStringLiteral("Szervizóradíj")});
        db().exec("UPDATE sorszam SET aBszam = '20100001' WHERE aKod = '2'");
        ModalDriver driver;
        driver.window(QStringLiteral("TForm19"), guarded([](QDialog* reg) {
            QVERIFY(tabTo(reg, QStringLiteral("modifyButton")));
            press(Qt::Key_Return);
            QVERIFY(tabTo(reg, QStringLiteral("cancelButton")));
            press(Qt::Key_Return);
        }));
        driver.window(QStringLiteral("TForm20"), guarded([](QDialog* composer) {
            auto* grid = composer->findChild<QTableView*>(QStringLiteral("lineGrid"));
            QCOMPARE(grid->model()->rowCount(), 3);
            QVERIFY(tabTo(composer, QStringLiteral("lineGrid")));
            press(Qt::Key_Home, Qt::ControlModifier);
            press(Qt::Key_Down); // the second line
            QVERIFY(tabTo(composer, QStringLiteral("modifyLineButton")));
            press(Qt::Key_Return); // its line screen
            QVERIFY(tabTo(composer, QStringLiteral("lineGrid")));
            press(Qt::Key_Up); // the first line
            QVERIFY(tabTo(composer, QStringLiteral("deleteLineButton")));
            press(Qt::Key_Return);
            QCOMPARE(grid->model()->rowCount(), 2);
            QVERIFY(tabTo(composer, QStringLiteral("cancelButton")));
            press(Qt::Key_Return);
        }));
        driver.window(QStringLiteral("TForm21"), guarded([](QDialog* line) {
            QCOMPARE(shown(line, "description"), QStringLiteral("Hitelesítés"));
            QVERIFY(tabTo(line, QStringLiteral("quantity")));
            press(Qt::Key_A, Qt::ControlModifier);
            typeText(QStringLiteral("7"));
            QVERIFY(tabTo(line, QStringLiteral("okButton")));
            press(Qt::Key_Return);
        }));
        driver.box(QStringLiteral("Az tételsor törölve!"), QStringLiteral("OK"));
        registry->open(Screen::DeliveryRegister);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(db().rows("SELECT eMegn, eMenny FROM szlevsor ORDER BY eID"),
                 (QStringList{"Hitelesítés|7", "Szervizóradíj|2"}));
    }

    // Tab in the note's "Üzenet" and in the line's "Sor megjegyzés" moves on to the next field; no
    // tab character is typed into the text.
    void tabLeavesTheMemos_data()
    {
        QTest::addColumn<bool>("composer");
        QTest::addColumn<QString>("memo");
        QTest::newRow("Üzenet") << true << "message";
        QTest::newRow("Sor megjegyzés") << false << "memo";
    }
    void tabLeavesTheMemos()
    {
        QFETCH(bool, composer);
        QFETCH(QString, memo);
        QString text, focusAfter;
        auto check = guarded([&](QDialog* window) {
            auto* field = window->findChild<QPlainTextEdit*>(memo);
            QVERIFY(field);
            field->setFocus();
            QCOMPARE(focused(), field);
            typeText(QStringLiteral("első"));
            press(Qt::Key_Tab);
            text = field->toPlainText();
            focusAfter = focused() ? focused()->objectName() : QString();
            window->reject();
        });
        ModalDriver driver;
        if (composer) {
            driver.window(QStringLiteral("TForm19"), guarded([](QDialog* reg) {
                QVERIFY(tabTo(reg, QStringLiteral("newButton")));
                press(Qt::Key_Return);
                reg->reject();
            }));
            driver.window(QStringLiteral("TForm20"), check);
            registry->open(Screen::DeliveryRegister);
        } else {
            driver.window(QStringLiteral("TForm21"), check);
            registry->open(Screen::DeliveryLine, {EditMode::New, DocumentRef{QStringLiteral("20100001")}});
        }
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(text, QStringLiteral("első"));
        QVERIFY2(focusAfter != memo, qPrintable(focusAfter));
    }

    // A field the program puts the focus on has its text selected: what is typed replaces it.
    void focusedFieldTakesTheTyping()
    {
        ModalDriver driver;
        driver.window(QStringLiteral("TForm21"), guarded([](QDialog* line) {
            typeText(QStringLiteral("plat"));
            QVERIFY(tabTo(line, QStringLiteral("okButton")));
            press(Qt::Key_Return); // quantity "0" is refused, the focus goes back to it
            QCOMPARE(focused()->objectName(), QStringLiteral("quantity"));
            typeText(QStringLiteral("3"));
            QCOMPARE(shown(line, "quantity"), QStringLiteral("3"));
            QVERIFY(tabTo(line, QStringLiteral("articleButton")));
            press(Qt::Key_Return); // the article list, positioned by "plat", left with Escape
            QCOMPARE(shown(line, "description"), QStringLiteral("plat")); // Escape hands over nothing
            press(Qt::Key_Return); // the article list again, left with "Kiválaszt"
            QCOMPARE(shown(line, "description"), QStringLiteral("Platómérleg 300 kg"));
            QCOMPARE(focused()->objectName(), QStringLiteral("quantity"));
            typeText(QStringLiteral("5"));
            QVERIFY(tabTo(line, QStringLiteral("okButton")));
            press(Qt::Key_Return);
        }));
        driver.box(QStringLiteral("A mennyiség nulla!"), QStringLiteral("OK"));
        driver.window(QStringLiteral("TForm5"), [](QWidget*) { press(Qt::Key_Escape); });
        driver.window(QStringLiteral("TForm5"), [](QWidget* articles) {
            QVERIFY(tabTo(articles, QStringLiteral("Kivalaszt")));
            press(Qt::Key_Return);
        });
        registry->open(Screen::DeliveryLine, {EditMode::New, DocumentRef{QStringLiteral("20100001")}});
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(db().rows("SELECT eBszam, ecKod, eMegn, eMenny FROM szlevsor"),
                 QStringList{"20100001|3|Platómérleg 300 kg|5"});
    }

    // A save refused by the server rolls back first: while its message box waits, the
    // delivery-note sequence row is free for another workstation.
    void failedSaveReleasesTheSequenceBeforeItsBox()
    {
        storeNote(QStringLiteral("20100001"), QStringLiteral("3"), {QStringLiteral("Hitelesítés")});
        db().exec("UPDATE sorszam SET aBszam = '20100001' WHERE aKod = '2'");
        bool rowWasFree = false;
        QString lockError;
        ModalDriver driver;
        driver.window(QStringLiteral("TForm19"), guarded([](QDialog* reg) {
            QVERIFY(tabTo(reg, QStringLiteral("newButton")));
            press(Qt::Key_Return);
            QVERIFY(tabTo(reg, QStringLiteral("cancelButton")));
            press(Qt::Key_Return);
        }));
        driver.window(QStringLiteral("TForm20"), guarded([&](QDialog* composer) {
            QCOMPARE(shown(composer, "number"), QStringLiteral("20100002"));
            QVERIFY(tabTo(composer, QStringLiteral("customerButton")));
            press(Qt::Key_Return);
            QVERIFY(tabTo(composer, QStringLiteral("newLineButton")));
            press(Qt::Key_Return);
            // meanwhile another workstation stores note 20100002
            db().exec("INSERT INTO szlevfej (lBszam, lvKod, lPrn) VALUES ('20100002', '1', ' ')");
            QVERIFY(tabTo(composer, QStringLiteral("okButton")));
            press(Qt::Key_Return);
            QVERIFY(composer->isVisible()); // everything typed stays on the screen
            QVERIFY(tabTo(composer, QStringLiteral("cancelButton")));
            press(Qt::Key_Return);
        }));
        driver.window(QStringLiteral("TForm3"), guarded([](QDialog* customers) {
            QVERIFY(customers->isAncestorOf(focused()));
            QVERIFY(tabTo(customers, QStringLiteral("Kivalaszt")));
            press(Qt::Key_Return);
        }));
        driver.window(QStringLiteral("TForm21"), guarded([](QDialog* line) {
            typeText(QStringLiteral("Kalibrálás"));
            QVERIFY(tabTo(line, QStringLiteral("quantity")));
            press(Qt::Key_A, Qt::ControlModifier);
            typeText(QStringLiteral("1"));
            QVERIFY(tabTo(line, QStringLiteral("okButton")));
            press(Qt::Key_Return);
        }));
        driver.box(QStringLiteral("20100002"), QStringLiteral("OK"), [&](QWidget*) {
            // while the box waits, a second connection locks the sequence row at once
            try {
                db().exec("SET SESSION innodb_lock_wait_timeout = 1");
                db().exec("START TRANSACTION");
                db().rows("SELECT aBszam FROM sorszam WHERE aKod = '2' FOR UPDATE");
                db().exec("ROLLBACK");
                rowWasFree = true;
            } catch (const Error& e) {
                lockError = e.text();
                try {
                    db().exec("ROLLBACK");
                } catch (const Error&) {
                }
            }
        });
        registry->open(Screen::DeliveryRegister);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QVERIFY2(rowWasFree, qPrintable(lockError));
        QCOMPARE(db().scalar("SELECT aBszam FROM sorszam WHERE aKod = '2'"), QStringLiteral("20100001"));
        QCOMPARE(db().rows("SELECT lBszam, lvKod FROM szlevfej ORDER BY lBszam"),
                 (QStringList{"20100001|3", "20100002|1"}));
    }
};

QTEST_MAIN(DeliveryWindowsTest)
#include "tst_deliverywindows.moc"
