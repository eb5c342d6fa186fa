// The preview dialog on real documents: it shows the rendered invoice and delivery note (saved as
// screenshots for the screen tour), prints on Ctrl+P, saves PDF, and the print routine returns
// when it closes.
#include "delivery/printdeliverynote.h"
#include "invoice/printinvoice.h"
#include "reports/pagedump.h"
#include "reports/recordingpresenter.h"
#include "reports/ui/reportpreview.h"
#include "support/fakes.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPrintPreviewWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

private:
    std::unique_ptr<TestSession> m_session;
    InspectingPresenter m_presenter;
};

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
    m_session->state.printMode = QStringLiteral("Megtekint");
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
    m_session->state.printMode = QStringLiteral("Megtekint");
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
    };
    m_session->state.printMode = QStringLiteral("Megtekint");
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
    m_session->state.printMode = QStringLiteral("Megtekint");
    DB_VERIFY(PrintDeliveryNote(m_session->context, QStringLiteral("20100001")));
    m_session->context.reports = &m_presenter;
    QVERIFY(closed);
}

QTEST_MAIN(TestReportPreview)
#include "tst_reportpreview.moc"
