// Building the invoice-data document of an invoice (reading it, the print's amounts, the XML)
// and validating it against the official schema, for 100, 1 000 and 10 000 lines, next to
// PrintInvoice writing the same invoice to a three-copy PDF.
//   ORVENA_DB_SOCKET=... bench_navxml [repeats]
#include "invoice/printinvoice.h"
#include "nav/invoicedata.h"
#include "nav/schemavalidator.h"
#include "reports/reportengine.h"

#include "benchsupport.h"

#include "db/datamodule.h"
#include "screens/common/screencontext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvena;
using bench::median;
using bench::msSince;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    Connection setup;
    const ConnectionProfile profile = bench::freshDatabase(setup, QStringLiteral("orvena_bench_navxml"), true);
    const std::vector<int> sizes{100, 1000, 10000};
    for (int lines : sizes)
        bench::seedInvoice(setup, lines, bench::LineVat::EveryDemoCode);

    DataModule data;
    data.connect(profile);
    AppState state;
    bench::SilentUi ui;
    bench::NoScreens screens;
    QTemporaryDir dir;
    reports::PdfReportPresenter presenter(dir.filePath(QStringLiteral("bench.pdf")));
    ScreenContext context{data, state, ui, screens, &presenter};
    QDir::setCurrent(QStringLiteral(ORVENA_TEMPLATE_DIR));
    nav::validateInvoiceData(QByteArray("<x/>")); // the schemas are compiled once per run, not per invoice

    std::printf("Invoice-data document vs. PrintInvoice to PDF, median of %d runs\n", repeats);
    std::printf("%8s %10s %10s %12s %10s %12s %12s\n", "lines", "build ms", "valid. ms", "build+val ms", "XML kB",
                "PDF ms", "doc us/ln");
    for (int lines : sizes) {
        const QString number = QString::number(20100000 + lines);
        std::vector<double> builds, validations, pdfs;
        qsizetype size = 0;
        for (int r = 0; r < repeats; ++r) {
            QElapsedTimer t;
            t.start();
            const nav::InvoiceDocument doc = nav::buildInvoiceDocument(data, number);
            builds.push_back(msSince(t));
            if (!doc.problems.isEmpty() || doc.amounts.lines.size() != static_cast<size_t>(lines)) {
                std::fprintf(stderr, "%s\n", qPrintable(doc.problems.join(u'\n')));
                return 1;
            }
            size = doc.xml.size();
            t.restart();
            const nav::ValidationResult v = nav::validateInvoiceData(doc.xml);
            validations.push_back(msSince(t));
            if (!v.valid) {
                std::fprintf(stderr, "%s\n", qPrintable(v.problems.join(u'\n')));
                return 1;
            }
            t.restart();
            PrintInvoice(context, number);
            pdfs.push_back(msSince(t));
        }
        const double both = median(builds) + median(validations);
        std::printf("%8d %10.1f %10.1f %12.1f %10lld %12.1f %12.1f\n", lines, median(builds), median(validations), both,
                    static_cast<long long>(size / 1024), median(pdfs), both * 1000 / lines);
    }
    setup.execute("DROP DATABASE IF EXISTS orvena_bench_navxml");
    return 0;
}
