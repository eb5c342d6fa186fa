#pragma once
// What invoice reporting adds to the database: the technical user's credentials at the end of
// szallito, and the report log szlanavnaplo (one row per request and per answer that concerns
// an invoice). Idempotent: only what is missing is added, nothing is dropped.
#include <QStringList>

namespace orvena {

class Connection;

// Returns what it added, line by line (Hungarian); empty when everything was there.
QStringList ensureNavSendSchema(Connection& connection);

} // namespace orvena
