// How long PrintInvoice takes from the first statement to a finished three-copy PDF, for invoices
// of 100, 1 000 and 10 000 lines, next to the line statement alone run on the same connection.
// The time per line should stay flat: the layout grows linearly with the lines.
//   ORVENA_DB_SOCKET=... bench_print [repeats]
// ORVENA_BENCH_PDF_DIR=folder keeps the last PDF of each size there (lines.pdf), to compare the
// output of two builds.
#include "invoice/printinvoice.h"
#include "reports/reportengine.h"

#include "benchsupport.h"

#include "db/datamodule.h"
#include "screens/common/screencontext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvena;
using bench::median;
using bench::msSince;

namespace {

// Writes the PDF and keeps how long the layout and the writing took.
class TimedPdfPresenter : public reports::PdfReportPresenter {
public:
    using PdfReportPresenter::PdfReportPresenter;
    std::unique_ptr<PreparedReport> prepare(const ReportJob& job) override
    {
        QElapsedTimer t;
        t.start();
        auto report = PdfReportPresenter::prepare(job);
        layoutMs = msSince(t);
        pages = report->pageCount();
        return report;
    }
    void present(PreparedReport& report, const QString& title) override
    {
        QElapsedTimer t;
        t.start();
        PdfReportPresenter::present(report, title);
        pdfMs = msSince(t);
    }
    double layoutMs = 0, pdfMs = 0;
    int pages = 0;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    Connection setup;
    const ConnectionProfile profile = bench::freshDatabase(setup, QStringLiteral("orvena_bench_print"), true);
    const std::vector<int> sizes{100, 1000, 10000};
    for (int lines : sizes)
        bench::seedInvoice(setup, lines, bench::LineVat::TwoRates);

    DataModule data;
    data.connect(profile);
    AppState state;
    bench::SilentUi ui;
    bench::NoScreens screens;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("bench.pdf"));
    TimedPdfPresenter presenter(pdf);
    ScreenContext context{data, state, ui, screens, &presenter};
    QDir::setCurrent(QStringLiteral(ORVENA_TEMPLATE_DIR));

    std::printf("PrintInvoice to a finished PDF (3 copies), median of %d runs\n", repeats);
    std::printf("%8s %7s %12s %12s %10s %10s %12s %10s\n", "lines", "pages", "baseline ms", "total ms", "layout ms",
                "pdf ms", "total us/ln", "PDF kB");
    for (int lines : sizes) {
        const QString number = QString::number(20100000 + lines);
        std::vector<double> totals, layouts, pdfs, baselines;
        for (int r = 0; r < repeats; ++r) {
            // baseline: the line statement alone, fetched through the same connection
            QElapsedTimer b;
            b.start();
            const auto rows = data.connection().select(
                encode(CodePage::Latin2, QStringLiteral("SELECT *, SUM( ROUND((smenny * sear) - (smenny * sear * "
                                                        "fKerek/100), 2 )) AS AFA_netto FROM Szlasor JOIN Szlafej ON "
                                                        "Szlafej.fbszam = Szlasor.sbszam WHERE sbszam = '%1' GROUP BY sID")
                                             .arg(number)));
            baselines.push_back(msSince(b));
            if (rows->rowCount() != lines)
                return 1;

            QElapsedTimer t;
            t.start();
            PrintInvoice(context, number);
            totals.push_back(msSince(t));
            layouts.push_back(presenter.layoutMs);
            pdfs.push_back(presenter.pdfMs);
        }
        const double total = median(totals);
        std::printf("%8d %7d %12.1f %12.1f %10.1f %10.1f %12.1f %10lld\n", lines, presenter.pages, median(baselines),
                    total, median(layouts), median(pdfs), total * 1000 / lines, QFileInfo(pdf).size() / 1024);
        const QString keep = qEnvironmentVariable("ORVENA_BENCH_PDF_DIR");
        if (!keep.isEmpty()) {
            const QString kept = QDir(keep).filePath(QStringLiteral("%1.pdf").arg(lines));
            QFile::remove(kept);
            if (!QFile::copy(pdf, kept))
                return 1;
        }
    }
    setup.execute("DROP DATABASE IF EXISTS orvena_bench_print");
    return 0;
}
