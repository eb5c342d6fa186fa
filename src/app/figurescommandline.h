#pragma once
// The central bank's rates and the accountant's export from the command line, without a display:
//   orvena --mnb-rates [--from <yyyy.MM.dd>] [--to <yyyy.MM.dd>] [--currencies EUR,USD,...]
//   orvena --accounting-export --from <yyyy.MM.dd> --to <yyyy.MM.dd> --out <file.csv>
#include <QString>
#include <optional>

namespace orvena {

// Runs the options above when they are given; nothing when the arguments hold neither.
// Exit status: 0 done, 1 failed (the reason on standard error), 2 a faulty command line, 3 no
// database.
std::optional<int> runFiguresCommandLine(int& argc, char** argv);

// The options' usage lines for the program's whole usage text.
QString figuresCommandLineOptions();

} // namespace orvena
