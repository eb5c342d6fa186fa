#pragma once
// What the benchmark programs share: a database of their own made fresh on the running server,
// a large invoice to time, an operator who is never asked, and the figures' arithmetic.
#include "db/codepages.h"
#include "db/connection.h"
#include "billing/setup.h"
#include "screens/common/screenopener.h"
#include "screens/common/userinterface.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace orvena::bench {

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double msSince(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Nobody sits at a benchmark: a box would be a fault, so its text goes to standard error.
class SilentUi : public UserInterface {
public:
    void message(const QString& text) override { std::fprintf(stderr, "unexpected box: %s\n", qPrintable(text)); }
    void notice(const QString& text) override { message(text); }
    bool askYesNo(const QString& text) override { return message(text), false; }
    void errorReport(const QString& text) override { message(text); }
};

class NoScreens : public ScreenOpener {
public:
    void open(Screen, const ScreenRequest&) override {}
    bool canOpen(Screen) const override { return false; }
};

// Drops and makes `database` anew (with the demo master data when asked), leaves `setup` in it
// and returns the profile the program's connection uses for it.
inline ConnectionProfile freshDatabase(Connection& setup, const QString& database, bool demo)
{
    ConnectionProfile admin = ConnectionProfile::fromEnvironment();
    admin.user = qEnvironmentVariable("ORVENA_ADMIN_USER", QStringLiteral("root"));
    admin.database.clear();
    setup.open(admin);
    SetupOptions options;
    options.database = database;
    options.appUser.clear(); // the benchmark logs in as the server's administrator
    options.demo = demo;
    setup.execute("DROP DATABASE IF EXISTS " + database.toLatin1());
    runSetup(setup, options);
    setup.execute("USE " + database.toLatin1());
    admin.database = database;
    return admin;
}

// How the lines of a seeded invoice carry VAT.
enum class LineVat {
    TwoRates,      // 27 % and 5 %, in pieces
    EveryDemoCode, // each VAT code of the demo data, exemptions included; pieces and hours
};

// Invoice 20100000 + lines, unprinted, of `lines` lines; returns its number.
inline QString seedInvoice(Connection& setup, int lines, LineVat vat)
{
    const QString number = QString::number(20100000 + lines);
    setup.execute(encode(CodePage::Latin2,
                         QStringLiteral("INSERT INTO szlafej (fBszam, fTkelt, fRkelt, fFkelt, fFizmod, fMegj, fPrn, "
                                        "fKerek, fArfoly, fPnem, fmKod, fzKod, fvKod, fmemo, fMemoSzall, fMemoVevo) "
                                        "VALUES ('%1', '2010-05-17', '2010-05-17', '2010-05-25', 'átutalás', "
                                        "'Teljesítményteszt', ' ', 3, 0, 'Ft', '00002', '1', '1', 'Köszönjük!', "
                                        "'Tisza-Mérleg Kft.', 'Kovács és Társa Bt.')")
                             .arg(number)));
    const QString unitAndVat =
        vat == LineVat::TwoRates
            ? QStringLiteral("'db', 100 + seq / 3, 'Ft', IF(seq % 3 = 0, '3', '1'), IF(seq % 3 = 0, "
                             "'5% kedvezményes', '27% általános'), IF(seq % 3 = 0, 5, 27)")
            : QStringLiteral("IF(seq % 5 = 0, 'óra', 'db'), 100 + seq / 3, 'Ft', kAfakod, kAfanev, kAfa");
    const QString source = vat == LineVat::TwoRates ? QStringLiteral("seq_1_to_%1").arg(lines)
                                                    : QStringLiteral("seq_1_to_%1 JOIN afa ON kAfakod = 1 + seq % 4").arg(lines);
    setup.execute(encode(CodePage::Latin2,
                         QStringLiteral("INSERT INTO szlasor (sBszam, scKod, scSzam, sMegn, sVtsz, sMenny, sMe, sEar, "
                                        "sPnem, skAfakod, sAfanev, sAfa, sMemo) SELECT '%1', '1', CONCAT('TM-', seq), "
                                        "CONCAT('Konyhai mérleg ', seq), '8423', 1 + seq % 7, %2, IF(seq % 10 = 0, "
                                        "'Megjegyzés a tételhez', '') FROM %3")
                             .arg(number, unitAndVat, source)));
    return number;
}

} // namespace orvena::bench
