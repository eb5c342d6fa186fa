#pragma once
// The whole setup of a database (what orvena-setup runs): the tables and accounts of db/setup.h,
// then the invoices' storno links of older data, their kept sums and the balance view.
#include "db/setup.h"

namespace orvena {

// Returns what it did, line by line (Hungarian). Throws DbError (or ServerSetupError) on failure.
QStringList runSetup(Connection& admin, const SetupOptions& options);

} // namespace orvena
