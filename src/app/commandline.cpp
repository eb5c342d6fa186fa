#include "commandline.h"

#include "archivecommand.h"
#include "backup.h"
#include "bankcommandline.h"
#include "figurescommandline.h"
#include "navcommandline.h"
#include "options.h"
#include "session.h"
#include "workfolder.h"

#include "delivery/printdeliverynote.h"
#include "invoice/printinvoice.h"
#include "mail/invoicemail.h"
#include "reports/reportengine.h"

#include "db/connection.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <cstdio>

namespace orvena {

namespace {


// Message boxes become lines on standard error; any of them means the run did not succeed.
class ConsoleUserInterface : public UserInterface {
public:
    void message(const QString& text) override { report(text); }
    void notice(const QString& text) override { report(text); }
    bool askYesNo(const QString& text) override
    {
        report(text);
        return false;
    }
    void errorReport(const QString& text) override { report(text); }
    bool failed() const { return m_failed; }

private:
    void report(const QString& text)
    {
        m_failed = true;
        printLine(stderr, text.trimmed());
    }
    bool m_failed = false;
};

// No screens open without a display.
class NoScreens : public ScreenOpener {
public:
    void open(Screen, const ScreenRequest&) override {}
    bool canOpen(Screen) const override { return false; }
};

// --backup and --restore: no display, a line of result on standard output.
int runBackupCommand(int& argc, char** argv, const CommandLineRequest& request)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Orvena"));
    const ConnectionProfile profile = ConnectionProfile::fromEnvironment();
    try {
        if (!request.backupFile.isEmpty()) {
            const BackupResult r = writeBackup(profile, request.backupFile);
            printLine(stdout, QStringLiteral("Az adatmentés elkészült: %1 (%2)").arg(r.file, backupSizeText(r.size)));
            return 0;
        }
        ConnectionProfile admin = profile;
        admin.user = qEnvironmentVariableIsSet("ORVENA_ADMIN_USER") ? qEnvironmentVariable("ORVENA_ADMIN_USER")
                                                                    : QStringLiteral("root");
        admin.password = qEnvironmentVariable("ORVENA_ADMIN_PASSWORD");
        admin.database.clear();
        const RestoreResult r = restoreBackup(request.restoreFile, admin, profile.database, request.force,
                                              request.forceCount > 1);
        for (const QString& line : r.mended)
            printLine(stdout, line);
        if (!r.cutOff.isEmpty())
            printLine(stdout, QStringLiteral("Megszakított kapcsolatok (az ott folyó, nem tárolt munka elveszett):\n  %1")
                                  .arg(r.cutOff.join(QStringLiteral("\n  "))));
        if (!r.keptBackup.isEmpty())
            printLine(stdout, QStringLiteral("A felülírt adatok mentése: %1").arg(r.keptBackup));
        printLine(stdout, QStringLiteral("Visszaállítva a(z) %1 adatbázisba: %2 (mentés ideje: %3)")
                            .arg(profile.database, request.restoreFile,
                                 r.header.time.toLocalTime().toString(QStringLiteral("yyyy.MM.dd. HH:mm"))));
        return 0;
    } catch (const BackupError& e) {
        logFailure(lcApp(), e, e.detail());
        printLine(stderr, e.text());
        if (!e.detail().isEmpty())
            printLine(stderr, QStringLiteral("Részletek: %1").arg(e.detail()));
        return 1;
    } catch (const Error& e) {
        logFailure(lcApp(), e);
        printLine(stderr, e.text());
        return 1;
    }
}

} // namespace

// The first argument that neither Qt nor the program understands; empty when there is none.
static QString unknownArgument(const QStringList& arguments)
{
    // Qt's own options (QGuiApplication, QApplication, xcb), with and without a value.
    static const QStringList withValue{
        QStringLiteral("platform"),      QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"),        QStringLiteral("qwindowgeometry"),    QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),  QStringLiteral("session"),            QStringLiteral("display"),
        QStringLiteral("geometry"),      QStringLiteral("style"),              QStringLiteral("stylesheet"),
        QStringLiteral("name"),          QStringLiteral("title"),              QStringLiteral("visual"),
        QStringLiteral("qmljsdebugger"), QStringLiteral("ncols")};
    static const QStringList alone{QStringLiteral("reverse"), QStringLiteral("nograb"), QStringLiteral("dograb"),
                                   QStringLiteral("sync"), QStringLiteral("cmap"), QStringLiteral("widgetcount")};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (!a.startsWith(u'-') || a.size() < 2)
            return a;
        QString name = a.mid(a.startsWith(u"--") ? 2 : 1);
        const bool inlineValue = name.contains(u'=');
        name = name.section(u'=', 0, 0);
        if (alone.contains(name))
            continue;
        if (withValue.contains(name)) {
            if (!inlineValue)
                ++i;
            continue;
        }
        return a;
    }
    return {};
}

namespace {

// One option of the printing, e-mail and backup modes into r; the first mistake kept in options.
void readOption(OptionReader& options, CommandLineRequest& r)
{
    auto fail = [&options](const QString& text) { options.fail(text); };
    const QString& option = options.option();
    if (option == u"--help" || option == u"-h") {
        r.help = true;
    } else if (option == u"--invoice" || option == u"--delivery-note" || option == u"--proforma") {
        if (r.document != CommandLineRequest::Document::None)
            fail(QStringLiteral("Hiba: egyszerre csak egy bizonylat nyomtatható."));
        r.document = option == u"--invoice"    ? CommandLineRequest::Document::Invoice
                     : option == u"--proforma" ? CommandLineRequest::Document::Proforma
                                               : CommandLineRequest::Document::DeliveryNote;
        r.number = options.value().trimmed();
        // a proforma's number as printed ("D20260001") names the same proforma
        static const QRegularExpression printedProforma(QStringLiteral("^[Dd][0-9]+$"));
        if (r.document == CommandLineRequest::Document::Proforma && printedProforma.match(r.number).hasMatch())
            r.number = r.number.mid(1);
        if (r.number.isEmpty())
            fail(QStringLiteral("Hiba: hiányzik a bizonylat száma."));
    } else if (option == u"--email-invoice") {
        if (r.document != CommandLineRequest::Document::None)
            fail(QStringLiteral("Hiba: egyszerre csak egy bizonylat nyomtatható."));
        r.document = CommandLineRequest::Document::Invoice;
        r.email = true;
        r.number = options.value().trimmed();
        if (r.number.isEmpty())
            fail(QStringLiteral("Hiba: hiányzik a bizonylat száma."));
    } else if (option == u"--to") {
        r.mailTo = options.value().trimmed();
        if (r.mailTo.isEmpty())
            fail(QStringLiteral("Hiba: hiányzik az e-mail-cím."));
    } else if (option == u"--pdf") {
        r.pdfFile = options.value();
        if (r.pdfFile.isEmpty())
            fail(QStringLiteral("Hiba: hiányzik a PDF-fájl neve."));
    } else if (option == u"--mark-printed") {
        r.markPrinted = true;
    } else if (option == u"--backup" || option == u"--restore") {
        (option == u"--backup" ? r.backupFile : r.restoreFile) = options.value();
        if ((option == u"--backup" ? r.backupFile : r.restoreFile).isEmpty())
            fail(QStringLiteral("Hiba: hiányzik a mentésfájl neve."));
    } else if (option == u"--force") {
        r.force = true;
        ++r.forceCount;
    } else {
        r.showUsage = options.error().isEmpty();
        fail(QStringLiteral("Hiba: ismeretlen kapcsoló: %1").arg(options.argument()));
    }
}

// The options that cannot go together, and what each mode needs.
void checkCombination(OptionReader& options, CommandLineRequest& r)
{
    auto fail = [&options](const QString& text) { options.fail(text); };
    const bool backupOrRestore = !r.backupFile.isEmpty() || !r.restoreFile.isEmpty();
    if (!r.help && backupOrRestore) {
        if (!r.backupFile.isEmpty() && !r.restoreFile.isEmpty())
            fail(QStringLiteral("Hiba: a --backup és a --restore együtt nem adható meg."));
        else if (r.document != CommandLineRequest::Document::None || !r.pdfFile.isEmpty() || r.markPrinted)
            fail(QStringLiteral("Hiba: a mentés és a visszaállítás nem adható meg nyomtatással együtt."));
        else if (r.force && r.restoreFile.isEmpty())
            fail(QStringLiteral("Hiba: a --force csak a --restore mellett használható."));
    } else if (!r.help && r.force) {
        fail(QStringLiteral("Hiba: a --force csak a --restore mellett használható."));
    }
    if (!r.help && !r.mailTo.isEmpty() && !r.email)
        fail(QStringLiteral("Hiba: a --to csak az --email-invoice mellett használható."));
    if (!r.help && r.email && (!r.pdfFile.isEmpty() || r.markPrinted || backupOrRestore))
        fail(QStringLiteral("Hiba: az --email-invoice mellett nem adható meg --pdf, --mark-printed, --backup vagy "
                            "--restore."));
    if (!r.help && !backupOrRestore && !r.email) {
        if (r.document == CommandLineRequest::Document::None)
            fail(QStringLiteral("Hiba: meg kell adni a nyomtatandó bizonylatot (--invoice, --delivery-note vagy "
                                "--proforma)."));
        else if (r.pdfFile.isEmpty())
            fail(QStringLiteral("Hiba: meg kell adni a PDF-fájlt (--pdf <fájl>)."));
    }
}

} // namespace

std::optional<CommandLineRequest> parseCommandLine(const QStringList& arguments)
{
    static const QStringList ours{QStringLiteral("--invoice"), QStringLiteral("--delivery-note"),
                                  QStringLiteral("--proforma"),
                                  QStringLiteral("--pdf"),     QStringLiteral("--mark-printed"),
                                  QStringLiteral("--help"),    QStringLiteral("-h"),
                                  QStringLiteral("--backup"),  QStringLiteral("--restore"),
                                  QStringLiteral("--force"),   QStringLiteral("--email-invoice"),
                                  QStringLiteral("--to")};
    if (!namesOption(arguments, ours)) {
        // Only Qt's own options may accompany the windowed start; anything else is a mistake
        // the operator is told about instead of being silently ignored.
        const QString unknown = unknownArgument(arguments);
        if (unknown.isEmpty())
            return std::nullopt;
        CommandLineRequest r;
        r.showUsage = true;
        r.error = QStringLiteral("Hiba: ismeretlen kapcsoló: %1").arg(unknown);
        return r;
    }

    CommandLineRequest r;
    OptionReader options(arguments);
    while (options.next())
        readOption(options, r);
    checkCombination(options, r);
    r.error = options.error();
    return r;
}

QString commandLineHelp()
{
    return QStringLiteral(
        "Használat: orvena [kapcsolók]\n"
        "Kapcsolók nélkül a program a szokásos ablakos felülettel indul.\n"
        "\n"
        "Bizonylat mentése PDF-be, képernyő nélkül (archiváláshoz, automatizáláshoz):\n"
        "  --invoice <számlaszám> --pdf <fájl>\n"
        "        a számla három példányát a megadott PDF-fájlba írja\n"
        "  --delivery-note <szállítólevélszám> --pdf <fájl>\n"
        "        a szállítólevél négy példányát a megadott PDF-fájlba írja\n"
        "  --proforma <díjbekérőszám> --pdf <fájl>\n"
        "        a díjbekérőt (egy példány, nem számla) a megadott PDF-fájlba írja\n"
        "  --mark-printed\n"
        "        nyomtatásként készíti el: a még nem nyomtatott bizonylatot a PDF-fájl\n"
        "        sikeres megírása után nyomtatottnak jelöli (ha a fájl nem írható, a jelzés\n"
        "        nem változik); nélküle megtekintés, a nyomtatottság jelzése nem változik\n"
        "  --email-invoice <számlaszám> [--to '<cím>[;<cím>...]']\n"
        "        a számla eredeti példányát PDF-ben elküldi a vevő e-mail-címére (vagy a --to\n"
        "        címeire, „;”-vel vagy „,”-vel elválasztva; a héjban idézőjelek között) a\n"
        "        beállítófájl [smtp] kiszolgálóján át, a Szamlalevel.txt sablon tárgyával és\n"
        "        szövegével. A még ki nem állított számlát előbb elektronikus számlaként\n"
        "        kiállítja, és az elküldött PDF-et megőrzi; ha a küldés nem sikerül, vagy nem\n"
        "        tudni, sikerült-e, a számla kiállítva marad, és az E-mail naplóból újraküldhető\n"
        "\n"
        "Adatmentés és visszaállítás:\n"
        "  --backup <fájl>\n"
        "        a teljes adatbázisról egységes pillanatképet ment a fájlba (gzip-pel tömörített\n"
        "        SQL, fejlécében a program és az adatszerkezet változata, az időpont és\n"
        "        ellenőrzőösszeg); közben a program tovább használható\n"
        "  --restore <fájl> [--force]\n"
        "        ellenőrzi a mentés épségét és változatát, egy ideiglenes adatbázisba tölti,\n"
        "        és csak siker esetén cseréli le vele a meglévő adatokat (rendszergazdaként fut:\n"
        "        ORVENA_ADMIN_USER, alapértelmezés root). Számlát vagy szállítólevelet tartalmazó\n"
        "        adatbázist csak a --force kapcsolóval ír felül, és a felülírt adatokat előbb a\n"
        "        mentésfájl mellé menti (orvena-felulirt-….sql.gz). Ha más munkahelyek dolgoznak\n"
        "        az adatbázissal, felsorolja őket, és nem állít vissza; a --force kétszer megadva\n"
        "        (--force --force) megszakítja a kapcsolatukat, és felsorolja a megszakítottakat.\n"
        "\n"
        "NAV Online Számla adatszolgáltatás:\n"
        "  --nav-send\n"
        "        elküldi a beküldendő számlaadatokat, és megvárja a NAV válaszát (cron-hoz);\n"
        "        a kilépési kód 0, ha nem maradt elutasított vagy el nem küldött számla\n")
        + navCommandLineOptions()
        + archiveCommandLineOptions()
        + figuresCommandLineOptions()
        + bankCommandLineOptions()
        + QStringLiteral(
        "\n"
        "Hibakereséshez:\n"
        "  --log <fájl>\n"
        "        a program naplóüzeneteit (például az adatbázis-kiszolgáló hibaszövegét, ha egy\n"
        "        művelet nem sikerült) időbélyeggel a fájl végére írja; bármely módban megadható\n"
        "\n"
        "  -h, --help\n"
        "        ez a leírás\n"
        "\n"
        "A sablonfájlokat (Szamla2.frf, Szamla3.frf, Szlevel2.frf, Szlevel3.frf, Szamlalevel.txt)\n"
        "az aktuális mappából olvassa, az adatbázist ugyanúgy éri el, mint az ablakos program.\n"
        "Kilépési kód: 0 siker; hiba esetén nem 0, a hibaüzenet a szabványos hibakimenetre\n"
        "kerül, és PDF-fájl nem készül. Ismeretlen kapcsoló esetén a kilépési kód 2.");
}

namespace {

// The database of a printing or e-mail command; false after saying why it cannot be reached.
bool connectForPrint(DataModule& data)
{
    try {
        data.connect(ConnectionProfile::fromEnvironment());
        return true;
    } catch (const ServerSetupError& e) {
        // a server set up unlike the program needs: its cause and its remedy, as the window says
        logFailure(lcApp(), e, QStringLiteral("Hiba: az adatbázis-kiszolgáló beállítása nem megfelelő."));
        printLine(stderr, QStringLiteral("Hiba: az adatbázis-kiszolgáló beállítása nem megfelelő.\n") + e.text());
    } catch (const Error& e) {
        logFailure(lcApp(), e, QStringLiteral("Hiba: az adatbázis nem érhető el."));
        printLine(stderr, QStringLiteral("Hiba: az adatbázis nem érhető el."));
    }
    return false;
}

int emailFromCommandLine(ScreenContext& context, const CommandLineRequest& request)
{
    try {
        const mail::InvoiceMailResult result = mail::emailInvoice(context, request.number, request.mailTo);
        if (!result.message.isEmpty())
            printLine(result.sent ? stdout : stderr, result.message);
        return result.sent ? 0 : 1;
    } catch (const Error& e) {
        logFailure(lcMail(), e);
        printLine(stderr, e.text());
        return 1;
    }
}

// The print routine marks the document printed (with --mark-printed) only after the presenter
// has written the PDF; a file that cannot be written ends here with the flag as it was.
int printToPdf(ScreenContext& context, const CommandLineRequest& request, PrintMode mode,
               const ConsoleUserInterface& ui, const reports::PdfReportPresenter& presenter)
{
    try {
        if (request.document == CommandLineRequest::Document::Invoice)
            PrintInvoice(context, request.number, mode);
        else if (request.document == CommandLineRequest::Document::Proforma)
            PrintProforma(context, request.number, mode);
        else
            PrintDeliveryNote(context, request.number, mode);
    } catch (const Error& e) {
        logFailure(lcPrint(), e);
        printLine(stderr, e.text());
        return 1;
    }
    if (ui.failed() || presenter.presentedCount() != 1) {
        if (presenter.presentedCount() > 0)
            QFile::remove(request.pdfFile);
        return 1;
    }
    return 0;
}

} // namespace

std::optional<int> runCommandLine(int& argc, char** argv)
{
    if (const auto status = runArchiveCommandLine(argc, argv))
        return status; // the archive of issued invoices
    if (const auto status = runNavCommandLine(argc, argv))
        return status; // the invoice-data document or the tax-audit export
    if (const auto status = runFiguresCommandLine(argc, argv))
        return status; // the central bank's rates or the accountant's export
    if (const auto status = runBankCommandLine(argc, argv))
        return status; // a bank statement read and its exact matches booked
    std::optional<CommandLineRequest> request = parseCommandLine(argumentList(argc, argv));
    if (!request)
        return std::nullopt;
    if (!request->error.isEmpty()) {
        printLine(stderr, request->error);
        printLine(stderr, request->showUsage ? QStringLiteral("\n") + commandLineHelp()
                                           : QStringLiteral("Segítség: orvena --help"));
        return 2;
    }
    if (request->help) {
        printLine(stdout, commandLineHelp());
        return 0;
    }
    if (!request->backupFile.isEmpty() || !request->restoreFile.isEmpty())
        return runBackupCommand(argc, argv, *request);
    // The templates are read from the working folder; the PDF goes where the operator named it.
    if (!request->email)
        request->pdfFile = QFileInfo(request->pdfFile).absoluteFilePath();
    enterWorkingFolder();

    // No display is needed: the report is only laid out and written.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Orvena"));
    applyProgramLocale();

    DataModule data;
    if (!connectForPrint(data))
        return 3;
    AppState state;
    const PrintMode mode = request->markPrinted ? PrintMode::Print : PrintMode::View;
    ConsoleUserInterface ui;
    NoScreens screens;
    if (request->email) {
        // The print's questions count as answered "No": unusual data is not sent unattended.
        ScreenContext context{data, state, ui, screens, nullptr};
        return emailFromCommandLine(context, *request);
    }
    reports::PdfReportPresenter presenter(request->pdfFile);
    ScreenContext context{data, state, ui, screens, &presenter};
    return printToPdf(context, *request, mode, ui, presenter);
}

} // namespace orvena
