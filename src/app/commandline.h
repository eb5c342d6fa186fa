#pragma once
// Printing from the command line, for archiving and automation, without a display:
//   orvena --invoice <number> --pdf <file> [--mark-printed]
//   orvena --delivery-note <number> --pdf <file> [--mark-printed]
//   orvena --proforma <number> --pdf <file> [--mark-printed]
//   orvena --email-invoice <number> [--to <addresses>]
// and backing up and restoring the database:
//   orvena --backup <file>
//   orvena --restore <file> [--force [--force]]
// An option the program does not know prints the usage and ends with status 2.
#include <QString>
#include <QStringList>
#include <optional>

namespace orvena {

struct CommandLineRequest {
    enum class Document { None, Invoice, DeliveryNote, Proforma };
    bool help = false;
    Document document = Document::None;
    QString number;
    QString pdfFile;
    bool markPrinted = false;
    bool email = false; // --email-invoice: the invoice is sent by e-mail instead of written
    QString mailTo;     // --to: the addresses instead of the customer's
    QString backupFile;
    QString restoreFile;
    bool force = false;
    int forceCount = 0; // given twice: other sessions working in the database are disconnected
    bool showUsage = false; // an unknown option: the error is followed by the whole usage
    QString error; // a Hungarian description of a faulty command line
};

// Reads the program's own options; an argument list without them asks for the windowed start.
std::optional<CommandLineRequest> parseCommandLine(const QStringList& arguments);

// The Hungarian usage text of --help.
QString commandLineHelp();

// Handles the command-line options before any window exists (call it before the application
// object is created). Returns the exit status when the options were ours, nothing otherwise.
std::optional<int> runCommandLine(int& argc, char** argv);

} // namespace orvena
