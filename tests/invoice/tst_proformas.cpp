// Proformas: composed through the real windows into their own tables, printed as "Díjbekérő — nem
// számla" with their own number, turned into an invoice once (whichever workstation tries again),
// and never seen where invoices are read.
#include "support/invoiceseed.h"
#include "support/fakes.h"
#include "support/modaldriver.h"
#include "support/testdatabase.h"
#include "support/windowsession.h"

#include "app/session.h"
#include "invoice/invoicecomposer.h"
#include "invoice/printinvoice.h"
#include "invoice/proforma.h"
#include "reports/reportengine.h"
#include "screens/common/documentguard.h"
#include "screens/common/worklocks.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace orvena;
using namespace orvena::test;
using F = InvoiceComposer::Field;

namespace {

// A second workstation on the same database: its own connection, state and message boxes.
struct Workstation {
    explicit Workstation(const TestDatabase& db) { data.connect(db.profile()); }
    DataModule data;
    AppState state;
    FakeUserInterface ui;
    ScriptedOpener opener;
    ScreenContext context{data, state, ui, opener};
};

QString pdfText(const QString& file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Typed into the field as a keyboard sends it (letters beyond ASCII as key events with their text).
void typeInto(QWidget* field, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(field, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QPushButton* buttonOf(QWidget* w, const char* name)
{
    return w->findChild<QPushButton*>(QString::fromLatin1(name));
}

QLineEdit* fieldOf(QWidget* w, int field)
{
    return w->findChild<QLineEdit*>(QStringLiteral("field%1").arg(field));
}

} // namespace

class Proformas : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowSession> s;
    QString previousDir;

    QStringList rows(const QString& sql) { return s->db.rows(sql); }
    QString scalar(const QString& sql) { return s->db.scalar(sql); }

    // A proforma (stored number `number`) of customer 2 with two lines, in label set `labels`.
    void seedProforma(const QString& number, const QString& labels = QStringLiteral("00002"))
    {
        s->db.exec(QStringLiteral(
            "INSERT INTO dijbfej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, fKerek, fArfoly, fPnem, "
            "fmKod, fzKod, fzSzam, fvKod, fvSzam, fmemo, fMemoSzall, fMemoVevo) VALUES ('%1', '2010-05-10', "
            "'2010-05-11', '2010-05-25', 'átutalás', 'előre fizetendő', ' ', 0, 0, 'Ft', '%2', '1', '1', '2', '2', "
            "'', 'Szállító Kft.', 'Vevő Bt.')")
                       .arg(number, labels));
        s->db.exec(QStringLiteral(
            "INSERT INTO dijbsor (sBszam, scKod, sMegn, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa, sGolaj) "
            "VALUES ('%1', '1', 'Mérleg díjbekérőn', 2, 'db', 1000, 'Ft', '1', '27% általános', 27, 0), "
            "('%1', '4', 'Hitelesítés díjbekérőn', 1, 'db', 500, 'Ft', '1', '27% általános', 27, 0)")
                       .arg(number));
        s->db.exec(QStringLiteral("UPDATE sorszam SET aBszam = '%1' WHERE aKod = 'D'").arg(number));
    }
    std::unique_ptr<QDialog> showScreen(Screen screen)
    {
        std::unique_ptr<QDialog> dialog(s->registry.create(screen));
        if (!dialog)
            return dialog;
        dialog->show();
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get()))
            qWarning("%s never became active", qPrintable(dialog->objectName()));
        return dialog;
    }
    // Nothing of a proforma reached what reads invoices: the invoice tables, the reporting queue,
    // the balances behind the register, the receivables and the figures.
    void noInvoiceAnywhere()
    {
        for (const char* table : {"szlafej", "szlasor", "szlanav", "szlaegyenleg", "szlahivatkozas"})
            QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))), QStringLiteral("0"));
        QCOMPARE(scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '1'")), QStringLiteral("20100041"));
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

    // The operator's whole way through the windows: "Új" composes a proforma on the invoice's
    // composition screen (customer, a line, "OK"), "Nyomtat" prints it and it stays modifiable,
    // "Számla a díjbekérőből" makes the invoice, after which the proforma refuses every change
    // and a second conversion, and the invoice register stands on the new invoice.
    void composedPrintedAndConvertedThroughTheWindows()
    {
        std::unique_ptr<QDialog> reg = showScreen(Screen::ProformaRegister);
        QVERIFY(reg);
        {
            ModalDriver driver;
            driver
                .window(QStringLiteral("TDijbekeroSzerk"),
                        [&](QWidget* composer) {
                            QCOMPARE(composer->windowTitle(), QStringLiteral("Díjbekérő készítés"));
                            QCOMPARE(fieldOf(composer, F::Number)->text(), QStringLiteral("20100001"));
                            QVERIFY(buttonOf(composer, "fromDeliveryButton")->isHidden());
                            QVERIFY(!composer->findChild<QWidget*>(QStringLiteral("advanceRow")));
                            buttonOf(composer, "customerButton")->click();
                            QCOMPARE(fieldOf(composer, F::PaymentMethod)->text(), QStringLiteral("átutalás"));
                            buttonOf(composer, "newLineButton")->click();
                            QCOMPARE(fieldOf(composer, F::GrandTotal)->text(), QStringLiteral("11 430,00"));
                            buttonOf(composer, "okButton")->click();
                        })
                .window(QStringLiteral("TForm3"),
                        [&](QWidget* chooser) {
                            // the customer by the arrow keys; "Kiválaszt" hands it over
                            auto* grid = chooser->findChild<QWidget*>(QStringLiteral("Grid"));
                            auto* shown = chooser->findChild<QLabel*>(QStringLiteral("Detail_vNeve"));
                            QVERIFY(grid && shown);
                            QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
                            for (int i = 0; i < 20 && !shown->text().startsWith(QStringLiteral("Szőke")); ++i)
                                QTest::keyClick(grid, Qt::Key_Down);
                            QVERIFY(shown->text().startsWith(QStringLiteral("Szőke")));
                            QTest::mouseClick(chooser->findChild<QPushButton*>(QStringLiteral("Kivalaszt")),
                                              Qt::LeftButton);
                        })
                .window(QStringLiteral("TForm10"), [&](QWidget* line) {
                    typeInto(fieldOf(line, InvoiceLineEditor::ArticleName), QStringLiteral("Hitelesítés"));
                    fieldOf(line, InvoiceLineEditor::Quantity)->selectAll();
                    typeInto(fieldOf(line, InvoiceLineEditor::Quantity), QStringLiteral("3"));
                    fieldOf(line, InvoiceLineEditor::UnitPrice)->selectAll();
                    typeInto(fieldOf(line, InvoiceLineEditor::UnitPrice), QStringLiteral("3000"));
                    buttonOf(line, "okButton")->click();
                });
            // an advance invoice under the same number keeps its kind: a proforma's store is not its own
            s->db.exec(QStringLiteral("INSERT INTO szlajelleg (jBszam, jJelleg) VALUES ('20100001', 'ELOLEG')"));
            buttonOf(reg.get(), "newButton")->click();
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QCOMPARE(rows(QStringLiteral("SELECT jBszam, jJelleg FROM szlajelleg")), QStringList{QStringLiteral("20100001|ELOLEG")});
        const QString customer = scalar(QStringLiteral("SELECT fvKod FROM dijbfej"));
        QCOMPARE(rows(QStringLiteral("SELECT fBszam, fFizmod, fPrn FROM dijbfej")),
                 QStringList{QStringLiteral("20100001|átutalás| ")});
        QCOMPARE(rows(QStringLiteral("SELECT sBszam, sMegn, sMenny, sEar, sAfa FROM dijbsor")),
                 QStringList{QStringLiteral("20100001|Hitelesítés|3|3000|27")});
        QCOMPARE(scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = 'D'")), QStringLiteral("20100001"));
        noInvoiceAnywhere();
        QTRY_COMPARE(reg->findChild<QLineEdit*>(QStringLiteral("header_dSzam"))->text(), QStringLiteral("D20100001"));

        // "Nyomtat": written, noted as printed, still no invoice and still modifiable.
        QTemporaryDir out;
        reports::PdfReportPresenter pdf(out.filePath(QStringLiteral("d.pdf")));
        s->context.reports = &pdf;
        buttonOf(reg.get(), "printButton")->click();
        QCOMPARE(pdf.presentedCount(), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT fPrn FROM dijbfej")), QStringLiteral("I"));
        noInvoiceAnywhere();
        {
            ModalDriver driver;
            driver.window(QStringLiteral("TDijbekeroSzerk"), [&](QWidget* composer) {
                QCOMPARE(fieldOf(composer, F::Number)->text(), QStringLiteral("20100001"));
                QCOMPARE(fieldOf(composer, F::GrandTotal)->text(), QStringLiteral("11 430,00"));
                typeInto(fieldOf(composer, F::Contract), QStringLiteral("SZ-9"));
                buttonOf(composer, "okButton")->click();
            });
            buttonOf(reg.get(), "modifyButton")->click();
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QCOMPARE(scalar(QStringLiteral("SELECT fSzerz FROM dijbfej WHERE fBszam = '20100001'")), QStringLiteral("SZ-9"));

        // "Számla a díjbekérőből": the next invoice number, unprinted, with the proforma's lines.
        {
            ModalDriver driver;
            driver.box(QStringLiteral("Számlát készít a(z) D20100001 díjbekérőből?"), QStringLiteral("Igen"))
                .box(QStringLiteral("A(z) D20100001 díjbekérőből elkészült a(z) 20100042 számú számla."),
                     QStringLiteral("OK"));
            buttonOf(reg.get(), "convertButton")->click();
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
        }
        QCOMPARE(rows(QStringLiteral("SELECT fBszam, fvKod, fSzerz, fFizmod, fPrn, fRkelt = CURDATE() FROM szlafej")),
                 QStringList{QStringLiteral("20100042|%1|SZ-9|átutalás| |1").arg(customer)});
        QCOMPARE(rows(QStringLiteral("SELECT sBszam, sMegn, sMenny, sEar, sAfa FROM szlasor")),
                 QStringList{QStringLiteral("20100042|Hitelesítés|3|3000|27")});
        QCOMPARE(rows(QStringLiteral("SELECT dsBszam, dsSzamla FROM dijbszamla")),
                 QStringList{QStringLiteral("20100001|20100042")});
        QCOMPARE(scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '1'")), QStringLiteral("20100042"));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("0"));
        QTRY_COMPARE(reg->findChild<QLineEdit*>(QStringLiteral("header_dsSzamla"))->text(), QStringLiteral("20100042"));

        // A converted proforma is kept as it was: every change and a second conversion are refused.
        for (const char* button : {"modifyButton", "deleteButton", "convertButton"}) {
            ModalDriver driver;
            driver.box(QStringLiteral("A(z) D20100001 díjbekérőből már számla készült (a(z) 20100042 számú), ezért nem"),
                       QStringLiteral("OK"));
            buttonOf(reg.get(), button)->click();
            QVERIFY2(driver.wait(), qPrintable(button + driver.failures().join(u'\n')));
        }
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM dijbsor")), QStringLiteral("1"));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlafej")), QStringLiteral("1"));
        reg.reset();

        // The invoice register shows the new invoice.
        std::unique_ptr<QDialog> invoices = showScreen(Screen::InvoiceRegister);
        QVERIFY(invoices);
        QTRY_COMPARE(invoices->findChild<QLineEdit*>(QStringLiteral("header_fBszam"))->text(), QStringLiteral("20100042"));
    }

    // "Töröl" removes an unconverted proforma with its lines after the operator's "Igen"; "Nem"
    // keeps it.
    void deleteAsksAndRemovesTheProforma()
    {
        seedProforma(QStringLiteral("20100007"));
        std::unique_ptr<QDialog> reg = showScreen(Screen::ProformaRegister);
        QVERIFY(reg);
        for (const QString& answer : {QStringLiteral("Nem"), QStringLiteral("Igen")}) {
            ModalDriver driver;
            driver.box(QStringLiteral("Törölni szeretné a(z) D20100007 díjbekérőt a tételeivel együtt?"), answer);
            if (answer == u"Igen")
                driver.box(QStringLiteral("A(z) D20100007 díjbekérő törölve."), QStringLiteral("OK"));
            buttonOf(reg.get(), "deleteButton")->click();
            QVERIFY2(driver.wait(), qPrintable(driver.failures().join(u'\n')));
            const QString left = answer == u"Nem" ? QStringLiteral("2") : QStringLiteral("0");
            QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM dijbsor")), left);
        }
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM dijbfej")), QStringLiteral("0"));
    }

    // Two workstations: the conversion is checked inside its transaction, so the one that comes
    // second is refused even though its register still showed the proforma unconverted, and a
    // screen composing it elsewhere may no longer write into it. While another workstation works
    // on the proforma (holds its lock), it is not converted at all.
    void convertedOnceWhicheverWorkstationTries()
    {
        seedProforma(QStringLiteral("20100003"));
        Workstation a(s->db);
        Workstation b(s->db);
        {
            NamedLock editing(b.data.connection(), worklock::proforma(QStringLiteral("20100003")));
            QVERIFY(editing.held());
            QCOMPARE(convertProformaIntoInvoice(a.context, QStringLiteral("20100003")), QString());
            QVERIFY2(a.ui.texts().join(u'\n').contains(QStringLiteral("D20100003 díjbekérőt egy másik munkaállomás")),
                     qPrintable(a.ui.texts().join(u'\n')));
            QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlafej")), QStringLiteral("0"));
        }
        QCOMPARE(convertProformaIntoInvoice(a.context, QStringLiteral("20100003")), QStringLiteral("20100042"));
        QCOMPARE(convertProformaIntoInvoice(b.context, QStringLiteral("20100003")), QString());
        QVERIFY2(b.ui.texts().join(u'\n').contains(
                     QStringLiteral("A(z) D20100003 díjbekérőből már készült számla (a(z) 20100042 számú).")),
                 qPrintable(b.ui.texts().join(u'\n')));
        QCOMPARE(rows(QStringLiteral("SELECT fBszam, fPrn, fMegj FROM szlafej")),
                 QStringList{QStringLiteral("20100042| |előre fizetendő")});
        // every column of the lines comes along (the diesel figure too), each line once
        QCOMPARE(rows(QStringLiteral("SELECT sBszam, scKod, sMegn, sMenny, sEar, skAfakod, sAfanev, sAfa FROM szlasor "
                                     "ORDER BY sID")),
                 (QStringList{QStringLiteral("20100042|1|Mérleg díjbekérőn|2|1000|1|27% általános|27"),
                              QStringLiteral("20100042|4|Hitelesítés díjbekérőn|1|500|1|27% általános|27")}));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM dijbszamla")), QStringLiteral("1"));
        QCOMPARE(scalar(QStringLiteral("SELECT aBszam FROM sorszam WHERE aKod = '1'")), QStringLiteral("20100042"));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM dijbsor")), QStringLiteral("2")); // the proforma stays

        // A screen that composed it on b writes no more into it.
        const DocumentGuard guard{DocumentGuard::Kind::Proforma, QStringLiteral("20100003"), QString()};
        QCOMPARE(documentProblem(b.data, guard),
                 QStringLiteral("A(z) D20100003 díjbekérőből közben számla készült (a(z) 20100042 számú), ezért már "
                                "nem módosítható. A képernyő bezárul."));
        // A proforma without lines or no longer stored makes no invoice.
        s->db.exec(QStringLiteral("INSERT INTO dijbfej (fBszam, fPrn, fvKod, fPnem) VALUES ('20100004', ' ', '2', 'Ft')"));
        for (const char* number : {"20100004", "20100099"})
            QCOMPARE(convertProformaIntoInvoice(b.context, QLatin1String(number)), QString());
        QVERIFY(b.ui.texts().join(u'\n').contains(QStringLiteral("D20100004 díjbekérőnek nincs tételsora")));
        QVERIFY(b.ui.texts().join(u'\n').contains(QStringLiteral("D20100099 díjbekérő nem található")));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlafej")), QStringLiteral("1"));
    }

    // The print: the title that says it is no invoice, its own number with "D", its own lines and
    // amounts (an invoice under the same number is not mixed in), one copy without the invoice's
    // copy marks, in either label set; "Megtekint" leaves it unprinted, and nothing is issued.
    void printShowsAProformaNotAnInvoice_data()
    {
        QTest::addColumn<QString>("labels");
        QTest::newRow("egész forint") << "00002";
        QTest::newRow("fillér") << "00003";
    }
    void printShowsAProformaNotAnInvoice()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QFETCH(QString, labels);
        seedProforma(QStringLiteral("20100001"), labels);
        seedInvoiceHeader(s->db, {{QStringLiteral("fBszam"), QStringLiteral("20100001")},
                                  {QStringLiteral("fPrn"), QStringLiteral("I")},
                                  {QStringLiteral("fvKod"), QStringLiteral("2")},
                                  {QStringLiteral("fzKod"), QStringLiteral("1")},
                                  {QStringLiteral("fmKod"), QStringLiteral("00002")},
                                  {QStringLiteral("fPnem"), QStringLiteral("Ft")},
                                  {QStringLiteral("fArfoly"), QStringLiteral("0")},
                                  {QStringLiteral("fKerek"), QStringLiteral("0")}});
        s->db.exec(QStringLiteral("INSERT INTO szlasor (sBszam, sMegn, sMenny, sEar, sAfa, sPnem) VALUES "
                                  "('20100001', 'Számla sora', 7, 7, 27, 'Ft')"));
        QTemporaryDir out;
        const QString file = out.filePath(QStringLiteral("dijbekero.pdf"));
        reports::PdfReportPresenter pdf(file);
        Workstation w(s->db);
        w.context.reports = &pdf;
        PrintProforma(w.context, QStringLiteral("20100001"), PrintMode::View);
        QCOMPARE(pdf.presentedCount(), 1);
        QCOMPARE(w.ui.texts(), QStringList());
        const QString text = pdfText(file);
        QCOMPARE(text.count(QStringLiteral("Díjbekérő — nem számla")), 1);
        QVERIFY2(text.contains(QStringLiteral("D20100001")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Mérleg díjbekérőn")));
        QVERIFY(text.contains(QStringLiteral("3 175"))); // 2 x 1000 + 500, with 27 % VAT
        for (const char* invoiceOnly : {"Számla sora", "Eredeti", "példány", "MÁSOLATI", "Számlával egy tekintet",
                                        "K20100001", "Számla /"})
            QVERIFY2(!text.contains(QString::fromUtf8(invoiceOnly)), invoiceOnly);
        // the payment code asks for the proforma's amount, naming it as printed
        const QString qr = pdf.variables().value(QStringLiteral("v_fizetes_qr"));
        QVERIFY2(qr.contains(QStringLiteral("\nHUF000000003175\n")) && qr.contains(QStringLiteral("\nD20100001\n")),
                 qPrintable(qr));
        QCOMPARE(scalar(QStringLiteral("SELECT fPrn FROM dijbfej")), QStringLiteral(" "));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM szlanav")), QStringLiteral("0"));
    }
};

QTEST_MAIN(Proformas)
#include "tst_proformas.moc"
