#pragma once
// Reading a bank statement from the command line, without a display:
//   orvena --import-statement <file> [--book-exact]
#include <QString>
#include <optional>

namespace orvena {

// Runs the option above when it is given; nothing otherwise. Exit status: 0 done (also when the
// file was read before and nothing new came), 1 the file refused or not stored (the reason on
// standard error), 2 a faulty command line, 3 no database.
std::optional<int> runBankCommandLine(int& argc, char** argv);

// The option's usage lines for the program's whole usage text.
QString bankCommandLineOptions();

} // namespace orvena
