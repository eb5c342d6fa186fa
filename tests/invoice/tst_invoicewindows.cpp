// The invoice screens driven through the real windows, as an operator drives them: the real
// register, composition, line and chooser dialogs, real message boxes (GuiUserInterface) answered
// by a ModalDriver, keys sent with QTest, and the database read back with SQL afterwards.
#include "support/invoiceseed.h"
#include "support/modaldriver.h"
#include "support/testdatabase.h"
#include "support/windowsession.h"

#include "app/session.h"
#include "db/codepages.h"
#include "invoice/ui/invoicecomposerdialog.h"
#include "reports/reportengine.h"
#include "reports/ui/reportpreview.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace orvena;
using namespace orvena::test;
using F = InvoiceComposer::Field;

namespace {


// The offscreen platform activates no window when a modal window over it closes; a window
// manager does. The window the operator works in is activated again here, as the desktop would.
QWidget* focused(QWidget* window = nullptr)
{
    QWidget* top = QApplication::activeModalWidget();
    if (!top && window)
        top = window->window();
    if (top && QApplication::activeWindow() != top) {
        top->activateWindow();
        if (!QTest::qWaitForWindowActive(top))
            qWarning("%s never became active", qPrintable(top->objectName()));
    }
    return QApplication::focusWidget();
}

// A key pressed on whatever has the focus; posted focus moves are let run.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = focused();
    QVERIFY2(target, "nothing has the keyboard focus");
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    QApplication::processEvents();
}

void typeText(const QString& text)
{
    QWidget* target = focused();
    QVERIFY2(target, "nothing has the keyboard focus");
    // Letters beyond ASCII (á, ő, ...) go as key events carrying their text, as a keyboard
    // layout sends them.
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(target, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QApplication::processEvents();
}

// Tab until the named widget of the window has the focus (keyboard only, as the operator does).
bool tabTo(QWidget* window, const QString& name)
{
    QWidget* target = window->findChild<QWidget*>(name);
    if (!target)
        return false;
    for (int i = 0; i < 80 && focused(window) != target; ++i) {
        if (!focused(window))
            return false;
        QTest::keyClick(focused(window), Qt::Key_Tab);
        QApplication::processEvents();
    }
    return focused(window) == target;
}

// In a chooser whose grid has the focus: the arrow keys move to the first customer whose name
// begins with `name`.
bool arrowTo(QWidget* chooser, const QString& name)
{
    auto* shown = chooser->findChild<QLabel*>(QStringLiteral("Detail_vNeve"));
    if (!shown)
        return false;
    QTest::keyClick(focused(), Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 20 && !shown->text().startsWith(name); ++i)
        QTest::keyClick(focused(), Qt::Key_Down);
    return shown->text().startsWith(name);
}

const QString kDate = QStringLiteral("yyyy.MM.dd");

QString fieldText(QWidget* window, int field)
{
    auto* edit = window->findChild<QLineEdit*>(QStringLiteral("field%1").arg(field));
    return edit ? edit->text() : QStringLiteral("<no field%1>").arg(field);
}

// Gives a modal window that no test step expects a few seconds, then closes it and says so, so a
// window that should not have opened fails the test instead of hanging it.
class Watchdog : public QObject {
public:
    explicit Watchdog(const QString& name) : m_name(name)
    {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() == m_name && ++m_ticks > 100) {
                opened = true;
                qobject_cast<QDialog*>(modal)->reject();
            }
        });
        timer->start(50);
    }
    bool opened = false;

private:
    QString m_name;
    int m_ticks = 0;
};

} // namespace

class InvoiceWindows : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowSession> s;
    QString previousDir;

    int count(const QString& sql) { return s->db.scalar(sql).toInt(); }

    // A header with two lines, printed or not; the lines name the invoice so a reversal shows
    // which one it copied.
    void seedInvoice(const QString& number, bool printed, double quantity)
    {
        test::SeedInvoice invoice{number, QStringLiteral("2"), printed};
        invoice.customerNumber = QStringLiteral("2");
        invoice.issuerNumber = QStringLiteral("1");
        invoice.performed = QStringLiteral("2010-05-10");
        invoice.issued = QStringLiteral("2010-05-11");
        invoice.due = QStringLiteral("2010-05-25");
        invoice.remark = QStringLiteral("eredeti %1").arg(number);
        invoice.message = QStringLiteral("");
        invoice.issuerBlock = QStringLiteral("Szállító");
        invoice.customerBlock = QStringLiteral("Vevő");
        invoice.sums = false; // as an invoice printed before the sums were kept
        const auto line = [&](double quantity, double price, const QString& name, const char* code) {
            test::SeedLine l{quantity, price, 27, name};
            l.articleCode = QLatin1String(code);
            l.unit = QStringLiteral("db");
            l.vatCode = QStringLiteral("1");
            l.vatName = QStringLiteral("27% általános");
            return l;
        };
        invoice.lines = {line(quantity, 1000, QStringLiteral("Mérleg %1").arg(number), "1"),
                         line(1, 15000, QStringLiteral("Hitelesítés %1").arg(number), "4")};
        test::seedInvoice(s->db, invoice);
    }
    void setSequence(const QString& last)
    {
        s->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '%1' WHERE aKod = '1'").arg(last));
    }
    std::unique_ptr<QDialog> showRegister()
    {
        std::unique_ptr<QDialog> reg(s->registry.create(Screen::InvoiceRegister));
        if (!reg)
            return reg;
        reg->show();
        reg->activateWindow();
        if (!QTest::qWaitForWindowActive(reg.get()))
            qWarning("the register never became active");
        return reg;
    }
    static QTableView* gridOf(QWidget* w, const char* name)
    {
        return w->findChild<QTableView*>(QString::fromLatin1(name));
    }
    static QPushButton* buttonOf(QWidget* w, const char* name)
    {
        return w->findChild<QPushButton*>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase()
    {
        previousDir = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(ORVENA_SOURCE_DIR "/templates"));
        applyProgramLocale();
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }
    void init()
    {
        s = std::make_unique<WindowSession>();
        s->db.reset(QStringLiteral("20100041"));
        s->db.addDemoData();
    }
    void cleanup() { s.reset(); }

    // Register, "Új", composition, customer chooser, line screen, "OK", and the print: all by
    // keyboard. The print writes a PDF, and the invoice is then marked printed.
    void newInvoiceByKeyboardAlone()
    {
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("szamla.pdf"));
        reports::PdfReportPresenter pdfPresenter(pdf);
        s->context.reports = &pdfPresenter;

        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        QCOMPARE(fieldText(composer, F::Number), QStringLiteral("20100042"));
                        QVERIFY(tabTo(composer, QStringLiteral("field%1").arg(F::Contract)));
                        typeText(QStringLiteral("SZ-7/2010"));
                        QVERIFY(tabTo(composer, QStringLiteral("customerButton")));
                        press(Qt::Key_Return); // the customer chooser
                        QCOMPARE(fieldText(composer, F::PaymentMethod), QStringLiteral("átutalás"));
                        // chosen after the dates: its 15 days count from the performance date
                        QCOMPARE(fieldText(composer, F::DueDate), QDate::currentDate().addDays(15).toString(kDate));
                        QVERIFY(tabTo(composer, QStringLiteral("newLineButton")));
                        press(Qt::Key_Return); // the line screen
                        QCOMPARE(fieldText(composer, F::GrandTotal), QStringLiteral("11 430,00"));
                        QVERIFY(tabTo(composer, QStringLiteral("okButton")));
                        press(Qt::Key_Return);
                    })
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* chooser) {
                        // The list opens with its grid focused: the arrow keys pick the
                        // customer, "Kiválaszt" hands it over.
                        QCOMPARE(focused(), chooser->findChild<QWidget*>(QStringLiteral("Grid")));
                        QVERIFY(arrowTo(chooser, QStringLiteral("Szőke")));
                        QVERIFY(tabTo(chooser, QStringLiteral("Kivalaszt")));
                        press(Qt::Key_Return);
                    })
            .window(QStringLiteral("TForm10"), [&](QWidget* line) {
                QCOMPARE(focused(), line->findChild<QWidget*>(QStringLiteral("field0")));
                typeText(QStringLiteral("Hitelesítés"));
                press(Qt::Key_Return); // VTSZ
                press(Qt::Key_Return); // quantity
                typeText(QStringLiteral("3"));
                press(Qt::Key_Return); // unit
                press(Qt::Key_Return); // unit price
                typeText(QStringLiteral("3000"));
                QCOMPARE(fieldText(line, 15), QStringLiteral("11 430,00"));
                QVERIFY(tabTo(line, QStringLiteral("okButton")));
                press(Qt::Key_Return);
            });
        QVERIFY(tabTo(reg.get(), QStringLiteral("newButton")));
        press(Qt::Key_Return);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));

        QCOMPARE(s->db.rows(QStringLiteral("SELECT fBszam, fvKod, fSzerz, fFizmod, fPrn FROM szlafej")),
                 QStringList{QStringLiteral("20100042|2|SZ-7/2010|átutalás| ")});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT DATEDIFF(fFkelt, fTkelt) FROM szlafej")), QStringLiteral("15"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sBszam, sMegn, sMenny, sEar, sAfa FROM szlasor")),
                 QStringList{QStringLiteral("20100042|Hitelesítés|3|3000|27")});
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '1'")), QStringLiteral("20100042"));
        QTRY_COMPARE(reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"))->text(), QStringLiteral("20100042"));

        // "Nyomtat" by keyboard: the document is written, then the invoice counts as printed.
        QVERIFY(tabTo(reg.get(), QStringLiteral("printButton")));
        press(Qt::Key_Return);
        QVERIFY2(driver.done(), qPrintable(driver.failures().join(u'\n')));
        QVERIFY(QFileInfo(pdf).size() > 1000);
        QCOMPARE(pdfPresenter.presentedCount(), 1);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100042'")), QStringLiteral("I"));
        QCOMPARE(driver.boxes(), QStringList());
    }

    // An advance invoice and the final invoice that deducts it, through the real windows:
    // "Előleg" ticked on the composition screen and the advance printed (issued); on the next
    // one "Végszámla" ticked, the advance chosen and deducted, the kind kept while the deduction
    // is on it; a final invoice that would go negative is refused at "OK"; with the rest of the
    // delivery it is stored and issued with the advance data in its document.
    void advanceAndFinalInvoiceThroughTheWindows()
    {
        QTemporaryDir out;
        reports::PdfReportPresenter pdfPresenter(out.filePath(QStringLiteral("szamla.pdf")));
        s->context.reports = &pdfPresenter;
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        const auto chooseCustomer = [](QWidget* chooser) {
            QVERIFY(arrowTo(chooser, QStringLiteral("Szőke")));
            QVERIFY(tabTo(chooser, QStringLiteral("Kivalaszt")));
            press(Qt::Key_Return);
        };
        const auto typeLine = [](const QString& name, const QString& quantity, const QString& price) {
            return [=](QWidget* line) {
                QCOMPARE(focused(), line->findChild<QWidget*>(QStringLiteral("field0")));
                typeText(name);
                press(Qt::Key_Return); // VTSZ
                press(Qt::Key_Return); // quantity
                typeText(quantity);
                press(Qt::Key_Return); // unit
                press(Qt::Key_Return); // unit price
                typeText(price);
                QTest::mouseClick(buttonOf(line, "okButton"), Qt::LeftButton);
            };
        };
        const auto print = [&] {
            QTest::mouseClick(buttonOf(reg.get(), "printButton"), Qt::LeftButton);
            QApplication::processEvents();
        };
        QLineEdit* shownNumber = reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"));

        {
            ModalDriver advance;
            advance
                .window(QStringLiteral("TForm9"),
                        [&](QWidget* composer) {
                            QTest::mouseClick(buttonOf(composer, "customerButton"), Qt::LeftButton);
                            composer->findChild<QCheckBox*>(QStringLiteral("advanceBox"))->click();
                            QTest::mouseClick(buttonOf(composer, "newLineButton"), Qt::LeftButton);
                            QCOMPARE(fieldText(composer, F::GrandTotal), QStringLiteral("127 000,00"));
                            QTest::mouseClick(buttonOf(composer, "okButton"), Qt::LeftButton);
                        })
                .window(QStringLiteral("TForm3"), chooseCustomer)
                .window(QStringLiteral("TForm10"), typeLine(QStringLiteral("Előleg"), QStringLiteral("1"),
                                                            QStringLiteral("100000")));
            QTest::mouseClick(buttonOf(reg.get(), "newButton"), Qt::LeftButton);
            QVERIFY2(advance.wait(), qPrintable(advance.failures().join(u'\n')));
            QTRY_COMPARE(shownNumber->text(), QStringLiteral("20100042"));
            print();
            QVERIFY2(advance.done(), qPrintable(advance.failures().join(u'\n')));
        }
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100042'")), QStringLiteral("I"));

        ModalDriver final;
        final
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        QTest::mouseClick(buttonOf(composer, "customerButton"), Qt::LeftButton);
                        auto* choice = composer->findChild<QComboBox*>(QStringLiteral("advanceChoice"));
                        auto* finalBox = composer->findChild<QCheckBox*>(QStringLiteral("finalBox"));
                        QVERIFY(!choice->isEnabled());
                        finalBox->click();
                        QCOMPARE(choice->count(), 1);
                        QCOMPARE(choice->currentText(), QStringLiteral("K20100042"));
                        QTest::mouseClick(buttonOf(composer, "newLineButton"), Qt::LeftButton);
                        QTest::mouseClick(buttonOf(composer, "deductAdvanceButton"), Qt::LeftButton);
                        QVERIFY2(fieldText(composer, F::GrandTotal).contains(QStringLiteral("63 500,00")),
                                 qPrintable(fieldText(composer, F::GrandTotal)));
                        QCOMPARE(choice->count(), 0); // deducted: offered no more
                        finalBox->click();            // refused while the deduction is on it
                        QVERIFY(finalBox->isChecked());
                        // refused while the deduction exceeds the delivery
                        QTest::mouseClick(buttonOf(composer, "okButton"), Qt::LeftButton);
                        QVERIFY(composer->isVisible());
                        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlafej WHERE fBszam = '20100043'")),
                                 QStringLiteral("0"));
                        QTest::mouseClick(buttonOf(composer, "newLineButton"), Qt::LeftButton);
                        QTest::mouseClick(buttonOf(composer, "okButton"), Qt::LeftButton);
                    })
            .window(QStringLiteral("TForm3"), chooseCustomer)
            .window(QStringLiteral("TForm10"), typeLine(QStringLiteral("Mérleg"), QStringLiteral("1"),
                                                        QStringLiteral("50000")))
            .box(QStringLiteral("A számlán előleg-levonás van, ezért végszámla marad."), QStringLiteral("OK"))
            .box(QStringLiteral("A végszámla fizetendő végösszege negatív (-63500,00)"), QStringLiteral("OK"))
            .window(QStringLiteral("TForm10"), typeLine(QStringLiteral("Mérleg"), QStringLiteral("2"),
                                                        QStringLiteral("50000")));
        QTest::mouseClick(buttonOf(reg.get(), "newButton"), Qt::LeftButton);
        QVERIFY2(final.wait(), qPrintable(final.failures().join(u'\n')));
        QTRY_COMPARE(shownNumber->text(), QStringLiteral("20100043"));
        print();
        QCOMPARE(final.boxes().size(), 2);
        QCOMPARE(s->db.rows(QStringLiteral("SELECT jBszam, jJelleg, fPrn FROM szlajelleg JOIN szlafej ON fBszam = jBszam "
                                           "ORDER BY jBszam")),
                 (QStringList{QStringLiteral("20100042|ELOLEG|I"), QStringLiteral("20100043|VEGSZAMLA|I")}));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT lvBszam, lvEloleg, lvArfoly, sMenny, sEar FROM szlaeloleg "
                                           "JOIN szlasor ON sID = lvSor")),
                 QStringList{QStringLiteral("20100043|20100042|1|-1|100000")});
        const QString advanceXml = s->db.scalar(QStringLiteral("SELECT nXml FROM szlanav WHERE nBszam = '20100042'"));
        const QString finalXml = s->db.scalar(QStringLiteral("SELECT nXml FROM szlanav WHERE nBszam = '20100043'"));
        QCOMPARE(advanceXml.count(QStringLiteral("<advanceIndicator>true</advanceIndicator>")), 1);
        QVERIFY(!advanceXml.contains(QStringLiteral("advancePaymentData")));
        QCOMPARE(finalXml.count(QStringLiteral("<advanceIndicator>true</advanceIndicator>")), 1);
        QVERIFY(finalXml.contains(QStringLiteral("<advanceOriginalInvoice>K20100042</advanceOriginalInvoice>")));
        QVERIFY(finalXml.contains(QStringLiteral("<invoiceGrossAmount>63500.00</invoiceGrossAmount>")));
    }

    // Highlighting an invoice that is neither the first nor the last and reversing it: the
    // question box closing makes the register re-read its list, and the storno must still reverse
    // the invoice the operator highlighted.
    void stornoOfHighlightedMiddleInvoice()
    {
        seedInvoice(QStringLiteral("20100040"), true, 1);
        seedInvoice(QStringLiteral("20100041"), true, 2);
        seedInvoice(QStringLiteral("20100042"), false, 3);
        seedInvoice(QStringLiteral("20100043"), true, 4);
        setSequence(QStringLiteral("20100043"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        QTableView* grid = gridOf(reg.get(), "invoiceGrid");
        QLineEdit* shownNumber = reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"));
        QCOMPARE(grid->model()->rowCount(), 4);
        QCOMPARE(shownNumber->text(), QStringLiteral("20100040"));
        // The operator moves to the second invoice with the arrow key.
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(shownNumber->text(), QStringLiteral("20100041"));

        {
            ModalDriver driver;
            driver.box(QStringLiteral("Stornózni szeretné a bizonylatot?"), QStringLiteral("Igen"))
                .box(QStringLiteral("A számla STORNO -ja elkészült !"), QStringLiteral("OK"));
            QTest::mouseClick(buttonOf(reg.get(), "stornoButton"), Qt::LeftButton);
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT fMegj FROM szlafej WHERE fBszam = '20100044'")),
                 QStringLiteral("20100041 számú érvénytelenítő számla"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sMegn, sMenny FROM szlasor WHERE sBszam = '20100044' ORDER BY sID")),
                 (QStringList{QStringLiteral("Mérleg 20100041|-2"), QStringLiteral("Hitelesítés 20100041|-1")}));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 5);
        QTRY_COMPARE(shownNumber->text(), QStringLiteral("20100044"));

        // The unprinted invoice in the middle is refused, although the invoice the register
        // last stood on would pass.
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Up);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(shownNumber->text(), QStringLiteral("20100042"));
        s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I' WHERE fBszam = '20100044'"));
        ModalDriver refusal;
        refusal.box(QStringLiteral("Stornózni szeretné a bizonylatot?"), QStringLiteral("Igen"))
            .box(QStringLiteral("A Szla nem volt nyomtatva. Nem stornózható !"), QStringLiteral("OK"));
        QTest::mouseClick(buttonOf(reg.get(), "stornoButton"), Qt::LeftButton);
        QVERIFY2(refusal.wait(), qPrintable(refusal.failures().join(u'\n')));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 5);
    }

    // An issued invoice (its invoice-data row exists) never changes: the "J" key refuses it and
    // points to the storno. One storno per invoice, none of a storno; the storno's link to the
    // invoice it reverses is stored with it, whatever its remark says later.
    void issuedInvoiceIsReversedOnce()
    {
        seedInvoice(QStringLiteral("20100040"), true, 1);
        seedInvoice(QStringLiteral("20100041"), true, 2);
        s->db.exec(QStringLiteral("INSERT INTO szlanav (nBszam, nMuvelet, nXml, nKeszult, nAllapot) VALUES "
                                  "('20100040', 'CREATE', '<InvoiceData/>', NOW(), 'KULDENDO')"));
        setSequence(QStringLiteral("20100041"));
        const QStringList before = s->db.rows(QStringLiteral("SELECT * FROM szlasor ORDER BY sID"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        QLineEdit* shownNumber = reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"));
        QCOMPARE(shownNumber->text(), QStringLiteral("20100040"));
        {
            Watchdog composer(QStringLiteral("TForm9"));
            ModalDriver driver;
            driver.box(QStringLiteral("A(z) 20100040 számú számla már ki van állítva"), QStringLiteral("OK"));
            QPushButton* modifyButton = buttonOf(reg.get(), "modifyButton");
            modifyButton->setFocus();
            QTest::keyClick(modifyButton, Qt::Key_J);
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
            QVERIFY2(driver.boxes().value(0).contains(QStringLiteral("storno")), qPrintable(driver.boxes().value(0)));
            QVERIFY(!composer.opened);
        }
        QCOMPARE(s->db.rows(QStringLiteral("SELECT * FROM szlasor ORDER BY sID")), before);

        // Reversed once: the storno is linked to it.
        const auto stornoBy = [&](const QString& question, const QString& answer, const QString& button) {
            ModalDriver driver;
            driver.box(question, QStringLiteral("Igen")).box(answer, button);
            QTest::mouseClick(buttonOf(reg.get(), "stornoButton"), Qt::LeftButton);
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        };
        stornoBy(QStringLiteral("Stornózni szeretné a bizonylatot?"), QStringLiteral("A számla STORNO -ja elkészült !"),
                 QStringLiteral("OK"));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT hBszam, hMuvelet, hEredeti FROM szlahivatkozas")),
                 QStringList{QStringLiteral("20100042|STORNO|20100040")});
        QTRY_COMPARE(shownNumber->text(), QStringLiteral("20100042"));

        // The storno, printed, cannot be reversed; nor can the original a second time.
        {
            QTemporaryDir out;
            ModalDriver print;
            print.window(QStringLiteral("ReportPreview"), [&](QWidget* preview) {
                QVERIFY(qobject_cast<reports::ReportPreviewDialog*>(preview)->saveAsPdf(out.filePath(QStringLiteral("s.pdf"))));
                QTest::keyClick(preview, Qt::Key_Escape);
            });
            QTest::mouseClick(buttonOf(reg.get(), "printButton"), Qt::LeftButton);
            QVERIFY2(print.wait(), qPrintable(print.failures().join(u'\n')));
        }
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100042'")), QStringLiteral("I"));
        stornoBy(QStringLiteral("Stornózni szeretné a bizonylatot?"),
                 QStringLiteral("A(z) 20100042 számú számla maga is storno számla (a(z) 20100040 számú számlát "
                                "érvényteleníti), ezért nem stornózható."),
                 QStringLiteral("OK"));
        QTableView* grid = gridOf(reg.get(), "invoiceGrid");
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
        QTRY_COMPARE(shownNumber->text(), QStringLiteral("20100040"));
        stornoBy(QStringLiteral("Stornózni szeretné a bizonylatot?"),
                 QStringLiteral("A(z) 20100040 számú számlát már stornózta a(z) 20100042 számú számla. Egy számla "
                                "csak egyszer stornózható."),
                 QStringLiteral("OK"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 3);
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '1'")), QStringLiteral("20100042"));

        // An invoice printed but never issued (from before reporting) still opens with "J".
        QTest::keyClick(grid, Qt::Key_Down);
        QTRY_COMPARE(shownNumber->text(), QStringLiteral("20100041"));
        ModalDriver modify;
        modify.window(QStringLiteral("TForm9"), [&](QWidget* composer) {
            QCOMPARE(fieldText(composer, F::Number), QStringLiteral("20100041"));
            QTest::mouseClick(buttonOf(composer, "cancelButton"), Qt::LeftButton);
        });
        QPushButton* modifyButton = buttonOf(reg.get(), "modifyButton");
        modifyButton->setFocus();
        QTest::keyClick(modifyButton, Qt::Key_J);
        QVERIFY2(modify.wait(), qPrintable(modify.failures().join(u'\n')));
    }

    // "Módosít" and "Megtekint" work on the highlighted middle invoice as well.
    void viewAndModifyActOnHighlightedInvoice()
    {
        seedInvoice(QStringLiteral("20100040"), true, 1);
        seedInvoice(QStringLiteral("20100041"), false, 2);
        seedInvoice(QStringLiteral("20100042"), true, 3);
        setSequence(QStringLiteral("20100042"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        QTableView* grid = gridOf(reg.get(), "invoiceGrid");
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Down);

        QString previewed;
        ModalDriver driver;
        driver.window(QStringLiteral("ReportPreview"), [&](QWidget* preview) {
            previewed = preview->windowTitle();
            QTest::keyClick(preview, Qt::Key_Escape);
        });
        QTest::mouseClick(buttonOf(reg.get(), "viewButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QVERIFY2(previewed.contains(QStringLiteral("20100041")), qPrintable(previewed));
        QCOMPARE(reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"))->text(), QStringLiteral("20100041"));

        ModalDriver modify;
        modify.window(QStringLiteral("TForm9"), [&](QWidget* composer) {
            QCOMPARE(fieldText(composer, F::Number), QStringLiteral("20100041"));
            QCOMPARE(fieldText(composer, F::Remark), QStringLiteral("eredeti 20100041"));
            QTest::mouseClick(buttonOf(composer, "cancelButton"), Qt::LeftButton);
        });
        QTest::mouseClick(buttonOf(reg.get(), "modifyButton"), Qt::LeftButton);
        QVERIFY2(modify.wait(), qPrintable(modify.failures().join(u'\n')));
    }

    // An invoice another workstation removed after the register read it: "Módosít" says so, and
    // no composition screen opens over what the register last showed.
    void modifyOfAnInvoiceRemovedMeanwhileIsTold()
    {
        seedInvoice(QStringLiteral("20100040"), false, 1);
        seedInvoice(QStringLiteral("20100041"), false, 2);
        setSequence(QStringLiteral("20100041"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        QCOMPARE(reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"))->text(), QStringLiteral("20100040"));
        s->db.exec(QStringLiteral("DELETE FROM szlasor WHERE sBszam = '20100040'"));
        s->db.exec(QStringLiteral("DELETE FROM szlafej WHERE fBszam = '20100040'"));

        QStringList composers; // a composition screen that opened anyway is closed and noted
        QTimer rescue;
        connect(&rescue, &QTimer::timeout, this, [&composers] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->objectName() == u"TForm9") {
                composers << fieldText(dialog, F::Number);
                dialog->reject();
            }
        });
        rescue.start(200);
        ModalDriver driver;
        driver.box(QStringLiteral("A(z) 20100040 számú számla nem található!"), QStringLiteral("OK"));
        QTest::mouseClick(buttonOf(reg.get(), "modifyButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(composers, QStringList());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT fBszam FROM szlafej")), QStringList{QStringLiteral("20100041")});
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor")), 2);
    }

    // Another workstation stores an invoice while the register is open: it shows as soon as a
    // window over the register (here the storno question, answered "No") has closed, and the
    // invoice the operator highlighted stays highlighted.
    void anotherWorkstationsInvoiceShowsWhenABoxCloses()
    {
        seedInvoice(QStringLiteral("20100040"), true, 1);
        seedInvoice(QStringLiteral("20100041"), true, 2);
        setSequence(QStringLiteral("20100041"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        QTableView* grid = gridOf(reg.get(), "invoiceGrid");
        QLineEdit* shownNumber = reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"));
        QCOMPARE(grid->model()->rowCount(), 2);
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(shownNumber->text(), QStringLiteral("20100041"));

        Connection workstation;
        DB_VERIFY(workstation.open(s->db.profile()));
        DB_VERIFY(workstation.execute(encode(CodePage::Latin2,
            QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fMegj, fPrn, fvKod) VALUES ('20100042', '2010-05-12', "
                           "'másik munkaállomás', ' ', '2')"))));
        QCOMPARE(grid->model()->rowCount(), 2);

        ModalDriver driver;
        driver.box(QStringLiteral("Stornózni szeretné a bizonylatot?"), QStringLiteral("Nem"));
        QTest::mouseClick(buttonOf(reg.get(), "stornoButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QTRY_COMPARE(grid->model()->rowCount(), 3);
        QStringList cells;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            cells << grid->model()->index(2, c).data().toString();
        QVERIFY2(cells.contains(QStringLiteral("20100042")), qPrintable(cells.join(u'|')));
        QCOMPARE(shownNumber->text(), QStringLiteral("20100041"));
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 3);
    }

    // Typing a number in the register finds it from whichever row the register stands on (after a
    // new invoice: the last), wrapping round to the start.
    void typedNumberIsFoundFromAnyRow_data()
    {
        QTest::addColumn<int>("upFromLast");
        QTest::addColumn<int>("right"); // the arrow moved off the number column
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found"); // the number highlighted afterwards
        QTest::newRow("last row, earlier number") << 0 << 0 << "20100042" << "20100042";
        QTest::newRow("second last row, its own number") << 1 << 0 << "20100044" << "20100044";
        QTest::newRow("second last row, the last number") << 1 << 0 << "20100045" << "20100045";
        QTest::newRow("first of the six, the last number") << 5 << 0 << "20100045" << "20100045";
        QTest::newRow("last row, on another column") << 0 << 2 << "20100041" << "20100041";
        // said so, and the list stays where the typing began (20100045 matched on the way)
        QTest::newRow("no such number") << 1 << 0 << "20100049" << "20100044";
    }
    void typedNumberIsFoundFromAnyRow()
    {
        QFETCH(int, upFromLast);
        QFETCH(int, right);
        QFETCH(QString, typed);
        QFETCH(QString, found);
        // a register of several pages: earlier invoices before the six
        s->db.exec(QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fPrn, fvKod) WITH RECURSIVE n(i) AS (SELECT 1 "
                                  "UNION ALL SELECT i + 1 FROM n WHERE i < 250) SELECT 20090000 + i, '2009-05-10', 'I', "
                                  "'2' FROM n"));
        for (int n = 40; n <= 45; ++n)
            seedInvoice(QStringLiteral("201000%1").arg(n), true, 1);
        setSequence(QStringLiteral("20100045"));
        s->state.invoiceNumber = QStringLiteral("20100045");
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        QTableView* grid = gridOf(reg.get(), "invoiceGrid");
        QLineEdit* shownNumber = reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"));
        QCOMPARE(shownNumber->text(), QStringLiteral("20100045"));
        QCOMPARE(focused(reg.get()), static_cast<QWidget*>(grid)); // the register opens on its list
        for (int i = 0; i < upFromLast; ++i)
            QTest::keyClick(grid, Qt::Key_Up);
        for (int i = 0; i < right; ++i)
            QTest::keyClick(grid, Qt::Key_Right);
        ModalDriver driver;
        if (found != typed)
            driver.box(QStringLiteral("Nincs %1 kezdetű számla.").arg(typed), QStringLiteral("OK"));
        QTest::keyClicks(grid, typed);
        QVERIFY2(driver.done(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(shownNumber->text(), found);
        QCOMPARE(grid->currentIndex().row(), 250 + found.right(1).toInt());
    }

    // Another workstation deletes the highlighted invoice: once the register is re-read it stands
    // on the invoice now in that place (the one before it when it was the last).
    void deletedElsewhereTheNeighbourIsHighlighted_data()
    {
        QTest::addColumn<int>("downFromFirst");
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QString>("neighbour");
        QTest::newRow("middle") << 1 << "20100041" << "20100042";
        QTest::newRow("last") << 3 << "20100043" << "20100042";
    }
    void deletedElsewhereTheNeighbourIsHighlighted()
    {
        QFETCH(int, downFromFirst);
        QFETCH(QString, deleted);
        QFETCH(QString, neighbour);
        for (int n = 40; n <= 43; ++n)
            seedInvoice(QStringLiteral("201000%1").arg(n), true, 1);
        setSequence(QStringLiteral("20100043"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        QTableView* grid = gridOf(reg.get(), "invoiceGrid");
        QLineEdit* shownNumber = reg->findChild<QLineEdit*>(QStringLiteral("header_fBszam"));
        grid->setFocus();
        for (int i = 0; i < downFromFirst; ++i)
            QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(shownNumber->text(), deleted);

        Connection workstation;
        DB_VERIFY(workstation.open(s->db.profile()));
        DB_VERIFY(workstation.execute("DELETE FROM szlasor WHERE sBszam = '" + deleted.toLatin1() + "'"));
        DB_VERIFY(workstation.execute("DELETE FROM szlafej WHERE fBszam = '" + deleted.toLatin1() + "'"));

        // a window over the register closes: it is re-read
        ModalDriver driver;
        driver.window(QStringLiteral("navLogDialog"), [](QWidget* log) { qobject_cast<QDialog*>(log)->reject(); });
        QTest::mouseClick(buttonOf(reg.get(), "navLogButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QTRY_COMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(shownNumber->text(), neighbour);
    }

    // On an empty register the buttons that work on the highlighted invoice do nothing.
    void emptyRegisterDoesNothing()
    {
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        ModalDriver driver;
        Watchdog composer(QStringLiteral("TForm9"));
        for (const char* name : {"viewButton", "printButton", "modifyButton", "stornoButton"}) {
            QTest::mouseClick(buttonOf(reg.get(), name), Qt::LeftButton);
            QTest::qWait(100);
        }
        QPushButton* modifyButton = buttonOf(reg.get(), "modifyButton");
        modifyButton->setFocus();
        QTest::keyClick(modifyButton, Qt::Key_J);
        QTest::qWait(100);
        QVERIFY2(driver.done(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(driver.boxes(), QStringList());
        QVERIFY(!composer.opened);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 0);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlasor")), 0);
    }

    // The offered number already has a header (the sequence was set back): "Új" says so and
    // the composition screen does not open, so that invoice's lines cannot be changed.
    void newInvoiceRefusesTakenNumber()
    {
        seedInvoice(QStringLiteral("20100042"), true, 3);
        const QStringList before = s->db.rows(QStringLiteral("SELECT * FROM szlasor ORDER BY sID"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        Watchdog composer(QStringLiteral("TForm9"));
        ModalDriver driver;
        driver.box(QStringLiteral("20100042"), QStringLiteral("OK"));
        QTest::mouseClick(buttonOf(reg.get(), "newButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QVERIFY(!composer.opened);
        QVERIFY2(driver.boxes().value(0).contains(QStringLiteral("már létezik")), qPrintable(driver.boxes().value(0)));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT * FROM szlasor ORDER BY sID")), before);
        QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM szlafej")), 1);
    }

    // The invoice on the composition screen stops being its own: the one being modified is issued
    // elsewhere, or another workstation stores a header under the new invoice's number. "Töröl"
    // refuses, names the reason and what was typed, and the screen closes; no line is deleted.
    void aDeleteOnAnInvoiceNoLongerItsOwnClosesTheScreen_data()
    {
        QTest::addColumn<bool>("isNew");
        QTest::addColumn<QString>("reason");
        QTest::newRow("módosított, közben kiadták")
            << false << QStringLiteral("A(z) 20100041 számú számla közben nyomtatásra került");
        QTest::newRow("új, közben eltárolták")
            << true << QStringLiteral("A(z) 20100042 sorszámon közben egy másik munkaállomás számlát tárolt");
    }
    void aDeleteOnAnInvoiceNoLongerItsOwnClosesTheScreen()
    {
        QFETCH(bool, isNew);
        QFETCH(QString, reason);
        seedInvoice(QStringLiteral("20100041"), false, 2);
        setSequence(QStringLiteral("20100041"));
        if (isNew) // an abandoned invoice's line under the number the new invoice gets
            s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sMe, sEar, sPnem, sAfa) VALUES "
                                      "('20100042', 'Félkész', 1, 'db', 10, 'Ft', 27)"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        const QStringList before = s->db.rows(QStringLiteral("SELECT sBszam, sMegn FROM szlasor ORDER BY sID"));
        QPointer<QWidget> screen;
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        QVERIFY(tabTo(composer, QStringLiteral("field%1").arg(F::Remark)));
                        press(Qt::Key_End);
                        typeText(QStringLiteral(" SZ-77"));
                        if (isNew)
                            seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20100042")},
                                                      {QStringLiteral("fPrn"), QStringLiteral("I")},
                                                      {QStringLiteral("fvKod"), QStringLiteral("1")},
                                                      {QStringLiteral("fzKod"), QStringLiteral("1")},
                                                      {QStringLiteral("fPnem"), QStringLiteral("Ft")}});
                        else
                            s->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = 'I' WHERE fBszam = '20100041'"));
                        screen = composer;
                        QTest::mouseClick(buttonOf(composer, "deleteLineButton"), Qt::LeftButton);
                    })
            .box(reason, QStringLiteral("OK"), [](QWidget* box) {
                QVERIFY(box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))
                            ->text()
                            .contains(QStringLiteral(" SZ-77")));
            });
        QTest::mouseClick(buttonOf(reg.get(), isNew ? "newButton" : "modifyButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QVERIFY(screen.isNull() || !screen->isVisible());
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sBszam, sMegn FROM szlasor ORDER BY sID")), before);
    }

    // Lines left under the offered number by an abandoned invoice come back with their totals.
    void reopenedInvoiceShowsItsTotals()
    {
        s->db.exec(QStringLiteral(
            "INSERT INTO szlasor (sBszam, sMegn, sMenny, sMe, sEar, sPnem, sAfa) VALUES "
            "('20100042', 'Hitelesítés', 1, 'db', 15000, 'Ft', 27), ('20100042', 'Papír', 2, 'kg', 1250.5, 'Ft', 27)"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        ModalDriver driver;
        driver.window(QStringLiteral("TForm9"), [&](QWidget* composer) {
            QCOMPARE(gridOf(composer, "lineGrid")->model()->rowCount(), 2);
            QCOMPARE(fieldText(composer, F::NetTotal), QStringLiteral("17 501,00"));
            QCOMPARE(fieldText(composer, F::VatTotal), QStringLiteral("4 725,27"));
            QCOMPARE(fieldText(composer, F::GrandTotal), QStringLiteral("22 226,27"));
            QTest::mouseClick(buttonOf(composer, "cancelButton"), Qt::LeftButton);
        });
        QTest::mouseClick(buttonOf(reg.get(), "newButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
    }

    // The composition screen's line grid takes the focus; the arrow keys aim "Módosít" and
    // "Töröl" at a line.
    void lineGridAimsByKeyboard()
    {
        seedInvoice(QStringLiteral("20100041"), false, 2);
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sMe, sEar, sPnem, sAfa) VALUES "
                                  "('20100041', 'Harmadik', 5, 'db', 10, 'Ft', 27)"));
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        QTableView* grid = gridOf(composer, "lineGrid");
                        QVERIFY(tabTo(composer, QStringLiteral("lineGrid")));
                        press(Qt::Key_Home, Qt::ControlModifier);
                        press(Qt::Key_Down); // the second line
                        QCOMPARE(grid->currentIndex().row(), 1);
                        QVERIFY(tabTo(composer, QStringLiteral("deleteLineButton")));
                        press(Qt::Key_Return);
                        QCOMPARE(grid->model()->rowCount(), 2);
                        QVERIFY(tabTo(composer, QStringLiteral("lineGrid")));
                        press(Qt::Key_Home, Qt::ControlModifier); // the first line
                        QVERIFY(tabTo(composer, QStringLiteral("modifyLineButton")));
                        press(Qt::Key_Return);
                        QCOMPARE(fieldText(composer, F::GrandTotal), QStringLiteral("1 333,50"));
                        QVERIFY(tabTo(composer, QStringLiteral("okButton")));
                        press(Qt::Key_Return);
                    })
            .box(QStringLiteral("Az tételsor törölve!"), QStringLiteral("OK"))
            .window(QStringLiteral("TForm10"), [&](QWidget* line) {
                QCOMPARE(fieldText(line, 0), QStringLiteral("Mérleg 20100041"));
                QVERIFY(tabTo(line, QStringLiteral("field2")));
                typeText(QStringLiteral("1"));
                QVERIFY(tabTo(line, QStringLiteral("okButton")));
                press(Qt::Key_Return);
            });
        QTest::mouseClick(buttonOf(reg.get(), "modifyButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(s->db.rows(QStringLiteral("SELECT sMegn, sMenny FROM szlasor WHERE sBszam = '20100041' ORDER BY sMegn")),
                 (QStringList{QStringLiteral("Harmadik|5"), QStringLiteral("Mérleg 20100041|1")}));
    }

    // The line note keeps its line breaks as every memo does: CR LF in the database, one line
    // each on the screen when the line is opened again.
    void lineNoteStoredWithCrLf()
    {
        seedInvoice(QStringLiteral("20100041"), false, 2);
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        QTest::mouseClick(buttonOf(composer, "modifyLineButton"), Qt::LeftButton);
                        QTest::mouseClick(buttonOf(composer, "modifyLineButton"), Qt::LeftButton);
                        QTest::mouseClick(buttonOf(composer, "cancelButton"), Qt::LeftButton);
                    })
            .window(QStringLiteral("TForm10"),
                    [&](QWidget* line) {
                        QGuiApplication::clipboard()->setText(QStringLiteral("első sor\nmásodik sor"));
                        QVERIFY(tabTo(line, QStringLiteral("field%1").arg(InvoiceLineEditor::Note)));
                        press(Qt::Key_V, Qt::ControlModifier);
                        QTest::mouseClick(buttonOf(line, "okButton"), Qt::LeftButton);
                    })
            .window(QStringLiteral("TForm10"), [&](QWidget* line) {
                auto* note = line->findChild<QPlainTextEdit*>(QStringLiteral("field%1").arg(InvoiceLineEditor::Note));
                QCOMPARE(note->toPlainText(), QStringLiteral("első sor\nmásodik sor"));
                QTest::mouseClick(buttonOf(line, "cancelButton"), Qt::LeftButton);
            });
        QTest::mouseClick(buttonOf(reg.get(), "modifyButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT REPLACE(REPLACE(sMemo, CHAR(13), '<CR>'), CHAR(10), '<LF>') "
                                             "FROM szlasor WHERE sMegn = 'Mérleg 20100041'")),
                 QStringLiteral("első sor<CR><LF>második sor"));
    }

    // A free line typed by keyboard alone: the article chooser left with Escape hands over nothing
    // (the typed line stays), and Enter from the line's last field goes to "OK", never to a
    // chooser, with the note stored without the empty line Enter left behind.
    void lineEnterChainAndEscapeInAChooser()
    {
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        using L = InvoiceLineEditor;
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        QVERIFY(tabTo(composer, QStringLiteral("newLineButton")));
                        press(Qt::Key_Return); // the line screen
                        QCOMPARE(s->db.rows(QStringLiteral("SELECT sMegn, sMenny, sMe, sEar, IFNULL(scKod, ''), "
                                                           "REPLACE(REPLACE(sMemo, CHAR(13), '<CR>'), CHAR(10), '<LF>') "
                                                           "FROM szlasor")),
                                 QStringList{QStringLiteral("Szabad sor|1|db|777||kézi tétel")});
                        QVERIFY(tabTo(composer, QStringLiteral("cancelButton")));
                        press(Qt::Key_Return);
                    })
            .window(QStringLiteral("TForm10"),
                    [&](QWidget* line) {
                        typeText(QStringLiteral("Szabad sor"));
                        press(Qt::Key_Return); // VTSZ
                        press(Qt::Key_Return); // quantity
                        typeText(QStringLiteral("1"));
                        press(Qt::Key_Return); // unit
                        typeText(QStringLiteral("db"));
                        press(Qt::Key_Return); // unit price
                        typeText(QStringLiteral("777"));
                        QVERIFY(tabTo(line, QStringLiteral("articleButton")));
                        press(Qt::Key_Return); // the article list, left with Escape
                        QCOMPARE(fieldText(line, L::ArticleName), QStringLiteral("Szabad sor"));
                        QCOMPARE(fieldText(line, L::UnitPrice), QStringLiteral("777"));
                        QCOMPARE(fieldText(line, L::ArticleCode), QString());
                        QVERIFY(tabTo(line, QStringLiteral("field%1").arg(L::Note)));
                        typeText(QStringLiteral("kézi tétel"));
                        press(Qt::Key_Return); // the note is the last field: on to "OK"
                        QCOMPARE(focused(), line->findChild<QWidget*>(QStringLiteral("okButton")));
                        press(Qt::Key_Return);
                    })
            .window(QStringLiteral("TForm5"), [&](QWidget* chooser) {
                QVERIFY(chooser->isAncestorOf(focused()));
                press(Qt::Key_Down); // the operator highlights an article, then changes their mind
                press(Qt::Key_Escape);
            });
        QVERIFY(tabTo(reg.get(), QStringLiteral("newButton")));
        press(Qt::Key_Return);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        // the new invoice left with "Mégsem" takes its line with it
        QCOMPARE(s->db.scalar(QStringLiteral("SELECT COUNT(*) FROM szlasor")), QStringLiteral("0"));
    }

    // A field the program focuses (after a chooser, after a validation message) has its text
    // selected: what the operator types next replaces it.
    void focusedFieldTextIsReplacedByTyping()
    {
        std::unique_ptr<QDialog> reg = showRegister();
        QVERIFY(reg);
        QStringList storedLines;
        ModalDriver driver;
        driver
            .window(QStringLiteral("TForm9"),
                    [&](QWidget* composer) {
                        auto* discount = composer->findChild<QLineEdit*>(QStringLiteral("field%1").arg(F::Discount));
                        QTest::mouseClick(buttonOf(composer, "customerButton"), Qt::LeftButton);
                        // The discount emptied, so that "OK" refuses it.
                        QVERIFY(tabTo(composer, QStringLiteral("field%1").arg(F::Discount)));
                        press(Qt::Key_Backspace);
                        QCOMPARE(discount->text(), QString());
                        QVERIFY(tabTo(composer, QStringLiteral("newLineButton")));
                        press(Qt::Key_Return);
                        QTest::mouseClick(buttonOf(composer, "okButton"), Qt::LeftButton);
                        // "Nincs megadva engedmény!" put the focus on the discount
                        QCOMPARE(focused(), static_cast<QWidget*>(discount));
                        typeText(QStringLiteral("5"));
                        QCOMPARE(discount->text(), QStringLiteral("5"));
                        QTest::mouseClick(buttonOf(composer, "cancelButton"), Qt::LeftButton);
                    })
            .window(QStringLiteral("TForm3"),
                    [&](QWidget* chooser) {
                        QVERIFY(arrowTo(chooser, QStringLiteral("Kovács")));
                        QTest::mouseClick(buttonOf(chooser, "Kivalaszt"), Qt::LeftButton);
                    })
            .window(QStringLiteral("TForm10"),
                    [&](QWidget* line) {
                        auto* quantity = line->findChild<QLineEdit*>(QStringLiteral("field2"));
                        QVERIFY(tabTo(line, QStringLiteral("field2")));
                        typeText(QStringLiteral("3"));
                        QVERIFY(tabTo(line, QStringLiteral("articleButton")));
                        press(Qt::Key_Return); // the article chooser
                        QCOMPARE(focused(), static_cast<QWidget*>(quantity));
                        typeText(QStringLiteral("5"));
                        QCOMPARE(quantity->text(), QStringLiteral("5"));
                        // A zero quantity is refused and focused: the next digit replaces it.
                        quantity->selectAll();
                        typeText(QStringLiteral("0"));
                        QTest::mouseClick(buttonOf(line, "okButton"), Qt::LeftButton);
                        QCOMPARE(focused(), static_cast<QWidget*>(quantity));
                        typeText(QStringLiteral("2"));
                        QCOMPARE(quantity->text(), QStringLiteral("2"));
                        QTest::mouseClick(buttonOf(line, "okButton"), Qt::LeftButton);
                        // read before the unstored invoice is left, which takes its lines along
                        storedLines = s->db.rows(QStringLiteral("SELECT sMenny FROM szlasor"));
                    })
            .window(QStringLiteral("TForm5"),
                    [&](QWidget* chooser) { QTest::mouseClick(buttonOf(chooser, "Kivalaszt"), Qt::LeftButton); })
            .box(QStringLiteral("A mennyiség nulla!"), QStringLiteral("OK"))
            .box(QStringLiteral("Nincs megadva engedmény!"), QStringLiteral("OK"));
        QTest::mouseClick(buttonOf(reg.get(), "newButton"), Qt::LeftButton);
        QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        QCOMPARE(storedLines, QStringList{QStringLiteral("2")});
    }
};

QTEST_MAIN(InvoiceWindows)
#include "tst_invoicewindows.moc"
