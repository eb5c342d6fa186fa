// The figures over a large data set: turnover by month (and the other views) for two years of
// issued invoices with two lines each, a tenth of them in EUR, their sums written as issuing writes
// them, next to a baseline that only sums the line amounts of the same invoices without rounding or
// grouping, and to the by-article and VAT views as they were read before the days' article and
// rate rows were kept (from the lines, and from every invoice's rate rows).
#include "benchsupport.h"

#include "db/datamodule.h"
#include "billing/invoicesums.h"
#include "billing/sql.h"
#include "figures/figures.h"

#include <QCoreApplication>
#include <functional>

using namespace orvena;

namespace {

double timeMedian(int runs, const std::function<void()>& fn)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        ms.push_back(bench::msSince(t));
    }
    return bench::median(ms);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int invoices = argc > 1 ? std::atoi(argv[1]) : 400000;
    Connection setup;
    const ConnectionProfile profile = bench::freshDatabase(setup, QStringLiteral("orvena_bench_figures"), false);
    QElapsedTimer seed;
    seed.start();
    const QByteArray n = QByteArray::number(invoices);
    setup.execute("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fPrn, fKerek, fArfoly, fPnem, fvKod) "
                  "SELECT 20000000 + seq, DATE_ADD('2025-01-01', INTERVAL seq % 730 DAY), "
                  "DATE_ADD('2025-01-01', INTERVAL seq % 730 DAY), DATE_ADD('2025-01-15', INTERVAL seq % 730 DAY), "
                  "'átutalás', 'I', IF(seq % 7 = 0, 5, 0), IF(seq % 10 = 0, 395.12, 0), IF(seq % 10 = 0, 'EUR', 'Ft'), "
                  "seq % 500 FROM seq_1_to_" + n);
    setup.execute("INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sMe, sEar, skAfakod, sAfanev, sAfa) "
                  "SELECT 20000000 + seq, seq % 300, 'Cikk', 1 + seq % 5, 'db', 1234.5 + seq % 97, '1', '27%', 27 "
                  "FROM seq_1_to_" + n);
    setup.execute("INSERT INTO szlasor (sBszam, scKod, sMegn, sMenny, sMe, sEar, skAfakod, sAfanev, sAfa) "
                  "SELECT 20000000 + seq, 300 + seq % 50, 'Könyv', 1, 'db', 99.99, '2', '5%', 5 FROM seq_1_to_" + n);
    std::printf("seeded %d invoices, %d lines in %.0f ms\n", invoices, 2 * invoices, static_cast<double>(seed.elapsed()));
    // the sums issuing writes, written for every seeded invoice by the same statements
    seed.restart();
    backfillInvoiceSums(setup);
    std::printf("invoice sums of %d invoices written in %.0f ms\n", invoices, static_cast<double>(seed.elapsed()));
    setup.execute("ANALYZE TABLE szlafej, szlasor, szlaosszeg, szlaafaosszeg, szlacikkosszeg, szlanapcikk, szlanapafa");

    DataModule data;
    data.connect(profile);
    const figures::Period all{QDate(2025, 1, 1), QDate(2026, 12, 31)};
    const figures::Period month{QDate(2026, 3, 1), QDate(2026, 3, 31)};
    const double baseline = timeMedian(5, [&] {
        data.connection().select("SELECT COUNT(DISTINCT h.fBszam), SUM(sMenny * sEar) FROM szlafej h JOIN szlasor ON "
                                 "sBszam = h.fBszam WHERE h.fPrn = 'I' AND h.fRkelt BETWEEN '2025-01-01' AND '2026-12-31'");
    });
    std::printf("baseline: unrounded sum over the same lines       %8.1f ms\n", baseline);
    // the by-article view from the period's lines, each its share of its rate's forints
    const QString h = QStringLiteral("h"), s = QStringLiteral("s");
    const QByteArray fromLines = encode(
        CodePage::Latin2,
        QStringLiteral("SELECT code, MAX(name), SUM(netHuf), SUM(vatHuf), COUNT(DISTINCT number), SUM(netHuf) + "
                       "SUM(vatHuf) AS g FROM (SELECT s.scKod AS code, s.sMegn AS name, h.fBszam AS number, %1 AS netHuf, "
                       "%2 AS vatHuf FROM szlafej h JOIN szlasor s ON s.sBszam = h.fBszam WHERE h.fPrn = 'I' AND "
                       "h.fRkelt BETWEEN '2025-01-01' AND '2026-12-31') l GROUP BY code ORDER BY g DESC, code")
            .arg(billing::lineForintSql(billing::lineNetSql(s, h)), billing::lineForintSql(billing::lineVatSql(s, h))));
    std::printf("before: by article from the lines                  %8.1f ms\n",
                timeMedian(3, [&] { data.connection().select(fromLines); }));
    const QByteArray fromRates = "SELECT rAfakod, MAX(rAfanev), rAfa, COALESCE((SELECT MAX(kNavTipus) FROM afa WHERE "
                                 "afa.kAfakod = r.rAfakod), ''), SUM(rNettoFt), SUM(rAfaFt), COUNT(DISTINCT rBszam) FROM "
                                 "szlaafaosszeg r WHERE rRkelt BETWEEN '2025-01-01' AND '2026-12-31' GROUP BY rAfakod, "
                                 "rAfa ORDER BY rAfa DESC, rAfakod";
    std::printf("before: VAT analytics from every invoice's rates   %8.1f ms\n",
                timeMedian(5, [&] { data.connection().select(fromRates); }));
    for (auto [view, name] : {std::pair{figures::View::Month, "turnover by month"},
                              std::pair{figures::View::Customer, "turnover by customer"},
                              std::pair{figures::View::Article, "turnover by article"},
                              std::pair{figures::View::Vat, "VAT analytics"}}) {
        figures::Table t;
        const double ms = timeMedian(5, [&] { t = figures::compute(data, view, all); });
        const double oneMonth = timeMedian(5, [&] { figures::compute(data, view, month); });
        std::printf("%-22s all %d invoices: %8.1f ms (%zu rows); one month: %6.1f ms\n", name,
                    int(t.total.invoices), ms, t.rows.size(), oneMonth);
    }
    setup.execute("DROP DATABASE orvena_bench_figures");
    return 0;
}
