// The invoice register over many invoices (100 000 unless given): opening, re-reading and
// re-positioning, scrolling by pages and the memory held, next to the same list read whole (the
// query object's full read and a bare Connector/C client) in the same run.
//   ORVENA_DB_SOCKET=... bench_query [invoices]
#include "benchsupport.h"

#include "db/datamodule.h"
#include "invoice/invoiceregister.h"
#include "screens/common/querytablemodel.h"

#include <mysql.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace orvena;
using bench::median;
using bench::msSince;

namespace {

// The value that share (0..1) of the values do not exceed.
double percentile(std::vector<double> v, double share)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(share * static_cast<double>(v.size())))];
}

// Bare client: store the result and touch every cell, as a grid that shows them all would.
double bareClientMs(const ConnectionProfile& p, const char* sql, long& rows)
{
    MYSQL* m = mysql_init(nullptr);
    mysql_options(m, MYSQL_SET_CHARSET_NAME, "latin2");
    if (!mysql_real_connect(m, nullptr, p.user.toUtf8().constData(), p.password.toUtf8().constData(),
                            p.database.toUtf8().constData(), p.port, p.socket.toUtf8().constData(), 0)) {
        std::fprintf(stderr, "%s\n", mysql_error(m));
        std::exit(1);
    }
    QElapsedTimer t;
    t.start();
    mysql_real_query(m, sql, static_cast<unsigned long>(std::strlen(sql)));
    MYSQL_RES* res = mysql_use_result(m);
    const unsigned int cols = mysql_num_fields(res);
    unsigned long bytes = 0;
    rows = 0;
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        const unsigned long* len = mysql_fetch_lengths(res);
        for (unsigned int c = 0; c < cols; ++c)
            bytes += row[c] ? len[c] : 0;
        ++rows;
    }
    mysql_free_result(res);
    const double ms = msSince(t);
    mysql_close(m);
    return bytes > 0 ? ms : -1;
}

// Resident memory of this process, in MB.
double residentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

struct Scroll {
    std::vector<double> pageMs;
    double slowestMs = 0;
    double totalMs = 0;
    int pages = 0;
};

// Page Down from the first row to the last over a grid of 30 visible rows: each step reads the
// cells of the rows that come into view and moves the current row, as the grid does.
Scroll scrollByPages(Query& q, QueryTableModel& grid)
{
    Scroll s;
    q.first();
    QElapsedTimer all;
    all.start();
    for (int top = 0; top < grid.rowCount(); top += 30) {
        QElapsedTimer t;
        t.start();
        for (int r = top; r < std::min(top + 30, grid.rowCount()); ++r)
            for (int c = 0; c < grid.columnCount(); ++c)
                (void)grid.data(grid.index(r, c));
        q.setCurrentRow(top);
        (void)q.fieldText(QStringLiteral("fBszam"));
        s.pageMs.push_back(msSince(t));
        s.slowestMs = std::max(s.slowestMs, s.pageMs.back());
        ++s.pages;
    }
    s.totalMs = msSince(all);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int invoices = argc > 1 ? std::atoi(argv[1]) : 100000;
    Connection setup;
    const ConnectionProfile profile = bench::freshDatabase(setup, QStringLiteral("orvena_bench"), false);
    QElapsedTimer seed;
    seed.start();
    // Numbers in shuffled order, so the ORDER BY has real work to do.
    setup.execute(encode(CodePage::Latin2, QString::fromUtf8(QByteArray("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, fKerek, "
                             "fArfoly, fPnem, fmKod, fzKod, fvKod, fvSzam, fmemo, fMemoSzall, fMemoVevo) "
                             "SELECT 20000000 + ((seq * 7919) % ")
                  + QByteArray::number(invoices)
                  + "), '2010-05-17', '2010-05-17', '2010-05-25', 'átutalás', CONCAT('Megjegyzés ', seq), ' ', 0, "
                    "0, 'Ft', '00002', '1', seq % 50, '1', 'Köszönjük a vásárlást.', "
                    "'Tisza-Mérleg Kft.\\r\\n6720 Szeged, Kárász utca 14.', "
                    "'Kovács és Társa Bt.\\r\\n1052 Budapest, Váci utca 8.' FROM seq_1_to_"
                  + QByteArray::number(invoices))));
    std::printf("seeded %d invoices in %.0f ms\n", invoices, static_cast<double>(seed.elapsed()));

    DataModule data;
    data.connect(profile);
    const double connectedMb = residentMb();
    const char* sql = "SELECT * FROM SzlaFej ORDER BY fBszam";

    // The invoice register: opening (list, last row) and re-positioning on an invoice in the
    // middle of the list and on one near its end, as after a modal screen over it has closed.
    AppState state;
    bench::SilentUi ui;
    bench::NoScreens opener;
    ScreenContext context{data, state, ui, opener};
    InvoiceRegister reg(context);
    Query& list = data.query(QStringLiteral("ZQ10"));
    QueryTableModel registerGrid(list);
    std::vector<double> opening, repositioning, repositioningNearEnd;
    double firstOpening = 0, firstRepositioning = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        reg.open();
        // the grid's first screen, at the end where the register stands
        for (int r = std::max(0, list.rowCount() - 30); r < list.rowCount(); ++r)
            for (int c = 0; c < registerGrid.columnCount(); ++c)
                (void)registerGrid.data(registerGrid.index(r, c));
        opening.push_back(msSince(t));
        state.invoiceNumber = QString::number(20000000 + invoices / 2 + run);
        t.restart();
        reg.reread();
        (void)list.fieldText(QStringLiteral("fBszam"));
        repositioning.push_back(msSince(t));
        state.invoiceNumber = QString::number(20000000 + invoices - 1000 - run * 97);
        t.restart();
        reg.reread();
        (void)list.fieldText(QStringLiteral("fBszam"));
        repositioningNearEnd.push_back(msSince(t));
        if (run == 0) {
            firstOpening = opening.back();
            firstRepositioning = repositioning.back();
        }
    }
    // A re-read after another workstation stored an invoice (the table changed).
    setup.execute("INSERT INTO szlafej (fBszam) VALUES ('30000000')");
    QElapsedTimer changed;
    changed.start();
    reg.reread();
    (void)list.fieldText(QStringLiteral("fBszam"));
    const double rereadAfterChange = msSince(changed);
    setup.execute("DELETE FROM szlafej WHERE fBszam = '30000000'");
    const QString positionedOn = reg.highlightedNumber();
    reg.open();
    const double registerOpenMb = residentMb();
    const Scroll pagedScroll = scrollByPages(list, registerGrid);
    const double registerScrolledMb = residentMb();

    // The same list read whole, the old way: a query object that does not page, and the bare client.
    Query& q = data.query(QStringLiteral("ZQ_full"));
    std::vector<double> open, openAndRead, bare;
    long bareRows = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        q.setSql({QString::fromLatin1(sql)});
        q.open();
        open.push_back(msSince(t));
        // what a grid costs on top: the visible cells of one screen, then a jump to the end
        for (int r = 0; r < 30; ++r)
            for (int c = 0; c < q.columnCount(); ++c)
                (void)q.text(r, c);
        q.last();
        (void)q.fieldText(QStringLiteral("fBszam"));
        openAndRead.push_back(msSince(t));
        bare.push_back(bareClientMs(profile, sql, bareRows));
    }
    QueryTableModel fullGrid(q);
    const Scroll fullScroll = scrollByPages(q, fullGrid);
    const double fullOpenMb = residentMb();

    std::printf("rows: register %d, full read %d, bare client %ld\n", list.rowCount(), q.rowCount(), bareRows);
    std::printf("open SELECT * FROM SzlaFej ORDER BY fBszam read whole (the old way), median of 5:\n");
    std::printf("  query object open            %8.1f ms\n", median(open));
    std::printf("  query object open + grid use %8.1f ms\n", median(openAndRead));
    std::printf("  bare Connector/C client      %8.1f ms\n", median(bare));
    std::printf("invoice register over %d invoices, median of 5 (on %s):\n", invoices, qPrintable(positionedOn));
    std::printf("  opening (list, last row)     %8.1f ms   (first %.1f ms)\n", median(opening), firstOpening);
    std::printf("  re-read and re-position      %8.1f ms   (first %.1f ms; on an invoice in the middle)\n",
                median(repositioning), firstRepositioning);
    std::printf("  re-read, invoice near end    %8.1f ms\n", median(repositioningNearEnd));
    std::printf("  re-read after a change       %8.1f ms\n", rereadAfterChange);
    std::printf("  bare Connector/C client      %8.1f ms\n", median(bare));
    std::printf("scrolling first to last row by pages of 30 rows (%d pages):\n", pagedScroll.pages);
    std::printf("  register, slowest page       %8.2f ms   (99.9%% of pages within %.2f ms, 99%% within %.2f ms; "
                "all pages %.0f ms)\n",
                pagedScroll.slowestMs, percentile(pagedScroll.pageMs, 0.999), percentile(pagedScroll.pageMs, 0.99),
                pagedScroll.totalMs);
    std::printf("  full read, slowest page      %8.2f ms   (99.9%% of pages within %.2f ms, 99%% within %.2f ms; "
                "all pages %.0f ms)\n",
                fullScroll.slowestMs, percentile(fullScroll.pageMs, 0.999), percentile(fullScroll.pageMs, 0.99),
                fullScroll.totalMs);
    std::printf("resident memory:\n");
    std::printf("  connected                    %8.1f MB\n", connectedMb);
    std::printf("  register open                %8.1f MB\n", registerOpenMb);
    std::printf("  register scrolled to the end %8.1f MB\n", registerScrolledMb);
    std::printf("  full read open (old way)     %8.1f MB\n", fullOpenMb);
    q.close();
    list.close();
    data.connection().close();
    setup.execute("DROP DATABASE orvena_bench");
    return 0;
}
