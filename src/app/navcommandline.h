#pragma once
// The invoice-data document and the tax-audit export from the command line, without a display:
//   orvena --nav-xml <invoice number> --out <file>
//   orvena --audit-export --from <yyyy.MM.dd> --to <yyyy.MM.dd> --dir <folder>
#include <QString>
#include <QStringList>
#include <optional>

namespace orvena {

// Runs the options above when they are given; nothing when the arguments hold neither.
// Exit status: 0 done, 1 refused (the reasons on standard error, no file), 2 a faulty command
// line, 3 no database.
std::optional<int> runNavCommandLine(int& argc, char** argv);

// The Hungarian usage text of the two options, with its heading; and the options alone, for
// the program's whole usage text.
QString navCommandLineHelp();
QString navCommandLineOptions();

} // namespace orvena
