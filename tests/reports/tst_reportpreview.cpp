// The preview dialog on real documents: it shows the rendered invoice and delivery note (saved as
// screenshots for the screen tour), prints on Ctrl+P, saves PDF, and the print routine returns
// when it closes.
#include "delivery/printdeliverynote.h"
#include "invoice/printinvoice.h"
#include "app/logfile.h"
#include "reports/pagedump.h"
#include "reports/recordingpresenter.h"
#include "reports/ui/reportpreview.h"
#include "support/fakes.h"
#include "support/modaldriver.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrintPreviewWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace orvena;
using namespace orvena::reports;
using namespace orvena::test;

namespace {

// Shows each report in the preview, as the program does, and lets the test look at it.
class InspectingPresenter : public EngineReportPresenter {
public:
    std::function<void(ReportPreviewDialog&)> inspect;
    void present(PreparedReport& report, const QString&) override
    {
        ReportPreviewDialog dialog(pagesOf(report));
        dialog.resize(900, 1000);
        dialog.show();
        if (QTest::qWaitForWindowExposed(&dialog) && inspect)
            inspect(dialog);
        dialog.close();
    }
};

constexpr QFileDevice::Permissions kOthersAndGroup = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                    | QFileDevice::ReadOther | QFileDevice::WriteOther;

void saveScreenshot(QWidget& widget, const QString& suffix)
{
    QDir().mkpath(QStringLiteral(ORVENA_SCREENSHOT_DIR));
    const QString file = QStringLiteral(ORVENA_SCREENSHOT_DIR "/%1_%2.png").arg(widget.objectName(), suffix);
    QVERIFY(widget.grab().save(file));
}

} // namespace

class TestReportPreview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void invoicePreview();
    void deliveryNotePreview();
    void printShortcut();
    void returnsWhenClosed();
    void cancelledPrintLeavesUnprinted();
    void printMarksOnceProduced();
    void failedPrinterLeavesUnprinted();
    void savedPdfMarksDeliveryNote();

private:
    // Runs one print routine in print mode through the program's own preview presenter.
    void printWithRealPreview(bool invoice);
    QString invoiceFlag() { return m_session->db.scalar(QStringLiteral("SELECT fPrn FROM szlafej WHERE fBszam = '20100001'")); }
    QString noteFlag() { return m_session->db.scalar(QStringLiteral("SELECT lPrn FROM szlevfej WHERE lBszam = '20100001'")); }

    std::unique_ptr<TestSession> m_session;
    InspectingPresenter m_presenter;
};

void TestReportPreview::printWithRealPreview(bool invoice)
{
    DB_VERIFY(m_session->db.exec(QStringLiteral("UPDATE szlafej SET fPrn = ' '")));
    DB_VERIFY(m_session->db.exec(QStringLiteral("UPDATE szlevfej SET lPrn = ' '")));
    m_session->context.reports = &previewReportPresenter();
    if (invoice)
        DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001"), PrintMode::Print));
    else
        DB_VERIFY(PrintDeliveryNote(m_session->context, QStringLiteral("20100001"), PrintMode::Print));
    m_session->context.reports = &m_presenter;
}

void TestReportPreview::initTestCase()
{
    m_session = std::make_unique<TestSession>();
    m_session->context.reports = &m_presenter;
    QVERIFY(QDir::setCurrent(templateFolder()));
    TestDatabase& db = m_session->db;
    DB_VERIFY(db.addDemoData());
    DB_VERIFY(db.exec(QStringLiteral(
        "INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, fKerek, fArfoly, fPnem, fmKod, "
        "fzKod, fvKod, fmemo, fMemoSzall, fMemoVevo) SELECT '20100001', '2010-05-17', '2010-05-17', '2010-05-25', "
        "'átutalás', 'Szerződés szerint', ' ', 0, 0, 'Ft', '00002', '1', vKod, 'Köszönjük a vásárlást!', "
        "(SELECT zMemoSzall FROM szallito LIMIT 1), vMemoVevo FROM vevo WHERE vKod = '1'")));
    DB_VERIFY(db.exec(QStringLiteral(
        "INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, sPnem, skAfakod, sAfanev, sAfa, "
        "sMemo) SELECT '20100001', cKod, cSzam, cMegn, cVtsz, 1, cMe, cEar, cPnem, cAfakod, cAfanev, cAfa, '' "
        "FROM cikk WHERE cKod IN ('1', '8')")));
    DB_VERIFY(db.exec(QStringLiteral(
        "INSERT INTO szlevfej (lBszam, lTkelt, lRkelt, lFkelt, lMegj, lPrn, lPnem, lmKod, lzKod, lvKod, lmemo, "
        "lMemoSzall, lMemoVevo) SELECT '20100001', '2010-05-17', '2010-05-17', '2010-05-25', 'Raktárból', ' ', 'Ft', "
        "'00003', '1', vKod, 'Átvette:', (SELECT zMemoSzall FROM szallito LIMIT 1), vMemoVevo FROM vevo "
        "WHERE vKod = '2'")));
    DB_VERIFY(db.exec(QStringLiteral(
        "INSERT INTO szlevsor (eBszam, ecKod, ecSzam, eMegn, eVtsz, eMenny, eMe, eMemo) SELECT '20100001', cKod, "
        "cSzam, cMegn, cVtsz, 1.5, cMe, '' FROM cikk WHERE cKod IN ('2', '3', '7')")));
}

void TestReportPreview::invoicePreview()
{
    bool inspected = false;
    m_presenter.inspect = [&](ReportPreviewDialog& dialog) {
        inspected = true;
        QCOMPARE(dialog.objectName(), QStringLiteral("ReportPreview"));
        QCOMPARE(dialog.view()->pageCount(), 3);
        QVERIFY(dialog.windowTitle().contains(QStringLiteral("K20100001")));
        dialog.view()->fitInView();
        QTest::qWait(50);
        saveScreenshot(dialog, QStringLiteral("invoice"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("szamla.pdf"));
        QVERIFY(dialog.saveAsPdf(file));
        QVERIFY(QFileInfo(file).size() > 1000);
    };
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    QVERIFY(inspected);
}

void TestReportPreview::deliveryNotePreview()
{
    bool inspected = false;
    m_presenter.inspect = [&](ReportPreviewDialog& dialog) {
        inspected = true;
        QCOMPARE(dialog.view()->pageCount(), 4);
        dialog.view()->fitInView();
        QTest::qWait(50);
        saveScreenshot(dialog, QStringLiteral("deliverynote"));
    };
    DB_VERIFY(PrintDeliveryNote(m_session->context, QStringLiteral("20100001")));
    QVERIFY(inspected);
}

void TestReportPreview::printShortcut()
{
    bool inspected = false;
    m_presenter.inspect = [&](ReportPreviewDialog& dialog) {
        inspected = true;
        QCOMPARE(dialog.printAction()->shortcut(), QKeySequence(QKeySequence::Print));
        QSignalSpy printed(dialog.printAction(), &QAction::triggered);
        // Ctrl+P opens the print dialog; the operator cancels it
        bool printDialogSeen = false;
        QTimer::singleShot(300, [&] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != &dialog) {
                printDialogSeen = true;
                modal->close();
            }
        });
        dialog.activateWindow();
        QTest::keyClick(&dialog, Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(printed.count(), 1);
        QVERIFY(printDialogSeen);

        // Every button shows its key; Tab reaches them, Enter presses the focused one.
        const std::pair<const char*, const char*> shown[] = {
            {"printButton", "Nyomtatás (Ctrl+P)"}, {"savePdfButton", "Mentés PDF-be (Ctrl+S)"},
            {"zoomInButton", "Nagyítás (Ctrl++)"},    {"zoomOutButton", "Kicsinyítés (Ctrl+-)"},
            {"fitPageButton", "Egész oldal (Ctrl+E)"}, {"fitWidthButton", "Oldalszélesség (Ctrl+L)"},
            {"closeButton", "Bezárás (Esc)"}};
        for (const auto& [name, text] : shown) {
            auto* button = dialog.findChild<QToolButton*>(QLatin1String(name));
            QVERIFY2(button, name);
            QCOMPARE(button->text(), QString::fromUtf8(text));
        }
        QPrintPreviewWidget* view = dialog.view();
        dialog.activateWindow(); // the offscreen platform activates no window when a modal one closes
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(view->zoomMode(), QPrintPreviewWidget::FitToWidth);
        QTest::keyClick(&dialog, Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(view->zoomMode(), QPrintPreviewWidget::FitInView);
        const qreal fitted = view->zoomFactor();
        QTest::keyClick(&dialog, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(view->zoomFactor() > fitted);
        QTest::keyClick(&dialog, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(&dialog, Qt::Key_Minus, Qt::ControlModifier);
        QVERIFY(view->zoomFactor() < fitted);
        auto* save = dialog.findChild<QToolButton*>(QStringLiteral("savePdfButton"));
        for (int i = 0; i < 20 && QApplication::focusWidget() != save; ++i)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(save));
        // Enter on it and Ctrl+S both ask where to save; the operator cancels each time
        int fileDialogs = 0;
        auto cancelFileDialog = [&] {
            QTimer::singleShot(200, [&] {
                if (auto* files = qobject_cast<QDialog*>(QApplication::activeModalWidget()); files && files != &dialog) {
                    ++fileDialogs;
                    files->reject();
                }
            });
        };
        cancelFileDialog();
        QTest::keyClick(save, Qt::Key_Return);
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        cancelFileDialog();
        QTest::keyClick(&dialog, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fileDialogs, 2);
    };
    DB_VERIFY(PrintInvoice(m_session->context, QStringLiteral("20100001")));
    QVERIFY(inspected);
}

void TestReportPreview::returnsWhenClosed()
{
    // The program's presenter runs the preview modally; closing it ends the print routine.
    EngineReportPresenter& real = static_cast<EngineReportPresenter&>(previewReportPresenter());
    m_session->context.reports = &real;
    bool closed = false;
    QTimer::singleShot(300, [&] {
        if (auto* preview = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            closed = preview->objectName() == u"ReportPreview";
            preview->accept();
        }
    });
    DB_VERIFY(PrintDeliveryNote(m_session->context, QStringLiteral("20100001")));
    m_session->context.reports = &m_presenter;
    QVERIFY(closed);
}

void TestReportPreview::cancelledPrintLeavesUnprinted()
{
    // "Nyomtat" shows the preview; Ctrl+P opens the print dialog; the operator cancels it and
    // closes the preview: nothing was printed, so the invoice stays unprinted.
    ModalDriver driver;
    driver.window(QStringLiteral("ReportPreview"),
                  [](QWidget* preview) { QTest::keyClick(preview, Qt::Key_P, Qt::ControlModifier); })
        .window(QStringLiteral("PrintDialog"), [](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); })
        .window(QStringLiteral("ReportPreview"), [](QWidget* preview) { static_cast<QDialog*>(preview)->accept(); });
    printWithRealPreview(true);
    QVERIFY2(driver.done(), qPrintable(driver.failures().join(u'\n')));
    QCOMPARE(invoiceFlag(), QStringLiteral(" "));
    QVERIFY(m_session->ui.texts().isEmpty());
}

void TestReportPreview::printMarksOnceProduced()
{
    // The print dialog prints into a file: the invoice is marked printed as soon as the pages
    // are out, while the preview is still open.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("nyomtato.pdf"));
    QString flagWhilePreviewOpen;
    ModalDriver driver;
    driver.window(QStringLiteral("ReportPreview"),
                  [](QWidget* preview) { static_cast<ReportPreviewDialog*>(preview)->printAction()->trigger(); })
        .window(QStringLiteral("PrintDialog"),
                [&file](QWidget* dialog) {
                    // the printer is the dialog's "print to file" choice, with our file name
                    if (auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers")))
                        printers->setCurrentIndex(printers->count() - 1);
                    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
                    QVERIFY(name);
                    name->setText(file);
                    static_cast<QDialog*>(dialog)->accept();
                })
        .window(QStringLiteral("ReportPreview"), [&](QWidget* preview) {
            flagWhilePreviewOpen = invoiceFlag();
            static_cast<QDialog*>(preview)->accept();
        });
    printWithRealPreview(true);
    QVERIFY2(driver.done(), qPrintable(driver.failures().join(u'\n')));
    QVERIFY(QFileInfo(file).size() > 1000);
    // a printed invoice is the user's alone
    QCOMPARE(QFileInfo(file).permissions() & kOthersAndGroup, QFileDevice::Permissions());
    QCOMPARE(flagWhilePreviewOpen, QStringLiteral("I"));
    QCOMPARE(invoiceFlag(), QStringLiteral("I"));
}

void TestReportPreview::failedPrinterLeavesUnprinted()
{
    // A printer that cannot be reached: the operator is told in Hungarian, the failure is logged
    // under the dialogs' category, and the invoice stays unprinted; a second attempt on a working
    // printer marks it.
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("orvena.log"));
    QVERIFY(startLogFile(log));
    bool firstPrinted = true;
    bool secondPrinted = false;
    ModalDriver driver;
    driver.window(QStringLiteral("ReportPreview"),
                  [&](QWidget* preview) {
                      QPrinter broken(QPrinter::HighResolution);
                      broken.setOutputFormat(QPrinter::PdfFormat);
                      broken.setOutputFileName(dir.filePath(QStringLiteral("nincs/ilyen/mappa.pdf")));
                      firstPrinted = static_cast<ReportPreviewDialog*>(preview)->print(broken);
                  })
        .box(QStringLiteral("A nyomtatás nem indítható el."), QStringLiteral("OK"))
        .window(QStringLiteral("ReportPreview"),
                [&](QWidget* preview) {
                    QCOMPARE(invoiceFlag(), QStringLiteral(" "));
                    QPrinter working(QPrinter::HighResolution);
                    working.setOutputFormat(QPrinter::PdfFormat);
                    working.setOutputFileName(dir.filePath(QStringLiteral("jo.pdf")));
                    secondPrinted = static_cast<ReportPreviewDialog*>(preview)->print(working);
                    static_cast<QDialog*>(preview)->accept();
                });
    printWithRealPreview(true);
    stopLogFile();
    QVERIFY2(driver.done(), qPrintable(driver.failures().join(u'\n')));
    QVERIFY(!firstPrinted);
    QVERIFY(secondPrinted);
    QFile logged(log);
    QVERIFY(logged.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(logged.readAll());
    QVERIFY2(text.contains(QStringLiteral(" orvena.ui warning: error: A nyomtatás nem indítható el.")), qPrintable(text));
    QCOMPARE(invoiceFlag(), QStringLiteral("I"));
}

void TestReportPreview::savedPdfMarksDeliveryNote()
{
    // Saving the first print as PDF produces the original: a failed save leaves the note
    // unprinted, a written file marks it.
    QTemporaryDir dir;
    ModalDriver driver;
    driver.window(QStringLiteral("ReportPreview"),
                  [&](QWidget* preview) {
                      QVERIFY(!static_cast<ReportPreviewDialog*>(preview)->saveAsPdf(
                          dir.filePath(QStringLiteral("nincs/szallito.pdf"))));
                  })
        .box(QStringLiteral("mappa nem létezik"), QStringLiteral("OK"))
        .window(QStringLiteral("ReportPreview"),
                [&](QWidget* preview) {
                    QCOMPARE(noteFlag(), QStringLiteral(" "));
                    QVERIFY(static_cast<ReportPreviewDialog*>(preview)->saveAsPdf(
                        dir.filePath(QStringLiteral("szallito.pdf"))));
                    static_cast<QDialog*>(preview)->accept();
                });
    printWithRealPreview(false);
    QVERIFY2(driver.done(), qPrintable(driver.failures().join(u'\n')));
    QCOMPARE(noteFlag(), QStringLiteral("I"));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("szallito.pdf"))).permissions() & kOthersAndGroup,
             QFileDevice::Permissions());
}

QTEST_MAIN(TestReportPreview)
#include "tst_reportpreview.moc"
