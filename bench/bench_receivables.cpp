// "Kintlévőségek" over a large data set: two years of issued invoices (a tenth in EUR) to 20 000
// customers, three in four paid in full and the rest open, their sums and open balances written as
// issuing and booking write them. The list as the screen reads it (from the open balances), one
// customer's reminder lines and a day in the past, next to a full scan of the balance view, as the
// list was read before the open balances were kept.
#include "benchsupport.h"

#include "billing/balanceview.h"
#include "billing/invoicesums.h"
#include "billing/openbalance.h"
#include "db/datamodule.h"
#include "invoice/receivables.h"
#include "invoice/ui/receivablesdialog.h"
#include "screens/common/appstate.h"

#include <QApplication>
#include <functional>

using namespace orvena;

namespace {

// The median of `runs` runs; one run is enough for what takes seconds.
double timeMedian(int runs, const std::function<void()>& fn)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        ms.push_back(bench::msSince(t));
        if (ms.back() > 3000)
            break;
    }
    return bench::median(ms);
}

// Two years of invoices as the header says, their sums and open balances written.
void seedDataSet(Connection& setup, ConnectionProfile& profile, int invoices)
{
    profile = bench::freshDatabase(setup, QStringLiteral("orvena_bench_receivables"), false);
    QElapsedTimer seed;
    seed.start();
    const QByteArray n = QByteArray::number(invoices);
    setup.execute(encode(CodePage::Latin2, QStringLiteral("INSERT INTO vevo (vKod, vNeve) SELECT seq, CONCAT('Vevő ', "
                                                          "LPAD(seq, 5, '0')) FROM seq_0_to_19999")));
    setup.execute("INSERT INTO szallito (zKod, zNev1) VALUES ('1', 'Kibocsato Kft.')");
    setup.execute(encode(CodePage::Latin2,
                         QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fPrn, fKerek, "
                                        "fArfoly, fPnem, fmKod, fzKod, fvKod) SELECT 20000000 + seq, DATE_ADD('2025-01-01', "
                                        "INTERVAL seq % 730 DAY), DATE_ADD('2025-01-01', INTERVAL seq % 730 DAY), "
                                        "DATE_ADD('2025-01-15', INTERVAL seq % 730 DAY), 'átutalás', 'I', 0, IF(seq % 10 "
                                        "= 0, 395.12, 0), IF(seq % 10 = 0, 'EUR', 'Ft'), IF(seq % 3 = 0, '00002', "
                                        "'00003'), '1', seq % 20000 FROM seq_1_to_%1")
                             .arg(invoices)));
    setup.execute("INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sMe, sEar, skAfakod, sAfanev, sAfa) "
                  "SELECT 20000000 + seq, seq % 300, 'Cikk', 1 + seq % 5, 'db', 1234.5 + seq % 97, '1', '27%', 27 "
                  "FROM seq_1_to_" + n);
    backfillInvoiceSums(setup);
    ensureBalanceView(setup);
    // three in four paid in full, a day after their issue
    setup.execute("INSERT INTO szlafizetes (pBszam, pDatum, pOsszeg, pMod, pRogzitette, pRogzitve) SELECT eBszam, "
                  "DATE_ADD(eKelt, INTERVAL 1 DAY), eFizetendo, 'átutalás', 'bench', NOW() FROM szlaegyenleg WHERE "
                  "MOD(eBszam, 4) <> 0");
    std::printf("seeded %d invoices, %d paid, in %.0f ms\n", invoices, invoices - invoices / 4,
                static_cast<double>(seed.elapsed()));
    seed.restart();
    backfillOpenBalance(setup);
    std::printf("open balances written from a full scan of the view in %.0f ms\n", static_cast<double>(seed.elapsed()));
    setup.execute("ANALYZE TABLE szlafej, szlasor, szlaosszeg, szlafizetes, szlanyitott");

}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is measured
    const int invoices = argc > 1 ? std::atoi(argv[1]) : 400000;
    // ORVENA_BENCH_REUSE=1 measures on the data set a previous run kept (ORVENA_BENCH_KEEP=1), on a
    // server that has finished writing it: the seeding leaves the server flushing and purging
    // for a while, which the first run's figures share the machine with.
    const QString database = QStringLiteral("orvena_bench_receivables");
    Connection setup;
    ConnectionProfile profile = ConnectionProfile::fromEnvironment();
    profile.user = qEnvironmentVariable("ORVENA_ADMIN_USER", QStringLiteral("root"));
    profile.database = database;
    bool reused = false;
    if (!qEnvironmentVariableIsEmpty("ORVENA_BENCH_REUSE")) {
        try {
            setup.open(profile);
            reused = setup.select("SELECT COUNT(*) FROM szlafej")->integer(0, 0) == invoices;
        } catch (const Error&) {
            reused = false; // nothing kept: seeded afresh
        }
    }
    if (reused)
        std::printf("measured on the kept data set of %d invoices\n", invoices);
    else
        seedDataSet(setup, profile, invoices);
    DataModule data;
    data.connect(profile);
    AppState state;
    bench::SilentUi ui;
    bench::NoScreens opener;
    ScreenContext context{data, state, ui, opener};
    const QDate today(2027, 1, 15);

    // The list as it was read before: every invoice's balance worked out by the view.
    std::size_t scanned = 0;
    const double fullScan = timeMedian(3, [&] {
        const auto rows = data.connection().select(encode(
            CodePage::Latin2,
            QStringLiteral("SELECT b.eBszam, b.eVevo, IFNULL((SELECT v.vNeve FROM vevo v WHERE v.vKod = b.eVevo ORDER BY "
                           "v.vID LIMIT 1), b.eVevo) AS vNeve, f.fzKod, b.ePnem, b.eKelt, b.eHatarido, b.eFizetendo, "
                           "b.eFizetve, b.eHatralek FROM %1 b JOIN szlafej f ON f.fBszam = b.eBszam WHERE b.eKiallitva "
                           "= 1 AND b.eKelt <= '2027-01-15' AND b.eHatralek > 0 ORDER BY vNeve, b.eVevo, b.eHatarido, "
                           "b.eBszam")
                .arg(kBalanceView)));
        scanned = std::size_t(rows->rowCount());
    });
    std::printf("baseline: full scan of the balance view         %8.1f ms (%zu open)\n", fullScan, scanned);

    Receivables list(context);
    const double listed = timeMedian(5, [&] { list.read(today); });
    std::printf("receivables list from the open balances          %8.1f ms (%zu open)\n", listed, list.rows().size());
    // The screen as the operator opens it: read, its tree filled and laid out with every
    // customer open.
    std::size_t shown = 0;
    const double screen = timeMedian(3, [&] {
        ReceivablesDialog dialog(context);
        dialog.show();
        QCoreApplication::processEvents();
        shown = dialog.model().rows().size();
    });
    std::printf("\"Kintl\xc3\xa9v\xc5\x91s\xc3\xa9gek\" opened and shown             %8.1f ms (%zu open)\n", screen, shown);
    std::size_t letters = 0;
    const double reminder = timeMedian(5, [&] { letters = list.reminderLetters(QStringLiteral("4")).size(); });
    std::printf("one customer's reminder letters                  %8.1f ms (%zu letters)\n", reminder, letters);
    // A day in the past: the invoices paid since then are worked out by the view, the others read
    // from the open balances.
    Receivables past(context);
    const double pastDay = timeMedian(3, [&] { past.read(QDate(2026, 12, 20)); });
    std::printf("receivables list as of 2026.12.20                %8.1f ms (%zu open)\n", pastDay, past.rows().size());
    if (!reused && qEnvironmentVariableIsEmpty("ORVENA_BENCH_KEEP")) // kept when asked or reused
        setup.execute("DROP DATABASE orvena_bench_receivables");
    return 0;
}
