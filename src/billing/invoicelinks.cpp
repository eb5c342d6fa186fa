#include "invoicelinks.h"

#include "db/codepages.h"
#include "db/connection.h"
#include "db/resultset.h"
#include "db/sqlname.h"

#include <QRegularExpression>

namespace orvena {

namespace {

int linkCount(Connection& c)
{
    return static_cast<int>(c.select("SELECT COUNT(*) FROM szlahivatkozas")->integer(0, 0));
}

} // namespace

QStringList backfillStornoLinks(Connection& c)
{
    // What was reported as a storno is one, whatever its remark says now.
    const int before = linkCount(c);
    c.execute("INSERT IGNORE INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) SELECT nBszam, 'STORNO', nEredeti "
              "FROM szlanav WHERE nMuvelet = 'STORNO' AND nEredeti IS NOT NULL AND nEredeti <> ''");
    const int reported = linkCount(c) - before;

    // Unreported ones: the remark the storno wrote, and lines that are the original's negated.
    static const QRegularExpression remark(QString::fromUtf8("^\\s*(\\S+) számú érvénytelenítő számla\\s*$"));
    const auto candidates = c.select("SELECT f.fBszam, f.fMegj FROM szlafej f WHERE f.fMegj LIKE "
                                     "'%rv_nytelen_t_ sz_mla%' AND NOT EXISTS (SELECT 1 FROM szlanav n WHERE "
                                     "n.nBszam = f.fBszam) AND NOT EXISTS (SELECT 1 FROM szlahivatkozas h WHERE "
                                     "h.hBszam = f.fBszam) ORDER BY f.fBszam");
    int matched = 0;
    for (int r = 0; r < candidates->rowCount(); ++r) {
        const QString number = candidates->text(r, 0);
        const auto m = remark.match(candidates->text(r, 1));
        if (!m.hasMatch() || m.captured(1) == number)
            continue;
        const QByteArray n = quotedLiteral(c, number);
        const QByteArray o = quotedLiteral(c, m.captured(1));
        const QByteArray net = "IFNULL(SUM(ROUND(sMenny * sEar, 2)), 0)";
        const auto check = c.select(
            "SELECT (SELECT COUNT(*) FROM szlafej a JOIN szlafej b ON a.fvKod <=> b.fvKod WHERE a.fBszam = " + o
            + " AND b.fBszam = " + n + "), (SELECT COUNT(*) FROM szlasor WHERE sBszam = " + o
            + "), (SELECT COUNT(*) FROM szlasor WHERE sBszam = " + n + "), (SELECT " + net
            + " FROM szlasor WHERE sBszam = " + o + ") + (SELECT " + net + " FROM szlasor WHERE sBszam = " + n
            + ") = 0, (SELECT COUNT(*) FROM szlahivatkozas WHERE hEredeti = " + o + " OR hBszam = " + o + ")");
        const bool sameCustomer = static_cast<int>(check->integer(0, 0)) > 0;
        const int originalLines = static_cast<int>(check->integer(0, 1));
        const bool mirrored = originalLines > 0 && originalLines == static_cast<int>(check->integer(0, 2))
                              && static_cast<int>(check->integer(0, 3)) == 1;
        const bool free = static_cast<int>(check->integer(0, 4)) == 0;
        if (!sameCustomer || !mirrored || !free)
            continue;
        c.execute("INSERT IGNORE INTO szlahivatkozas (hBszam, hMuvelet, hEredeti) VALUES (" + n + ", 'STORNO', " + o + ')');
        ++matched;
    }
    if (reported + matched == 0)
        return {};
    return {QStringLiteral("Storno hivatkozások a korábbi adatokból: %1 (adatszolgáltatásból %2, a megjegyzés és "
                           "a tételek alapján %3)")
                .arg(reported + matched)
                .arg(reported)
                .arg(matched)};
}

} // namespace orvena
