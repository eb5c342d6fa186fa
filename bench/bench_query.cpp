// Opening the invoice list over 100 000 invoices through the query object, next to a bare
// Connector/C client fetching the same rows in the same run.
//   ORVENA_DB_SOCKET=... bench_query [invoices]
#include "db/codepages.h"
#include "db/datamodule.h"
#include "db/setup.h"
#include "invoice/invoiceregister.h"

#include <mysql.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <vector>

using namespace orvena;

namespace {

// The register runs without an operator here: no box is expected, any would be a failure.
class SilentUserInterface : public UserInterface {
public:
    void message(const QString& text) override { report(text); }
    void notice(const QString& text) override { report(text); }
    bool askYesNo(const QString& text) override { return report(text), false; }
    void errorReport(const QString& text) override { report(text); }

private:
    static void report(const QString& text) { std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text)); }
};

class NoOpener : public ScreenOpener {
public:
    void open(Screen, const ScreenRequest&) override {}
    bool canOpen(Screen) const override { return false; }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    mysql_close(m);
    return bytes > 0 ? ms : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int invoices = argc > 1 ? std::atoi(argv[1]) : 100000;
    ConnectionProfile admin = ConnectionProfile::fromEnvironment();
    admin.user = qEnvironmentVariable("ORVENA_ADMIN_USER", QStringLiteral("root"));
    admin.database.clear();
    Connection setup;
    setup.open(admin);
    SetupOptions options;
    options.database = QStringLiteral("orvena_bench");
    options.appUser.clear();
    setup.execute("DROP DATABASE IF EXISTS orvena_bench");
    runSetup(setup, options);
    setup.execute("USE orvena_bench");
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

    ConnectionProfile profile = admin;
    profile.database = QStringLiteral("orvena_bench");
    DataModule data;
    data.connect(profile);
    Query& q = data.query(QStringLiteral("ZQ10"));
    const char* sql = "SELECT * FROM SzlaFej ORDER BY fBszam";

    std::vector<double> open, openAndRead, bare;
    long bareRows = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        q.setSql({QString::fromLatin1(sql)});
        q.open();
        open.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        // what a grid costs on top: the visible cells of one screen, then a jump to the end
        for (int r = 0; r < 30; ++r)
            for (int c = 0; c < q.columnCount(); ++c)
                (void)q.text(r, c);
        q.last();
        (void)q.fieldText(QStringLiteral("fBszam"));
        openAndRead.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        bare.push_back(bareClientMs(profile, sql, bareRows));
    }
    std::printf("rows: query object %d, bare client %ld\n", q.rowCount(), bareRows);
    std::printf("open SELECT * FROM SzlaFej ORDER BY fBszam, median of 5:\n");
    std::printf("  query object open            %8.1f ms\n", median(open));
    std::printf("  query object open + grid use %8.1f ms\n", median(openAndRead));
    std::printf("  bare Connector/C client      %8.1f ms\n", median(bare));

    // The invoice register: opening (list, last row) and re-positioning on an invoice in the
    // middle of the list, as after a modal screen over it has closed.
    AppState state;
    SilentUserInterface ui;
    NoOpener opener;
    ScreenContext context{data, state, ui, opener};
    InvoiceRegister reg(context);
    std::vector<double> opening, repositioning;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        reg.open();
        opening.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        state.invoiceNumber = QString::number(20000000 + invoices / 2);
        t.restart();
        reg.reread();
        repositioning.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("invoice register over %d invoices, median of 5 (on %s):\n", invoices,
                qPrintable(reg.highlightedNumber()));
    std::printf("  opening (list, last row)     %8.1f ms\n", median(opening));
    std::printf("  re-read and re-position      %8.1f ms\n", median(repositioning));
    std::printf("  bare Connector/C client      %8.1f ms\n", median(bare));
    q.close();
    data.connection().close();
    setup.execute("DROP DATABASE orvena_bench");
    return 0;
}
