#include "openbalance.h"

#include "balanceview.h"

#include "db/codepages.h"
#include "db/connection.h"
#include "db/resultset.h"
#include "db/sqlname.h"
#include "db/stepchain.h"

namespace orvena {

namespace {

QByteArray latin2(const QString& sql)
{
    return encode(CodePage::Latin2, sql);
}

// Writes the view's rows of the issued invoices for which `condition` holds over the view alias
// `b`, whatever their balance; a row already there takes the new values. The view is read with
// locking reads (as INSERT ... SELECT reads), so a payment or an issue another workstation has
// not yet committed is waited for rather than missed.
QByteArray upsertStatement(const QString& condition)
{
    return latin2(QStringLiteral("INSERT INTO %1 (yBszam, yVevo, yzKod, yPnem, yKelt, yHatarido, yFizetendo, yFizetve, "
                                 "yHatralek) SELECT b.eBszam, b.eVevo, f.fzKod, b.ePnem, b.eKelt, b.eHatarido, "
                                 "b.eFizetendo, b.eFizetve, b.eHatralek FROM %2 b JOIN szlafej f ON f.fBszam = b.eBszam "
                                 "WHERE b.eKiallitva = 1 AND (%3) ON DUPLICATE KEY UPDATE yVevo = VALUES(yVevo), yzKod = "
                                 "VALUES(yzKod), yPnem = VALUES(yPnem), yKelt = VALUES(yKelt), yHatarido = "
                                 "VALUES(yHatarido), yFizetendo = VALUES(yFizetendo), yFizetve = VALUES(yFizetve), "
                                 "yHatralek = VALUES(yHatralek)")
                      .arg(kOpenBalance, kBalanceView, condition));
}

QByteArray quotedList(Connection& c, const QStringList& numbers)
{
    QByteArrayList quoted;
    for (const QString& n : numbers)
        quoted << quotedLiteral(c, n);
    return quoted.join(", ");
}

} // namespace

void refreshOpenBalance(Connection& c, const QString& invoiceNumber)
{
    // The chain: the invoice, what it refers to and what refers to it, and theirs again (a
    // correction's original with the original's other corrections and its storno).
    QStringList chain{invoiceNumber.trimmed()};
    for (int round = 0; round < 3; ++round) {
        const QByteArray list = quotedList(c, chain);
        const auto links =
            c.select("SELECT hBszam, hEredeti FROM szlahivatkozas WHERE hBszam IN (" + list + ") OR hEredeti IN (" + list + ')');
        const qsizetype before = chain.size();
        for (int r = 0; r < links->rowCount(); ++r)
            for (int column : {0, 1})
                if (const QString n = links->text(r, column).trimmed(); !chain.contains(n))
                    chain << n;
        if (chain.size() == before)
            break;
    }
    const QByteArray list = quotedList(c, chain);
    // Every issued invoice of the chain gets its row written (an existing row is locked by its
    // key alone); the settled ones are then deleted by key. A statement that finds no row would
    // lock the gap around the number and make workstations issuing neighbouring numbers wait for
    // each other, so nothing is looked for by a locking statement that may find nothing.
    c.execute(upsertStatement(QStringLiteral("b.eBszam IN (%1)").arg(decode(CodePage::Latin2, list))));
    const auto settled = c.select("SELECT yBszam FROM " + latin2(kOpenBalance) + " WHERE yBszam IN (" + list
                                  + ") AND yHatralek = 0");
    QStringList gone;
    for (int r = 0; r < settled->rowCount(); ++r)
        gone << settled->text(r, 0);
    if (!gone.isEmpty())
        c.execute("DELETE FROM " + latin2(kOpenBalance) + " WHERE yBszam IN (" + quotedList(c, gone) + ')');
}

QStringList backfillOpenBalance(Connection& c)
{
    ensureBalanceView(c);
    qint64 rows = 0;
    StepChain chain(c);
    chain.run([&] {
        chain.begin();
        c.execute("DELETE FROM " + latin2(kOpenBalance));
        c.execute(upsertStatement(QStringLiteral("b.eHatralek <> 0")));
        rows = c.select("SELECT COUNT(*) FROM " + latin2(kOpenBalance))->integer(0, 0);
        chain.commit();
    });
    return {QStringLiteral("Nyitott egyenlegek a kintlévőségekhez: %1 számla").arg(rows)};
}

} // namespace orvena
