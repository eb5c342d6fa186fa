#pragma once
// orvena --nav-send: sends the reporting queue and follows it to the authority's decisions without
// a window, for cron. Exit status 0 when nothing is left rejected or unsent, 1 otherwise, 2 for a
// faulty command line, 3 when the database cannot be reached.
#include <QStringList>
#include <optional>

namespace orvena {

// Handles --nav-send (call before any application object exists); nothing when it is not asked for.
std::optional<int> runNavSendCommand(int& argc, char** argv);

} // namespace orvena
