#include "reportpreview.h"

#include "reports/reportpainter.h"

#include "db/errors.h"
#include "screens/common/chainfailure.h"
#include "screens/common/ui/guiuserinterface.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QToolButton>
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

    // Every action has its key, shown on its button, and the buttons are in reach of Tab (Enter
    // or Space presses the focused one); Escape closes the preview.
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("previewToolBar"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [this, toolbar](const QString& name, const QString& text, QList<QKeySequence> keys) {
        QAction* action = toolbar->addAction(
            QStringLiteral("%1 (%2)").arg(text, keys.front().toString(QKeySequence::NativeText)));
        action->setObjectName(name);
        if (keys.front() == QKeySequence(Qt::Key_Escape))
            keys.clear(); // the dialog's own key: it closes the preview as the button does
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(action->text());
        QWidget* button = toolbar->widgetForAction(action);
        button->setObjectName(name + QStringLiteral("Button"));
        button->setFocusPolicy(Qt::StrongFocus);
        button->installEventFilter(this);
        return action;
    };
    m_print = add(QStringLiteral("print"), QStringLiteral("Nyomtatás..."), {QKeySequence(QKeySequence::Print)});
    m_pdf = add(QStringLiteral("savePdf"), QStringLiteral("Mentés PDF-be..."), {QKeySequence(Qt::CTRL | Qt::Key_S)});
    toolbar->addSeparator();
    QAction* zoomIn = add(QStringLiteral("zoomIn"), QStringLiteral("Nagyítás"),
                          {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    QAction* zoomOut = add(QStringLiteral("zoomOut"), QStringLiteral("Kicsinyítés"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    QAction* fitPage = add(QStringLiteral("fitPage"), QStringLiteral("Egész oldal"), {QKeySequence(Qt::CTRL | Qt::Key_E)});
    QAction* fitWidth = add(QStringLiteral("fitWidth"), QStringLiteral("Oldalszélesség"), {QKeySequence(Qt::CTRL | Qt::Key_L)});
    toolbar->addSeparator();
    QAction* close = add(QStringLiteral("close"), QStringLiteral("Bezárás"), {QKeySequence(Qt::Key_Escape)});

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

bool ReportPreviewDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on a focused tool button presses it, as on every other button of the program.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QToolButton*>(watched);
        if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            button->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

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
        // The print dialog's "print to file" writes a PDF: like every document the program
        // writes, it is the user's alone.
        if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
            QFile::setPermissions(printer.outputFileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
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
