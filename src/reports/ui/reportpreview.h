#pragma once
// The modal preview of a laid-out report: pages on screen, printing (button and Ctrl+P) through
// the print dialog to any printer, and saving as PDF (Ctrl+S); zoom and fit have their keys too,
// each shown on its button. The first print that reaches its printer,
// or the first PDF written, counts as the document produced (a print routine marks it printed
// then); a cancelled print dialog or a failed printer produces nothing.
#include "reports/pagemodel.h"
#include "reports/reportengine.h"

#include <QDialog>
#include <functional>
#include <memory>

class QAction;
class QPrinter;
class QPrintPreviewWidget;

namespace orvena::reports {

class ReportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportPreviewDialog(const PageModel& pages, QWidget* parent = nullptr,
                                 std::function<void()> produced = {});
    ~ReportPreviewDialog() override;

    QAction* printAction() const { return m_print; }
    QPrintPreviewWidget* view() const { return m_view; }

    // Writes the report into a PDF file; false (after telling the operator) when it cannot.
    bool saveAsPdf(const QString& fileName);
    // Prints the pages the printer's range selects onto a printer the print dialog has set up;
    // false (after telling the operator) when the printer cannot be reached or fails.
    bool print(QPrinter& printer);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void printWithDialog();
    void askAndSavePdf();
    // Runs the output; its failure is told to the operator (false), its success reported to
    // the one who asked for the report (the document counts as produced).
    bool produce(const std::function<void()>& output);

    const PageModel& m_pages;
    std::function<void()> m_produced;
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
