#include "figurescommandline.h"
#include "options.h"

#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/outputfile.h"
#include "figures/figures.h"
#include "rates/mnbrates.h"

#include <QCoreApplication>

namespace orvena {

namespace {

struct FiguresRequest {
    bool rates = false, accounting = false;
    QString from, to, out, currencies;
    QString error;
};

// The currencies fetched when none are named: those invoices are usually written in.
const QString kDefaultCurrencies = QStringLiteral("EUR,USD,GBP,CHF,JPY,CZK,PLN,RON");

FiguresRequest parse(const QStringList& arguments)
{
    FiguresRequest r;
    OptionReader options(arguments);
    while (options.next()) {
        const QString& option = options.option();
        if (option == u"--mnb-rates")
            r.rates = true;
        else if (option == u"--accounting-export")
            r.accounting = true;
        else if (option == u"--from")
            r.from = options.value().trimmed();
        else if (option == u"--to")
            r.to = options.value().trimmed();
        else if (option == u"--out")
            r.out = options.value();
        else if (option == u"--currencies")
            r.currencies = options.value().trimmed();
        else
            options.fail(QStringLiteral("Hiba: ismeretlen kapcsoló: %1").arg(options.argument()));
    }
    if (r.rates && r.accounting)
        options.fail(QStringLiteral("Hiba: a --mnb-rates és az --accounting-export együtt nem adható meg."));
    else if (const QString problem = dateRangeProblem(r.from, r.to, r.accounting); !problem.isEmpty())
        options.fail(problem);
    else if (r.accounting && r.out.trimmed().isEmpty())
        options.fail(QStringLiteral("Hiba: meg kell adni a kimeneti fájlt (--out <fájl>)."));
    r.error = options.error();
    return r;
}

} // namespace

QString figuresCommandLineOptions()
{
    return QStringLiteral(
        "\n"
        "Árfolyamok és könyvelés:\n"
        "  --mnb-rates [--from <éééé.hh.nn>] [--to <éééé.hh.nn>] [--currencies EUR,USD,...]\n"
        "        letölti az MNB hivatalos középárfolyamait a tartományra (alapértelmezés: az\n"
        "        elmúlt 14 nap) az árfolyamtáblába (cron-hoz); a szolgáltatás címe az\n"
        "        ORVENA_MNB_URL változóval adható meg\n"
        "  --accounting-export --from <éééé.hh.nn> --to <éééé.hh.nn> --out <fájl.csv>\n"
        "        a könyvelőnek: a tartományban kelt kiállított számlák soronként (UTF-8, \";\",\n"
        "        tizedesvessző), áfakulcsonként forintban\n");
}

std::optional<int> runFiguresCommandLine(int& argc, char** argv)
{
    const QStringList arguments = argumentList(argc, argv);
    if (!namesOption(arguments, {QStringLiteral("--mnb-rates"), QStringLiteral("--accounting-export")}))
        return std::nullopt;
    const FiguresRequest r = parse(arguments);
    if (!r.error.isEmpty())
        return refuseCommandLine(r.error, QStringLiteral("Segítség: orvena --help"));
    return runOverDatabase(argc, argv, lcApp(), [&](DataModule& data) {
        if (r.accounting) {
            const QByteArray csv = figures::accountingCsv(data, {parseDate(r.from), parseDate(r.to)});
            OutputFile::write(r.out, csv);
            printLine(stdout, QStringLiteral("Elkészült: %1 (%2 számla)").arg(r.out).arg(csv.count('\n') - 1));
            return 0;
        }
        const QDate to = r.to.isEmpty() ? QDate::currentDate() : parseDate(r.to);
        const QDate from = r.from.isEmpty() ? to.addDays(-14) : parseDate(r.from);
        const QStringList currencies =
            (r.currencies.isEmpty() ? kDefaultCurrencies : r.currencies.toUpper()).split(u',', Qt::SkipEmptyParts);
        const auto quotes = rates::fetchRates(from, to, currencies);
        QStringList refused;
        const int stored = rates::storeQuotes(data, quotes, from, to, currencies, &refused);
        for (const QString& reason : refused)
            printLine(stderr, reason);
        printLine(stdout, QStringLiteral("MNB árfolyamok %1 - %2: %3 árfolyam tárolva.")
                              .arg(formatDate(from), formatDate(to))
                              .arg(stored));
        if (stored == 0) { // nothing usable came back: a scheduled run must notice
            printLine(stderr, QStringLiteral("Az MNB válaszában nem volt tárolható árfolyam."));
            return 1;
        }
        return 0;
    });
}

} // namespace orvena
