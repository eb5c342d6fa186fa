#pragma once
// The archive of issued invoices for an auditor, from the command line, without a display:
//   orvena --archive-export --from <yyyy.MM.dd> --to <yyyy.MM.dd> --out <folder>
#include <QString>
#include <optional>

namespace orvena {

// Runs the export when the arguments name it; nothing otherwise. Exit status: 0 done, 1 refused or
// a kept file that no longer matches its hash (the reasons on standard error), 2 a faulty command
// line, 3 no database.
std::optional<int> runArchiveCommandLine(int& argc, char** argv);

// The option's usage text, for the program's whole usage text.
QString archiveCommandLineOptions();

} // namespace orvena
