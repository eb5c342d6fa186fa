// The reporting queue at volume: issued invoices sent to the tests' stand-in of the tax
// authority's service (HTTPS on 127.0.0.1, checking every request as the service does: at most
// 100 invoices and 10 MB per request, a fresh exchange token for each, schema-valid documents)
// until every one is decided. Prints invoices per second and the requests made, by kind.
//   ORVENA_DB_SOCKET=... bench_navqueue [invoices]
#include "benchsupport.h"

#include "navsend/navcrypto.h"
#include "navsend/navprotocol.h"
#include "navsend/navqueue.h"
#include "navsend/support/navfixture.h"
#include "navsend/support/navschemas.h"
#include "navsend/support/navstandin.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

using namespace orvena;
using namespace orvena::nav;
using namespace orvena::test;

namespace {

// Seeds `invoices` issued invoices of issuer "1", each with its invoice-data document waiting to
// be sent, in two statements: the documents differ only in their number.
void seed(Connection& c, int invoices)
{
    const NavStandIn::User u = navTestUser();
    c.execute(encode(CodePage::Latin2,
                     QStringLiteral("UPDATE szallito SET zAdo = '12345676-2-06', zNavMod = 'TEST', zNavLogin = '%1', "
                                    "zNavJelszo = '%2', zNavAlairo = '%3', zNavCsere = '%4' WHERE zKod = '1'")
                         .arg(u.login, passwordHash(u.password), u.signatureKey, u.exchangeKey)));
    const QByteArray count = QByteArray::number(invoices);
    c.execute("INSERT INTO szlafej (fBszam, fzKod, fvKod, fTkelt, fRkelt, fFkelt, fPrn, fPnem) SELECT 20100000 + seq, "
              "'1', '1', '2010-03-01', '2010-03-01', '2010-03-09', '1', 'Ft' FROM seq_1_to_" + count);
    const QByteArray document = navInvoiceDocument(QStringLiteral("NUMBER"));
    c.execute("INSERT INTO szlanav (nBszam, nMuvelet, nEredeti, nXml, nKeszult, nAllapot) SELECT 20100000 + seq, "
              "'CREATE', NULL, REPLACE(0x" + document.toHex() + ", 'KNUMBER', CONCAT('K', 20100000 + seq)), NOW(), "
              "'KULDENDO' FROM seq_1_to_" + count);
}

// The queue's pauses, short: the stand-in answers at once.
QueueSettings quickSettings()
{
    QueueSettings s;
    s.requestTimeoutMs = 60000; // the stand-in validates every document in this thread
    s.pollMs = 20;
    s.pollMaxMs = 100;
    s.retryMs = 50;
    s.retryMaxMs = 400;
    return s;
}

// Lets the stand-in answer for `ms` (it runs on this thread's event loop).
void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int invoices = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    // The schemas' folder is also where the sample invoice is found (beside it, in samples/).
    if (NavSchemas::schemaDir().isEmpty() || navInvoiceDocument(QStringLiteral("1")).isEmpty()) {
        std::fprintf(stderr, "the official schemas and samples are not available (ORVENA_NAV_SCHEMA_DIR: "
                             "the schemas folder, with the samples folder beside it)\n");
        return 1;
    }
    NavStandIn server;
    if (!server.start()) {
        std::fprintf(stderr, "the stand-in does not start: %s\n", qPrintable(server.error()));
        return 1;
    }
    server.addUser(navTestUser());
    server.exportEnvironment();

    Connection setup;
    const ConnectionProfile profile = bench::freshDatabase(setup, QStringLiteral("orvena_bench_navqueue"), true);
    seed(setup, invoices);
    Connection connection;
    connection.open(profile);

    QElapsedTimer clock;
    clock.start();
    SendQueue queue(connection, quickSettings());
    for (;;) {
        const SendQueue::Step step = queue.step();
        if (!step.pending)
            break;
        pause(std::clamp(step.waitMs, 1, 100));
    }
    const double ms = bench::msSince(clock);

    const QString decided = setup.select("SELECT COUNT(*) FROM szlanav WHERE nAllapot = 'BEFOGADVA'")->text(0, 0);
    int largest = 0;
    for (const NavStandIn::Transaction& t : server.transactions())
        largest = std::max(largest, static_cast<int>(t.invoices.size()));
    qint64 largestBody = 0;
    for (const NavStandIn::Request& r : server.requests())
        largestBody = std::max<qint64>(largestBody, r.body.size());
    const int sends = server.requestCount(QStringLiteral("manageInvoice"));
    const int tokens = server.requestCount(QStringLiteral("tokenExchange"));

    std::printf("%d issued invoices sent to the stand-in, %s accepted, in %.0f ms: %.0f invoices/s\n", invoices,
                qPrintable(decided), ms, invoices * 1000.0 / ms);
    std::printf("requests: %d manageInvoice, %d tokenExchange, %d queryTransactionStatus, %lld in all\n", sends, tokens,
                server.requestCount(QStringLiteral("queryTransactionStatus")),
                static_cast<long long>(server.requests().size()));
    std::printf("largest request: %d invoices (limit %d), %lld bytes (limit %lld); violations: %lld\n", largest,
                kMaxBatch, static_cast<long long>(largestBody), static_cast<long long>(kMaxRequestBytes),
                static_cast<long long>(server.violations().size()));
    for (const QString& v : server.violations().mid(0, 5))
        std::fprintf(stderr, "  %s\n", qPrintable(v));

    setup.execute("DROP DATABASE IF EXISTS orvena_bench_navqueue");
    const bool withinLimits = largest <= kMaxBatch && largestBody <= kMaxRequestBytes && tokens == sends
        && server.violations().isEmpty();
    return decided == QString::number(invoices) && withinLimits ? 0 : 2;
}
