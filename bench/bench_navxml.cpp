// Building the invoice-data document of an invoice (reading it, the print's amounts, the XML)
// and validating it against the official schema, for 100, 1 000 and 10 000 lines, next to
// PrintInvoice writing the same invoice to a three-copy PDF.
//   ORVENA_DB_SOCKET=... bench_navxml [repeats]
#include "invoice/printinvoice.h"
#include "nav/invoicedata.h"
#include "nav/schemavalidator.h"
#include "reports/reportengine.h"

#include "db/codepages.h"
#include "db/datamodule.h"
#include "db/setup.h"
#include "screens/common/screencontext.h"

#include <QDir>
#include <QElapsedTimer>
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
    options.database = QStringLiteral("orvena_bench_navxml");
    options.appUser.clear();
    options.demo = true;
    setup.execute("DROP DATABASE IF EXISTS orvena_bench_navxml");
    runSetup(setup, options);
    setup.execute("USE orvena_bench_navxml");

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
        // Every VAT code of the demo data, so the document carries exemptions as well.
        setup.execute(encode(CodePage::Latin2,
                             QStringLiteral("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, "
                                            "sPnem, skAfakod, sAfanev, sAfa, sMemo) SELECT '%1', '1', CONCAT('TM-', seq), "
                                            "CONCAT('Konyhai mérleg ', seq), '8423', 1 + seq % 7, IF(seq % 5 = 0, 'óra', "
                                            "'db'), 100 + seq / 3, 'Ft', kAfakod, kAfanev, kAfa, IF(seq % 10 = 0, "
                                            "'Megjegyzés a tételhez', '') FROM seq_1_to_%2 JOIN afa ON kAfakod = 1 + seq % 4")
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
