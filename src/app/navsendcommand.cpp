#include "navsendcommand.h"
#include "options.h"

#include "navsend/navqueue.h"
#include "navsend/navreconcile.h"

#include "db/connection.h"
#include "db/conversions.h"
#include "db/outputfile.h"
#include "db/errors.h"
#include "db/logging.h"

#include <QCoreApplication>
#include <algorithm>

namespace orvena {

namespace {

// Sends what the queue holds and says how each invoice it was about ended.
int sendQueued(Connection& connection)
{
    // The rows this run is about.
    QStringList started;
    const auto pending = connection.select("SELECT nBszam FROM szlanav WHERE nAllapot IN ('KULDENDO','ELKULDVE')");
    for (int r = 0; r < pending->rowCount(); ++r)
        started << pending->text(r, 0);

    nav::SendQueue queue(connection);
    // About a minute is plenty for a healthy service; a report whose answer was lost needs the
    // authority's settling time before its transaction list tells whether it arrived.
    const int maxMs = qEnvironmentVariableIsSet("ORVENA_NAV_MAX_S")
                          ? qEnvironmentVariableIntValue("ORVENA_NAV_MAX_S") * 1000
                          : std::max(120000, queue.settings().lostAnswerWaitMs + 2 * queue.settings().requestTimeoutMs
                                                          + 60000);
    queue.runUntilSettled(maxMs);

    QHash<QString, int> byState;
    const auto rows = connection.select("SELECT nBszam, nAllapot, nUzenet FROM szlanav WHERE nAllapot IN "
                                        "('KULDENDO','ELKULDVE','ELUTASITVA','BEFOGADVA','FIGYELMEZTETES','MASKENT_JELENTVE')");
    for (int r = 0; r < rows->rowCount(); ++r) {
        const QString number = rows->text(r, 0);
        const QString s = rows->text(r, 1);
        if (started.contains(number))
            ++byState[s];
        if (s == nav::state::Rejected || s == nav::state::ToSend || s == nav::state::Sent
            || s == nav::state::ReportedOtherwise) {
            QString line = QStringLiteral("K%1: %2").arg(number, nav::stateText(s));
            const QString message = rows->text(r, 2).simplified();
            if (!message.isEmpty())
                line += QStringLiteral(" – ") + message;
            printLine(stderr, line);
        }
    }
    printLine(stdout, QStringLiteral("NAV adatszolgáltatás: %1 számla befogadva, %2 figyelmeztetéssel befogadva, "
                                     "%3 elutasítva, %4 még nincs elküldve vagy nincs eredménye.")
                          .arg(byState.value(nav::state::Accepted))
                          .arg(byState.value(nav::state::Warned))
                          .arg(byState.value(nav::state::Rejected) + byState.value(nav::state::ReportedOtherwise))
                          .arg(byState.value(nav::state::ToSend) + byState.value(nav::state::Sent)));
    const nav::QueueCounts counts = nav::queueCounts(connection);
    return counts.unsent() == 0 && counts.rejected == 0 ? 0 : 1;
}

} // namespace

std::optional<int> runNavSendCommand(int& argc, char** argv)
{
    bool asked = false;
    QStringList others;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == u"--nav-send")
            asked = true;
        else
            others << a;
    }
    if (!asked)
        return std::nullopt;
    if (!others.isEmpty()) {
        printLine(stderr, QStringLiteral("Hiba: a --nav-send mellett nem adható meg más kapcsoló (%1).")
                              .arg(others.join(u' ')));
        return 2;
    }
    return runOverConnection(argc, argv, lcNavSend(), sendQueued, QStringLiteral("Hiba a NAV adatszolgáltatás közben: "));
}


std::optional<int> runNavReconcileCommand(int& argc, char** argv)
{
    const QStringList arguments = argumentList(argc, argv);
    if (!namesOption(arguments, {QStringLiteral("--nav-reconcile")}))
        return std::nullopt;
    QString from, to, issuer, out;
    OptionReader options(arguments);
    while (options.next()) {
        const QString& option = options.option();
        if (option == u"--nav-reconcile")
            continue;
        if (option == u"--from")
            from = options.value().trimmed();
        else if (option == u"--to")
            to = options.value().trimmed();
        else if (option == u"--issuer")
            issuer = options.value().trimmed();
        else if (option == u"--out")
            out = options.value();
        else
            options.fail(QStringLiteral("Hiba: ismeretlen kapcsoló: %1").arg(options.argument()));
    }
    if (options.error().isEmpty() && (!isValidDate(from) || !isValidDate(to)))
        options.fail(QStringLiteral("Hiba: meg kell adni az időszakot (--from éééé.hh.nn --to éééé.hh.nn)."));
    else if (options.error().isEmpty() && parseDate(from) > parseDate(to))
        options.fail(QStringLiteral("Hiba: az időszak vége (%1) korábbi a kezdeténél (%2).").arg(to, from));
    if (!options.error().isEmpty())
        return refuseCommandLine(options.error(),
                                 QStringLiteral("Használat: orvena --nav-reconcile --from éééé.hh.nn --to éééé.hh.nn "
                                                "[--issuer <kibocsátó kódja>] [--out <fájl.csv>]"));
    return runOverConnection(argc, argv, lcNavSend(), [&](Connection& connection) {
        QString problem;
        const QString code = nav::reconcileIssuer(connection, issuer, &problem);
        if (code.isEmpty()) {
            printLine(stderr, QStringLiteral("Hiba: ") + problem);
            return 1;
        }
        const nav::Books books = nav::readBooks(connection, code, parseDate(from), parseDate(to));
        const auto environment = nav::environmentFromMode(books.mode);
        nav::Client client(nav::baseUrl(environment.value_or(nav::Environment::Test)), books.credentials);
        const nav::Reconciliation result = nav::reconcile(books, client);
        if (!out.isEmpty() && result.complete())
            OutputFile::write(out, nav::reconciliationCsv(result));
        for (const nav::Difference& d : result.differences)
            printLine(stderr, QStringLiteral("%1: %2 (itt: %3; NAV: %4)").arg(d.number, d.what, d.books, d.authority));
        printLine(result.matches() ? stdout : stderr, result.summary());
        return result.matches() ? 0 : 1;
    }, QStringLiteral("Hiba a NAV-val való egyeztetés közben: "));
}

} // namespace orvena
