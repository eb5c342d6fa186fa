#pragma once
// The modal preview of a laid-out report: pages on screen, printing (button and Ctrl+P) through
// the print dialog to any printer, and saving as PDF.
#include "reports/pagemodel.h"
#include "reports/reportengine.h"

#include <QDialog>
#include <memory>

class QAction;
class QPrinter;
class QPrintPreviewWidget;

namespace orvena::reports {

class ReportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportPreviewDialog(const PageModel& pages, QWidget* parent = nullptr);
    ~ReportPreviewDialog() override;

    QAction* printAction() const { return m_print; }
    QAction* pdfAction() const { return m_pdf; }
    QPrintPreviewWidget* view() const { return m_view; }

    // Writes the report into a PDF file; false (after telling the operator) when it cannot.
    bool saveAsPdf(const QString& fileName);

private:
    void printWithDialog();
    void askAndSavePdf();

    const PageModel& m_pages;
    std::unique_ptr<QPrinter> m_previewPrinter;
    QPrintPreviewWidget* m_view = nullptr;
    QAction* m_print = nullptr;
    QAction* m_pdf = nullptr;
};

// Shows every presented report in the modal preview, parented to the active window.
class PreviewReportPresenter : public EngineReportPresenter {
public:
    void present(PreparedReport& report, const QString& title) override;
};

// The presenter of the running program.
ReportPresenter& previewReportPresenter();

} // namespace orvena::reports
