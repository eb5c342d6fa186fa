#include "commandline.h"

#include "navcommandline.h"
#include "session.h"

#include "delivery/printdeliverynote.h"
#include "invoice/printinvoice.h"
#include "reports/reportengine.h"

#include "db/datamodule.h"
#include "db/errors.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>

namespace orvena {

namespace {

void printTo(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

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
        printTo(stderr, text.trimmed());
    }
    bool m_failed = false;
};

// No screens open without a display.
class NoScreens : public ScreenOpener {
public:
    void open(Screen) override {}
    bool canOpen(Screen) const override { return false; }
};

} // namespace

std::optional<CommandLineRequest> parseCommandLine(const QStringList& arguments)
{
    static const QStringList ours{QStringLiteral("--invoice"), QStringLiteral("--delivery-note"),
                                  QStringLiteral("--pdf"),     QStringLiteral("--mark-printed"),
                                  QStringLiteral("--help"),    QStringLiteral("-h")};
    bool any = false;
    for (const QString& a : arguments.mid(1))
        any = any || ours.contains(a.section(u'=', 0, 0));
    if (!any)
        return std::nullopt;

    CommandLineRequest r;
    auto fail = [&r](const QString& text) {
        if (r.error.isEmpty())
            r.error = text;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        std::optional<QString> inlineValue;
        if (option.startsWith(u"--") && option.contains(u'=')) {
            inlineValue = option.section(u'=', 1);
            option = option.section(u'=', 0, 0);
        }
        auto value = [&]() -> QString {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= arguments.size()) {
                fail(QStringLiteral("Hiba: a(z) %1 kapcsoló után hiányzik az érték.").arg(option));
                return {};
            }
            return arguments.at(++i);
        };
        if (option == u"--help" || option == u"-h") {
            r.help = true;
        } else if (option == u"--invoice" || option == u"--delivery-note") {
            if (r.document != CommandLineRequest::Document::None)
                fail(QStringLiteral("Hiba: egyszerre csak egy bizonylat nyomtatható."));
            r.document = option == u"--invoice" ? CommandLineRequest::Document::Invoice
                                                : CommandLineRequest::Document::DeliveryNote;
            r.number = value().trimmed();
            if (r.number.isEmpty())
                fail(QStringLiteral("Hiba: hiányzik a bizonylat száma."));
        } else if (option == u"--pdf") {
            r.pdfFile = value();
            if (r.pdfFile.isEmpty())
                fail(QStringLiteral("Hiba: hiányzik a PDF-fájl neve."));
        } else if (option == u"--mark-printed") {
            r.markPrinted = true;
        } else {
            fail(QStringLiteral("Hiba: ismeretlen kapcsoló: %1").arg(arguments.at(i)));
        }
    }
    if (!r.help) {
        if (r.document == CommandLineRequest::Document::None)
            fail(QStringLiteral("Hiba: meg kell adni a nyomtatandó bizonylatot (--invoice vagy --delivery-note)."));
        else if (r.pdfFile.isEmpty())
            fail(QStringLiteral("Hiba: meg kell adni a PDF-fájlt (--pdf <fájl>)."));
    }
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
        "  --mark-printed\n"
        "        nyomtatásként készíti el: a még nem nyomtatott bizonylatot nyomtatottnak\n"
        "        jelöli; nélküle megtekintés, a nyomtatottság jelzése nem változik\n"
        "  -h, --help\n"
        "        ez a leírás\n"
        "\n"
        "A sablonfájlokat (Szamla2.frf, Szamla3.frf, Szlevel2.frf, Szlevel3.frf) az aktuális\n"
        "mappából olvassa, az adatbázist ugyanúgy éri el, mint az ablakos program.\n"
        "Kilépési kód: 0 siker; hiba esetén nem 0, a hibaüzenet a szabványos hibakimenetre\n"
        "kerül, és PDF-fájl nem készül.");
}

std::optional<int> runCommandLine(int& argc, char** argv)
{
    if (const auto status = runNavCommandLine(argc, argv))
        return status; // the invoice-data document or the tax-audit export
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const std::optional<CommandLineRequest> request = parseCommandLine(arguments);
    if (!request)
        return std::nullopt;
    if (!request->error.isEmpty()) {
        printTo(stderr, request->error);
        printTo(stderr, QStringLiteral("Segítség: orvena --help"));
        return 2;
    }
    if (request->help) {
        printTo(stdout, commandLineHelp());
        return 0;
    }

    // No display is needed: the report is only laid out and written.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Orvena"));
    applyProgramLocale();

    DataModule data;
    try {
        data.connect(ConnectionProfile::fromEnvironment());
    } catch (const Error& e) {
        printTo(stderr, QStringLiteral("Hiba: az adatbázis nem érhető el (%1).").arg(e.text()));
        return 3;
    }
    AppState state;
    state.printMode = request->markPrinted ? QStringLiteral("Nyomtatás") : QStringLiteral("Megtekint");
    ConsoleUserInterface ui;
    NoScreens screens;
    reports::PdfReportPresenter presenter(request->pdfFile);
    ScreenContext context{data, state, ui, screens, &presenter};
    try {
        if (request->document == CommandLineRequest::Document::Invoice)
            PrintInvoice(context, request->number);
        else
            PrintDeliveryNote(context, request->number);
    } catch (const Error& e) {
        printTo(stderr, e.text());
        return 1;
    }
    if (ui.failed() || presenter.presentedCount() != 1) {
        if (presenter.presentedCount() > 0)
            QFile::remove(request->pdfFile);
        return 1;
    }
    return 0;
}

} // namespace orvena
