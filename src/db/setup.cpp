#include "setup.h"


#include "codepages.h"
#include "connection.h"
#include "errors.h"
#include "navsendschema.h"
#include "restorestate.h"
#include "schema.h"
#include "sqlname.h"

#include <QDate>
#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace orvena {

namespace {

bool tableEmpty(Connection& c, const char* table)
{
    return c.select("SELECT COUNT(*) FROM " + quotedNameBytes(QLatin1String(table)))->text(0, 0) == u"0";
}

// One INSERT of literal rows; values are quoted texts, or bare numbers when prefixed with '#'.
void insertRows(Connection& c, const char* table, const QStringList& columns, const QList<QStringList>& rows)
{
    for (const QStringList& row : rows) {
        QStringList names = columns;
        std::transform(names.begin(), names.end(), names.begin(), quotedName);
        QByteArray sql = "INSERT INTO " + quotedNameBytes(QLatin1String(table)) + " (" + names.join(u',').toLatin1() + ") VALUES (";
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i)
                sql += ',';
            sql += row[i].startsWith(u'#') ? row[i].mid(1).toLatin1() : quotedLiteral(c, row[i]);
        }
        c.execute(sql + ')');
    }
}

QString block(const QStringList& lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

// Whether the account holds FILE among its global rights.
bool hasFileRight(Connection& c, const QByteArray& account)
{
    const auto grants = c.select("SHOW GRANTS FOR " + account);
    for (int r = 0; r < grants->rowCount(); ++r) {
        const QString line = grants->text(r, 0);
        const qsizetype on = line.indexOf(QStringLiteral(" ON *.* "));
        if (!line.startsWith(QStringLiteral("GRANT ")) || on < 0)
            continue;
        const QStringList rights = line.mid(6, on - 6).split(QStringLiteral(", "));
        if (rights.contains(QStringLiteral("FILE")) || rights.contains(QStringLiteral("ALL PRIVILEGES")))
            return true;
    }
    return false;
}

// The program's rights on its database; FILE (the export's SELECT ... INTO OUTFILE) only when the
// server writes into one folder, since with FILE on an unscoped server the account reads and
// writes any file the server's system account can.
QStringList grantProgramRights(Connection& c, const QByteArray& account, const QString& database)
{
    c.execute("GRANT SELECT, INSERT, UPDATE, DELETE, LOCK TABLES ON " + quotedNameBytes(database) + ".* TO " + account);
    const QString folder = scopedExportFolder(c);
    if (!folder.isEmpty()) {
        c.execute("GRANT FILE ON *.* TO " + account);
        return {QStringLiteral("Export: FILE jog, a kiszolgáló csak a(z) %1 mappába ír.").arg(folder)};
    }
    if (hasFileRight(c, account))
        c.execute("REVOKE FILE ON *.* FROM " + account);
    return {QStringLiteral("Export: nincs FILE jog, mert a kiszolgáló secure_file_priv beállítása nem jelöl ki "
                           "export mappát. Az exporthoz a kiszolgáló beállításában ([mysqld]) adjon meg egy mappát, "
                           "amelybe a kiszolgáló írhat, nem a /home alatt (például secure_file_priv = "
                           "/srv/orvena-export), indítsa újra a kiszolgálót, majd futtassa újra: sudo orvena-setup")};
}

// Earlier versions made the program's account "orvena2010" without a password (with FILE): any
// local system account could log in with it. Such an account is removed; desktop users get their
// own accounts instead.
QStringList closePasswordlessAccounts(Connection& c)
{
    QStringList done;
    const auto rows = c.select("SELECT Host FROM mysql.global_priv WHERE User = 'orvena2010' "
                               "AND IFNULL(JSON_VALUE(Priv, '$.plugin'), 'mysql_native_password') "
                               "IN ('mysql_native_password', 'mysql_old_password') "
                               "AND IFNULL(JSON_VALUE(Priv, '$.authentication_string'), '') = ''");
    for (int r = 0; r < rows->rowCount(); ++r) {
        c.execute("DROP USER 'orvena2010'@" + quotedLiteral(c, rows->text(r, 0)));
        done << QStringLiteral("A jelszó nélküli orvena2010@%1 fiók megszűnt (bárki beléphetett vele). A program "
                               "felhasználói: sudo orvena-setup --add-user NÉV")
                    .arg(rows->text(r, 0));
    }
    return done;
}

} // namespace

QStringList runSchemaSetup(Connection& admin, const SetupOptions& options, QStringList* createdTables)
{
    QStringList done;
    admin.execute("CREATE DATABASE IF NOT EXISTS " + quotedNameBytes(options.database)
                  + " CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
    done << QStringLiteral("Adatbázis: %1").arg(options.database);
    // a restore killed half way may have left the tables without their counters
    done << mendInterruptedRestore(admin, options.database);

    done << closePasswordlessAccounts(admin);
    if (!options.appUser.isEmpty() && !options.appPassword.isEmpty()) {
        const QByteArray account = quotedLiteral(admin, options.appUser) + '@' + quotedLiteral(admin, options.appHost);
        admin.execute("CREATE USER IF NOT EXISTS " + account + " IDENTIFIED BY " + quotedLiteral(admin, options.appPassword));
        // The password given now is the account's password from now on (the configuration file
        // holds the same).
        admin.execute("ALTER USER " + account + " IDENTIFIED BY " + quotedLiteral(admin, options.appPassword));
        done << QStringLiteral("Felhasználó: %1@%2 (jelszóval)").arg(options.appUser, options.appHost);
        done << grantProgramRights(admin, account, options.database);
    } else if (!options.appUser.isEmpty() && options.localServer) {
        done << addSocketUser(admin, options.database, options.appUser);
    } else if (!options.appUser.isEmpty()) {
        done << QStringLiteral("Felhasználó: jelszó nélkül nem jött létre (távoli kiszolgálón az ORVENA_DB_PASSWORD "
                               "adja meg a jelszavát, vagy a rendszergazda hozza létre kézzel, lásd: orvena-setup "
                               "--help).");
    }

    admin.execute("USE " + quotedNameBytes(options.database));
    const QStringList created = createMissingTables(admin);
    done << (created.isEmpty() ? QStringLiteral("Minden tábla megvolt.")
                               : QStringLiteral("Létrehozott táblák: %1").arg(created.join(QStringLiteral(", "))));
    const QStringList added = addMissingColumns(admin);
    if (!added.isEmpty())
        done << QStringLiteral("Új oszlopok: %1").arg(added.join(QStringLiteral(", ")));
    const QStringList indexes = ensureIndexes(admin);
    if (!indexes.isEmpty())
        done << QStringLiteral("Új indexek: %1").arg(indexes.join(QStringLiteral(", ")));
    if (createdTables)
        *createdTables = created;
    recordSchemaVersion(admin);
    ensureRowCounters(admin);
    done << QStringLiteral("Adatszerkezet: %1. változat").arg(storedSchemaVersion(admin));

    const int year = options.year > 0 ? options.year : QDate::currentDate().year();
    const QString start = QString::number(year * 10000);
    // "1" invoices, "2" delivery notes, "D" proformas
    for (const char* key : {"1", "2", "D"}) {
        const QByteArray code = quotedLiteral(admin, QLatin1String(key));
        const auto rows = admin.select("SELECT COUNT(*) FROM sorszam WHERE aKod = " + code);
        if (rows->text(0, 0) != u"0")
            continue;
        admin.execute("INSERT INTO sorszam (aKod, aBszam) VALUES (" + code + ", " + quotedLiteral(admin, start) + ')');
        done << QStringLiteral("Sorszám \"%1\": %2").arg(QLatin1String(key), start);
    }
    // Reporting of issued invoices: the technical user's columns and the report log.
    done << ensureNavSendSchema(admin);
    if (options.demo)
        done << addDemoData(admin);
    if (options.basicData)
        done << addBasicData(admin);
    return done;
}

namespace {

// The VAT rates in force (27, 18, 5 %) and the individual exemption with its printed reason.
void insertVatRates(Connection& c, const QString& exemptionReason)
{
    insertRows(c, "afa", {"kAfakod", "kAfanev", "kAfa", "kNavTipus", "kNavKod", "kNavIndok"},
               {{"1", "27% általános", "#27", "PERCENTAGE", "#NULL", "#NULL"},
                {"2", "18% kedvezményes", "#18", "PERCENTAGE", "#NULL", "#NULL"},
                {"3", "5% kedvezményes", "#5", "PERCENTAGE", "#NULL", "#NULL"},
                {"4", "AAM alanyi adómentes", "#0", "VAT_EXEMPTION", "AAM", exemptionReason}});
}

} // namespace

QStringList addBasicData(Connection& c)
{
    QStringList done;
    if (tableEmpty(c, "afa")) {
        insertVatRates(c, QStringLiteral("Alanyi adómentes (Áfa tv. XIII. fejezet)"));
        done << QStringLiteral("Áfakulcsok: 27%, 18%, 5%, alanyi adómentes");
    }
    if (tableEmpty(c, "mezonev")) {
        // Hungarian only: the captions printed after the layouts' Hungarian ones stay empty.
        insertRows(c, "mezonev", {"mkod", "mtipus", "mnyelv", "mmegnev"},
                   {{"00002", "egész forint", "magyar", "Magyar"}});
        done << QStringLiteral("Szótár: 00002 Magyar");
    }
    return done;
}

QStringList addDemoData(Connection& c)
{
    QStringList done;
    if (tableEmpty(c, "afa")) {
        insertVatRates(c, QStringLiteral("Alanyi adómentes"));
        done << QStringLiteral("Minta áfakulcsok: 4");
    }
    if (tableEmpty(c, "szallito")) {
        insertRows(c, "szallito",
                   {"zKod", "zSzam", "zNev1", "zNev2", "zIrszam", "zHely", "zUtca", "zAdo", "zKado", "zBanknev",
                    "zBankszla", "zIBAN", "zSwift", "zEmail", "zTel", "zKiallito", "zMemoSzall"},
                   {{"1", "1", "Tisza-Mérleg Kereskedelmi Kft.", "Mérlegek és mérőeszközök", "6720", "Szeged",
                     "Kárász utca 14.", "12345676-2-06", "HU12345676", "OTP Bank Nyrt.", "11735005-20512345-00000000",
                     "HU53117350052051234500000000", "OTPVHUHB", "iroda@tiszamerleg.hu", "+36 62 555 014",
                     "Kovács Éva",
                     block({"Tisza-Mérleg Kereskedelmi Kft.", "6720 Szeged, Kárász utca 14.",
                            "Adószám: 12345676-2-06", "Bankszámla: 11735005-20512345-00000000"})}});
        done << QStringLiteral("Minta kibocsátó: 1");
    }
    if (tableEmpty(c, "vevo")) {
        const QStringList cols = {"vKod", "vSzam", "vNeve", "vIrszam", "vHely", "vUtca", "vAdo", "vKado", "vBanknev",
                                  "vBankszla", "vUzen", "vKamat", "vFhat", "vFizmod", "vEnged", "vPnem",
                                  "vFordado", "vEmail", "vTel", "vMemoVevo", "vAfaStatusz", "vOrszag"};
        // A domestic company with a Hungarian tax number; "-" as tax number makes a private
        // person; a foreign tax number makes a customer in another EU country (its country
        // code is the number's first two letters).
        auto customer = [](const QString& kod, const QString& name, const QString& zip, const QString& town,
                           const QString& street, const QString& tax, const QString& term, const QString& method,
                           const QString& discount, const QString& currency) {
            const bool person = tax == u"-";
            const bool foreign = !person && tax.at(0).isLetter();
            QStringList lines{name, zip + ' ' + town + ", " + street};
            if (!person)
                lines << "Adószám: " + tax;
            return QStringList{kod, kod, name, zip, town, street, foreign || person ? QString() : tax,
                               foreign ? tax : QString(), QString(), QString(), QString(), "#0", "#" + term, method,
                               "#" + discount, currency, QString(), QString(), QString(), block(lines),
                               person ? "PRIVATE_PERSON" : foreign ? "OTHER" : "DOMESTIC",
                               foreign ? tax.left(2) : "HU"};
        };
        insertRows(c, "vevo", cols,
                   {customer("1", "Kovács és Társa Bt.", "1052", "Budapest", "Váci utca 8.", "23456787-1-41", "8",
                             "kp.", "0", "Ft"),
                    customer("2", "Szőke Építőipari Zrt.", "4025", "Debrecen", "Piac utca 21.", "34567898-2-09", "15",
                             "átutalás", "0", "Ft"),
                    customer("3", "Győri Ételműhely Kft.", "9021", "Győr", "Baross Gábor út 3.", "45678909-2-08", "30",
                             "átutalás", "5", "Ft"),
                    customer("4", "Őri Zsuzsanna", "9941", "Őriszentpéter", "Kovácsszer 12.", "-",
                             "8", "kp.", "0", "Ft"),
                    customer("5", "Donau Handel GmbH", "1010", "Wien", "Kärntner Straße 5.", "ATU12345678", "30",
                             "átutalás", "0", "HUF")});
        done << QStringLiteral("Minta vevők: 5");
    }
    if (tableEmpty(c, "cikk")) {
        const QStringList cols = {"cKod", "cSzam", "cMegn", "cVtsz", "cMe", "cEar", "cPnem", "cAfakod", "cAfanev",
                                  "cAfa", "cGolaj"};
        auto article = [](const QString& kod, const QString& no, const QString& name, const QString& vtsz,
                          const QString& unit, const QString& price, int vat) {
            const QString vatCode = vat == 27 ? "1" : vat == 18 ? "2" : vat == 5 ? "3" : "4";
            const QString vatName = vat == 27   ? "27% általános"
                                    : vat == 18 ? "18% kedvezményes"
                                    : vat == 5  ? "5% kedvezményes"
                                                : "AAM alanyi adómentes";
            return QStringList{kod, no, name, vtsz, unit, "#" + price, "Ft", vatCode, vatName,
                               "#" + QString::number(vat), "#0"};
        };
        insertRows(c, "cikk", cols,
                   {article("1", "TM-100", "Konyhai mérleg 5 kg", "8423", "db", "8990", 27),
                    article("2", "TM-220", "Személymérleg üveglapos", "8423", "db", "12490", 27),
                    article("3", "TM-350", "Platómérleg 300 kg", "8423", "db", "89900", 27),
                    article("4", "HT-010", "Hitelesítés", "7120", "db", "15000", 27),
                    article("5", "SZ-001", "Szervizóradíj", "3312", "óra", "9500", 27),
                    article("6", "KS-040", "Kalibráló súly 1 kg", "9016", "db", "6350", 27),
                    article("7", "PP-500", "Csomagolópapír", "4804", "kg", "1250.5", 27),
                    article("8", "KV-018", "Szakkönyv: Mérés a gyakorlatban", "4901", "db", "4200", 5),
                    article("9", "EL-300", "Kenyér a vevőtalálkozóra", "1905", "kg", "890", 18),
                    article("10", "OK-001", "Oktatás (alanyi mentes)", "8559", "óra", "12000", 0)});
        done << QStringLiteral("Minta cikkek: 10");
    }
    if (tableEmpty(c, "mezonev")) {
        const QStringList captions = {"mSzamla", "mSzlevel", "mMasolatipld", "mEredeti", "mpeldany", "mSzallito",
                                      "mVevo", "mFizmod", "mTkelt", "mRkelt", "mFkelt", "mBszam", "mMegj", "mSzerz",
                                      "mMegn", "mVtsz", "mMe", "mMenny", "mEar", "mNetto", "mAfaszaz", "mAfa",
                                      "mBrutto", "mPnem", "mOsszesen", "mFizetendo", "mAzaz", "mAdoosszesites",
                                      "mAlap", "mAdo"};
        const QStringList english = {"Invoice", "Delivery note", "Copy", "Original", "copy", "Supplier", "Customer",
                                     "Payment method", "Date of performance", "Invoice date", "Due date",
                                     "Number", "Remark", "Contract", "Description", "Tariff no.", "Unit",
                                     "Quantity", "Unit price", "Net", "VAT %", "VAT", "Gross", "Currency", "Total",
                                     "Amount payable", "In words", "VAT summary", "Tax base", "Tax"};
        const QStringList german = {"Rechnung", "Lieferschein", "Kopie", "Original", "Exemplar", "Lieferant", "Kunde",
                                    "Zahlungsart", "Leistungsdatum", "Rechnungsdatum", "Fälligkeit", "Nummer",
                                    "Bemerkung", "Vertrag", "Bezeichnung", "Zolltarifnr.", "Einheit", "Menge",
                                    "Einzelpreis", "Netto", "MwSt. %", "MwSt.", "Brutto", "Währung", "Gesamt",
                                    "Zahlbetrag", "In Worten", "MwSt.-Übersicht", "Bemessungsgrundlage", "Steuer"};
        const QStringList cols = QStringList{"mkod", "mtipus", "mnyelv", "mmegnev"} + captions;
        insertRows(c, "mezonev", cols,
                   {QStringList{"00002", "egész forint", "angol", "Magyar-angol"} + english,
                    QStringList{"00003", "fillér (század)", "német", "Magyar-német"} + german});
        done << QStringLiteral("Minta szótárak: 00002, 00003");
    }
    return done;
}

bool isLoginName(const QString& name)
{
    static const QRegularExpression login(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]{0,31}$"));
    return login.match(name).hasMatch();
}

QString scopedExportFolder(Connection& admin)
{
    const auto rows = admin.select("SELECT @@secure_file_priv IS NULL, IFNULL(@@secure_file_priv, '')");
    // NULL: nowhere; empty or the root folder: anywhere
    if (rows->text(0, 0) == u"1" || QDir::cleanPath(rows->text(0, 1)) == u"/")
        return {};
    return rows->text(0, 1);
}

bool isServerAccount(const QString& name)
{
    static const QStringList own{QStringLiteral("root"),          QStringLiteral("mysql"),
                                 QStringLiteral("mariadb.sys"),   QStringLiteral("public"),
                                 QStringLiteral("debian-sys-maint"), QStringLiteral("mysql.sys"),
                                 QStringLiteral("mysql.session"), QStringLiteral("mysql.infoschema")};
    return own.contains(name.toLower());
}

QStringList addSocketUser(Connection& admin, const QString& database, const QString& user)
{
    if (!isLoginName(user))
        throw Error(QStringLiteral("\"%1\" nem felhasználónév (betűk, számjegyek, \"_\", \"-\", \".\"; legfeljebb "
                                   "32 karakter).")
                        .arg(user));
    if (isServerAccount(user))
        throw Error(QStringLiteral("\"%1\" az adatbázis-kiszolgáló saját fiókja, nem lehet az Orvena felhasználója.").arg(user));
    const QByteArray account = quotedLiteral(admin, user) + "@'localhost'";
    // the account's ways of logging in (unix_socket may stand as an alternative of another)
    const auto existing = admin.select("SELECT Priv LIKE '%\"unix_socket\"%', IFNULL(JSON_VALUE(Priv, "
                                       "'$.account_locked'), 'false') IN ('true', '1') FROM mysql.global_priv WHERE User = "
                                       + quotedLiteral(admin, user) + " AND Host = 'localhost'");
    // A locked account is the server's or someone's closed one: it is not opened for a desktop user.
    if (existing->rowCount() > 0 && existing->text(0, 1) == u"1")
        throw Error(QStringLiteral("A(z) \"%1\" fiók zárolt (a kiszolgáló saját vagy lezárt fiókja), nem lehet az "
                                   "Orvena felhasználója.")
                        .arg(user));
    QStringList done;
    if (existing->rowCount() == 0) {
        admin.execute("CREATE USER " + account + " IDENTIFIED VIA unix_socket");
        done << QStringLiteral("Felhasználó: %1@localhost (a rendszer felhasználójaként lép be, jelszó nélkül)").arg(user);
    } else if (existing->text(0, 0) != u"1") {
        admin.execute("ALTER USER " + account + " IDENTIFIED VIA unix_socket");
        done << QStringLiteral("Felhasználó: %1@localhost ezentúl a rendszer felhasználójaként lép be (jelszó nélkül)")
                    .arg(user);
    } else {
        done << QStringLiteral("Felhasználó: %1@localhost megvolt").arg(user);
    }
    done << grantProgramRights(admin, account, database);
    return done;
}

} // namespace orvena
