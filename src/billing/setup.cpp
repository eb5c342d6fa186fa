#include "setup.h"

#include "balanceview.h"
#include "invoicelinks.h"
#include "invoicesums.h"
#include "openbalance.h"

#include "db/connection.h"

namespace orvena {

QStringList runSetup(Connection& admin, const SetupOptions& options)
{
    QStringList created;
    QStringList done = runSchemaSetup(admin, options, &created);
    // The stornos made before their links were recorded are linked once, when the table is new.
    if (created.contains(QStringLiteral("szlahivatkozas")))
        done << backfillStornoLinks(admin);
    done << backfillInvoiceSums(admin);
    ensureBalanceView(admin);
    // The open balances are worked out from the view once, when their table has just been made.
    if (created.contains(kOpenBalance))
        done << backfillOpenBalance(admin);
    return done;
}

} // namespace orvena
