#pragma once
// The report engine behind ReportPresenter: prepare() loads the template and lays it out into a
// page model; what present() does with the pages is up to the presenter.
#include "pagemodel.h"

#include "screens/common/reportpresenter.h"

namespace orvena::reports {

class LaidOutReport : public PreparedReport {
public:
    LaidOutReport(PageModel model, std::function<void()> produced)
        : pages(std::move(model)), m_produced(std::move(produced))
    {
    }
    int pageCount() const override { return static_cast<int>(pages.pages.size()); }
    // Tells the job that the document now exists on paper or in a file; only the first call
    // reaches it.
    void reportProduced();
    PageModel pages;

private:
    std::function<void()> m_produced;
    bool m_wasProduced = false;
};

class EngineReportPresenter : public ReportPresenter {
public:
    std::unique_ptr<PreparedReport> prepare(const ReportJob& job) override;
    std::optional<QByteArray> renderPdf(const ReportJob& job) override;

protected:
    // The page model of a report this engine prepared; throws Error for a foreign one.
    static const PageModel& pagesOf(const PreparedReport& report);
    static LaidOutReport& laidOut(PreparedReport& report);
};

// Writes every presented report into one PDF file (the command line's archive output); a
// report is produced once its file has been written completely.
class PdfReportPresenter : public EngineReportPresenter {
public:
    explicit PdfReportPresenter(const QString& fileName) : m_fileName(fileName) {}
    void present(PreparedReport& report, const QString& title) override;
    int presentedCount() const { return m_presented; }

private:
    QString m_fileName;
    int m_presented = 0;
};

} // namespace orvena::reports
