#pragma once
// orvena --nav-send: sends the reporting queue and follows it to the authority's decisions without
// a window, for cron. Exit status 0 when nothing is left rejected or unsent, 1 otherwise, 2 for a
// faulty command line, 3 when the database cannot be reached.
#include <QStringList>
#include <optional>

namespace orvena {

// Handles --nav-send (call before any application object exists); nothing when it is not asked for.
std::optional<int> runNavSendCommand(int& argc, char** argv);

// orvena --nav-reconcile --from yyyy.mm.dd --to yyyy.mm.dd [--issuer kód] [--out F.csv]: the
// authority's copy of the issuer's outgoing invoices against the books. Exit status 0 only when
// nothing differs, 1 when something does or the authority could not be asked, 2 for a faulty
// command line, 3 when the database cannot be reached. Nothing when it is not asked for.
std::optional<int> runNavReconcileCommand(int& argc, char** argv);

} // namespace orvena
