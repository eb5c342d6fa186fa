#include "reportpreview.h"

#include "reports/reportpainter.h"

#include "db/errors.h"
#include "screens/common/chainfailure.h"
#include "screens/common/ui/guiuserinterface.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

namespace orvena::reports {

namespace {

void prepareA4(QPrinter& printer)
{
    printer.setFullPage(true); // the layout measures from the paper's corner
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
}

} // namespace

ReportPreviewDialog::ReportPreviewDialog(const PageModel& pages, QWidget* parent, std::function<void()> produced)
    : QDialog(parent),
      m_pages(pages),
      m_produced(std::move(produced)),
      m_previewPrinter(std::make_unique<QPrinter>(QPrinter::ScreenResolution))
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(pages.title.isEmpty() ? QStringLiteral("Nyomtatási kép") : pages.title);
    setModal(true);
    prepareA4(*m_previewPrinter);

    auto* toolbar = new QToolBar(this);
    m_print = toolbar->addAction(QStringLiteral("Nyomtatás..."));
    m_print->setShortcut(QKeySequence::Print);
    m_print->setShortcutContext(Qt::WindowShortcut);
    m_print->setToolTip(QStringLiteral("Nyomtatás (Ctrl+P)"));
    m_pdf = toolbar->addAction(QStringLiteral("Mentés PDF-be..."));
    toolbar->addSeparator();
    QAction* zoomIn = toolbar->addAction(QStringLiteral("Nagyítás"));
    QAction* zoomOut = toolbar->addAction(QStringLiteral("Kicsinyítés"));
    QAction* fitPage = toolbar->addAction(QStringLiteral("Egész oldal"));
    QAction* fitWidth = toolbar->addAction(QStringLiteral("Oldalszélesség"));
    toolbar->addSeparator();
    QAction* close = toolbar->addAction(QStringLiteral("Bezárás"));

    m_view = new QPrintPreviewWidget(m_previewPrinter.get(), this);
    connect(m_view, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
        try {
            paintReport(m_pages, *printer);
        } catch (const Error&) { // the preview stays empty; printing reports its own failures
        }
    });
    connect(m_print, &QAction::triggered, this, &ReportPreviewDialog::printWithDialog);
    connect(m_pdf, &QAction::triggered, this, &ReportPreviewDialog::askAndSavePdf);
    connect(zoomIn, &QAction::triggered, m_view, [this] { m_view->zoomIn(); });
    connect(zoomOut, &QAction::triggered, m_view, [this] { m_view->zoomOut(); });
    connect(fitPage, &QAction::triggered, m_view, &QPrintPreviewWidget::fitInView);
    connect(fitWidth, &QAction::triggered, m_view, &QPrintPreviewWidget::fitToWidth);
    connect(close, &QAction::triggered, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toolbar);
    layout->addWidget(m_view, 1);
    resize(900, 1000);
}

ReportPreviewDialog::~ReportPreviewDialog() = default;

void ReportPreviewDialog::printWithDialog()
{
    QPrinter printer(QPrinter::HighResolution);
    prepareA4(printer);
    printer.setDocName(m_pages.title);
    printer.setFromTo(0, 0);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setMinMax(1, static_cast<int>(m_pages.pages.size()));
    if (dialog.exec() != QDialog::Accepted)
        return; // nothing printed, nothing produced
    print(printer);
}

bool ReportPreviewDialog::print(QPrinter& printer)
{
    return produce([this, &printer] {
        PageModel chosen = m_pages;
        if (printer.fromPage() > 0) { // a page range was chosen
            const auto first = static_cast<size_t>(printer.fromPage() - 1);
            const auto last = std::min(static_cast<size_t>(printer.toPage()), m_pages.pages.size());
            chosen.pages.assign(m_pages.pages.begin() + static_cast<std::ptrdiff_t>(first),
                                m_pages.pages.begin() + static_cast<std::ptrdiff_t>(last));
        }
        paintReport(chosen, printer);
        if (printer.printerState() == QPrinter::Error)
            throw Error(QStringLiteral("A nyomtató hibát jelzett, a bizonylat nem készült el."));
    });
}

bool ReportPreviewDialog::saveAsPdf(const QString& fileName)
{
    return produce([this, &fileName] { writePdf(m_pages, fileName); });
}

bool ReportPreviewDialog::produce(const std::function<void()>& output)
{
    try {
        output();
    } catch (const Error& e) {
        GuiUserInterface ui(this);
        showFailure(ui, e.text(), &e, lcUi(), FailureBox::ErrorReport);
        return false;
    }
    if (m_produced)
        m_produced();
    return true;
}

void ReportPreviewDialog::askAndSavePdf()
{
    QString suggested = m_pages.title;
    suggested.replace(u' ', u'_');
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("Mentés PDF-be"), suggested + QStringLiteral(".pdf"),
                                                          QStringLiteral("PDF dokumentum (*.pdf)"));
    if (!fileName.isEmpty())
        saveAsPdf(fileName);
}

void PreviewReportPresenter::present(PreparedReport& report, const QString&)
{
    LaidOutReport& laid = laidOut(report);
    ReportPreviewDialog dialog(laid.pages, QApplication::activeWindow(), [&laid] { laid.reportProduced(); });
    dialog.exec();
}

ReportPresenter& previewReportPresenter()
{
    static PreviewReportPresenter presenter;
    return presenter;
}

} // namespace orvena::reports
