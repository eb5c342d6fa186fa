#include "navcommandline.h"
#include "options.h"

#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/outputfile.h"
#include "nav/auditexport.h"
#include "nav/invoiceissue.h"

#include <QCoreApplication>

namespace orvena {

namespace {

struct NavRequest {
    bool xml = false, audit = false;
    QString number, out, from, to, dir;
    QString error;
};

NavRequest parse(const QStringList& arguments)
{
    NavRequest r;
    OptionReader options(arguments);
    auto fail = [&options](const QString& text) { options.fail(text); };
    while (options.next()) {
        const QString& option = options.option();
        if (option == u"--nav-xml") {
            r.xml = true;
            r.number = options.value().trimmed();
        } else if (option == u"--audit-export") {
            r.audit = true;
        } else if (option == u"--out") {
            r.out = options.value();
        } else if (option == u"--from") {
            r.from = options.value().trimmed();
        } else if (option == u"--to") {
            r.to = options.value().trimmed();
        } else if (option == u"--dir") {
            r.dir = options.value();
        } else {
            fail(QString::fromUtf8("Hiba: ismeretlen kapcsoló: %1").arg(options.argument()));
        }
    }
    if (r.xml && r.audit)
        fail(QString::fromUtf8("Hiba: a --nav-xml és az --audit-export együtt nem adható meg."));
    else if (r.xml && r.number.isEmpty())
        fail(QString::fromUtf8("Hiba: hiányzik a számla száma (--nav-xml <számlaszám>)."));
    else if (r.xml && r.out.isEmpty())
        fail(QString::fromUtf8("Hiba: meg kell adni a kimeneti fájlt (--out <fájl>)."));
    else if (const QString problem = r.audit ? dateRangeProblem(r.from, r.to, true) : QString(); !problem.isEmpty())
        fail(problem);
    else if (r.audit && r.dir.trimmed().isEmpty())
        fail(QString::fromUtf8("Hiba: meg kell adni a célmappát (--dir <mappa>)."));
    r.error = options.error();
    return r;
}

} // namespace

QString navCommandLineOptions()
{
    return QString::fromUtf8(
        "  --nav-xml <számlaszám> --out <fájl>\n"
        "        a számla adatszolgáltatási XML-dokumentuma: kiállított számlánál a tárolt,\n"
        "        különben most készül; hibás adatoknál minden hibát kiír, fájl nem készül\n"
        "  --audit-export --from <éééé.hh.nn> --to <éééé.hh.nn> --dir <mappa>\n"
        "        adóhatósági ellenőrzési adatszolgáltatás: a tartományban kiállított számlák\n"
        "        XML-dokumentumai számlánként és az osszesito.csv; a ki nem írható számlákat\n"
        "        okukkal együtt felsorolja (a kilépési kód ekkor 1)\n"
        "  --nav-reconcile --from <éééé.hh.nn> --to <éééé.hh.nn> [--issuer <kód>] [--out <fájl.csv>]\n"
        "        egyeztetés a NAV-val: a NAV-nál lévő kimenő számlák a könyvek ellen; eltérésenként\n"
        "        egy sor a teendővel (a kilépési kód csak eltérés nélkül 0)\n");
}

QString navCommandLineHelp()
{
    return QString::fromUtf8("Adóhatósági számla-adatok (Online Számla 3.0), képernyő nélkül:\n")
           + navCommandLineOptions().chopped(1);
}

std::optional<int> runNavCommandLine(int& argc, char** argv)
{
    const QStringList arguments = argumentList(argc, argv);
    if (!namesOption(arguments, {QStringLiteral("--nav-xml"), QStringLiteral("--audit-export")}))
        return std::nullopt;
    const NavRequest r = parse(arguments);
    if (!r.error.isEmpty())
        return refuseCommandLine(r.error, navCommandLineHelp());
    return runOverDatabase(argc, argv, lcNav(), [&](DataModule& data) {
        if (r.xml) {
            QStringList problems;
            const QByteArray xml = nav::documentFor(data, r.number, &problems);
            if (xml.isEmpty()) {
                printLine(stderr, nav::problemMessage(r.number, problems));
                return 1;
            }
            try {
                OutputFile::write(r.out, xml);
            } catch (const FileError& e) {
                logFailure(lcNav(), e);
                printLine(stderr, QStringLiteral("Hiba: ") + e.text());
                return 1;
            }
            return 0;
        }
        nav::AuditExportRange range;
        range.from = parseDate(r.from);
        range.to = parseDate(r.to);
        const nav::AuditExportOutcome outcome = nav::exportAuditData(data, range, r.dir);
        printLine(outcome.ok ? stdout : stderr, outcome.message);
        return outcome.ok ? 0 : 1;
    });
}

} // namespace orvena
