// How long PrintInvoice takes from the first statement to a finished three-copy PDF, for invoices
// of 100, 1 000 and 10 000 lines, next to the line statement alone run on the same connection.
// The time per line should stay flat: the layout grows linearly with the lines.
//   ORVENA_DB_SOCKET=... bench_print [repeats]
#include "invoice/printinvoice.h"
#include "reports/reportengine.h"

#include "db/codepages.h"
#include "db/datamodule.h"
#include "db/setup.h"
#include "screens/common/screencontext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvena;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double msSince(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

class SilentUi : public UserInterface {
public:
    void message(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void notice(const QString& text) override { message(text); }
    bool askYesNo(const QString&) override { return false; }
    void errorReport(const QString& text) override { message(text); }
};

class NoScreens : public ScreenOpener {
public:
    void open(Screen, const ScreenRequest&) override {}
    bool canOpen(Screen) const override { return false; }
};

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

    ConnectionProfile admin = ConnectionProfile::fromEnvironment();
    admin.user = qEnvironmentVariable("ORVENA_ADMIN_USER", QStringLiteral("root"));
    admin.database.clear();
    Connection setup;
    setup.open(admin);
    SetupOptions options;
    options.database = QStringLiteral("orvena_bench_print");
    options.appUser.clear();
    options.demo = true;
    setup.execute("DROP DATABASE IF EXISTS orvena_bench_print");
    runSetup(setup, options);
    setup.execute("USE orvena_bench_print");

    const std::vector<int> sizes{100, 1000, 10000};
    for (int lines : sizes) {
        const QString number = QString::number(20100000 + lines);
        setup.execute(encode(CodePage::Latin2,
                             QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, "
                                            "fKerek, fArfoly, fPnem, fmKod, fzKod, fvKod, fmemo, fMemoSzall, fMemoVevo) "
                                            "VALUES ('%1', '2010-05-17', '2010-05-17', '2010-05-25', 'átutalás', "
                                            "'Teljesítményteszt', ' ', 3, 0, 'Ft', '00002', '1', '1', 'Köszönjük!', "
                                            "'Tisza-Mérleg Kft.', 'Kovács és Társa Bt.')")
                                 .arg(number)));
        setup.execute(encode(CodePage::Latin2,
                             QStringLiteral("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, "
                                            "sPnem, skAfakod, sAfanev, sAfa, sMemo) SELECT '%1', '1', CONCAT('TM-', seq), "
                                            "CONCAT('Konyhai mérleg ', seq), '8423', 1 + seq % 7, 'db', 100 + seq / 3, "
                                            "'Ft', IF(seq % 3 = 0, '3', '1'), IF(seq % 3 = 0, '5% kedvezményes', "
                                            "'27% általános'), IF(seq % 3 = 0, 5, 27), IF(seq % 10 = 0, "
                                            "'Megjegyzés a tételhez', '') FROM seq_1_to_%2")
                                 .arg(number)
                                 .arg(lines)));
    }

    ConnectionProfile profile = admin;
    profile.database = options.database;
    DataModule data;
    data.connect(profile);
    AppState state;
    state.printMode = PrintMode::View;
    SilentUi ui;
    NoScreens screens;
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
    }
    setup.execute("DROP DATABASE IF EXISTS orvena_bench_print");
    return 0;
}
