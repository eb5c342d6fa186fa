#include "reportengine.h"

#include "reportlayout.h"
#include "reportpainter.h"
#include "reporttemplate.h"

#include "db/errors.h"

namespace orvena::reports {

std::unique_ptr<PreparedReport> EngineReportPresenter::prepare(const ReportJob& job)
{
    const ReportTemplate design = loadTemplate(job.templateFile);
    return std::make_unique<LaidOutReport>(layoutReport(design, job, variables()));
}

const PageModel& EngineReportPresenter::pagesOf(const PreparedReport& report)
{
    const auto* laidOut = dynamic_cast<const LaidOutReport*>(&report);
    if (!laidOut)
        throw Error(QStringLiteral("A jelentést nem ez a nyomtatómodul készítette elő."));
    return laidOut->pages;
}

void PdfReportPresenter::present(PreparedReport& report, const QString&)
{
    writePdf(pagesOf(report), m_fileName);
    ++m_presented;
}

} // namespace orvena::reports
