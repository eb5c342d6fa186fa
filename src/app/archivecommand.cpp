#include "archivecommand.h"
#include "options.h"

#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"
#include "nav/archiveexport.h"

#include <QCoreApplication>

namespace orvena {

QString archiveCommandLineOptions()
{
    return QStringLiteral(
        "  --archive-export --from <éééé.hh.nn> --to <éééé.hh.nn> --out <mappa>\n"
        "        az archívum a könyvvizsgálónak: a tartományban kiállított számlák megőrzött\n"
        "        PDF-je (az e-mailben küldötté bájtra azonosan) és adatszolgáltatási XML-je,\n"
        "        valamint az index.csv (szám, fajta, dátumok, vevő, összegek, a fájlok SHA-256\n"
        "        lenyomata)\n");
}

std::optional<int> runArchiveCommandLine(int& argc, char** argv)
{
    const QStringList arguments = argumentList(argc, argv);
    if (!namesOption(arguments, {QStringLiteral("--archive-export")}))
        return std::nullopt;
    QString from, to, out;
    OptionReader options(arguments);
    while (options.next()) {
        const QString& option = options.option();
        if (option == u"--archive-export")
            continue;
        if (option == u"--from")
            from = options.value().trimmed();
        else if (option == u"--to")
            to = options.value().trimmed();
        else if (option == u"--out")
            out = options.value();
        else
            options.fail(QStringLiteral("Hiba: ismeretlen kapcsoló: %1").arg(options.argument()));
    }
    if (options.error().isEmpty() && (from.isEmpty() || to.isEmpty()))
        options.fail(QStringLiteral("Hiba: meg kell adni a dátumtartományt (--from éééé.hh.nn --to éééé.hh.nn)."));
    else if (options.error().isEmpty() && (!isValidDate(from) || !isValidDate(to)))
        options.fail(QStringLiteral("Hiba: érvénytelen dátum: %1.").arg(isValidDate(from) ? to : from));
    else if (options.error().isEmpty() && out.trimmed().isEmpty())
        options.fail(QStringLiteral("Hiba: meg kell adni a célmappát (--out <mappa>)."));
    if (!options.error().isEmpty())
        return refuseCommandLine(options.error(), QStringLiteral("Használat:\n") + archiveCommandLineOptions().chopped(1));
    return runOverDatabase(argc, argv, lcNav(), [&](DataModule& data) {
        const nav::ArchiveExportOutcome outcome = nav::exportArchive(data, parseDate(from), parseDate(to), out);
        printLine(outcome.ok ? stdout : stderr, outcome.message);
        return outcome.ok ? 0 : 1;
    });
}

} // namespace orvena
