#include "reportengine.h"

#include "reportlayout.h"
#include "reportpainter.h"
#include "reporttemplate.h"

#include "db/errors.h"

#include <QtGlobal>

// The stored layouts live in this static library; their resource must be registered by hand.
static void registerStoredLayouts()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(reports);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace orvena::reports {

std::unique_ptr<PreparedReport> EngineReportPresenter::prepare(const ReportJob& job)
{
    registerStoredLayouts();
    ReportTemplate design = loadTemplate(job.templateFile);
    if (job.originalOnly && design.pages.size() > 1)
        design.pages.resize(1);
    return std::make_unique<LaidOutReport>(layoutReport(design, job, variables()), job.produced);
}

std::optional<QByteArray> EngineReportPresenter::renderPdf(const ReportJob& job)
{
    ReportJob quiet = job;
    quiet.produced = {}; // a rendering is no print: nothing is marked by it
    const std::unique_ptr<PreparedReport> report = prepare(quiet);
    return pdfBytes(pagesOf(*report));
}

void LaidOutReport::reportProduced()
{
    if (m_wasProduced)
        return;
    m_wasProduced = true;
    if (m_produced)
        m_produced();
}

LaidOutReport& EngineReportPresenter::laidOut(PreparedReport& report)
{
    auto* laidOut = dynamic_cast<LaidOutReport*>(&report);
    if (!laidOut)
        throw Error(QStringLiteral("A jelentést nem ez a nyomtatómodul készítette elő."));
    return *laidOut;
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
    LaidOutReport& laid = laidOut(report);
    writePdf(laid.pages, m_fileName); // throws when the file cannot be written
    ++m_presented;
    laid.reportProduced();
}

} // namespace orvena::reports
