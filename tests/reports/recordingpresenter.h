#pragma once
// A presenter for tests: prepares reports with the real engine and keeps the page model of every
// presented report instead of showing it. Keeping it counts as producing the document (as a
// written PDF does) unless `produce` is false, which stands for an operator who only looks.
#include "reports/reportengine.h"

#include <QDir>
#include <vector>

namespace orvena::test {

class RecordingPresenter : public reports::EngineReportPresenter {
public:
    void present(PreparedReport& report, const QString&) override
    {
        presented.push_back(pagesOf(report));
        if (produce)
            laidOut(report).reportProduced();
    }
    bool produce = true;
    const reports::PageModel& last() const { return presented.back(); }
    std::vector<reports::PageModel> presented;
};

// The folder of the shipped template files.
inline QString templateFolder()
{
    return QStringLiteral(ORVENA_SOURCE_DIR "/templates");
}

} // namespace orvena::test
