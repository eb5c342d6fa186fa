#include "setup.h"

#include "codepages.h"
#include "connection.h"
#include "navsendschema.h"
#include "schema.h"
#include "sqlname.h"

#include <QDate>
#include <algorithm>

namespace orvena {

namespace {

QByteArray quoted(Connection& c, const QString& text)
{
    return '\'' + c.escape(encode(CodePage::Latin2, text)) + '\'';
}

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
            sql += row[i].startsWith(u'#') ? row[i].mid(1).toLatin1() : quoted(c, row[i]);
        }
        c.execute(sql + ')');
    }
}

QString block(const QStringList& lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

QStringList runSetup(Connection& admin, const SetupOptions& options)
{
    QStringList done;
    admin.execute("CREATE DATABASE IF NOT EXISTS " + quotedNameBytes(options.database)
                  + " CHARACTER SET latin2 COLLATE latin2_hungarian_ci");
    done << QStringLiteral("Adatbázis: %1").arg(options.database);

    if (!options.appUser.isEmpty()) {
        const QByteArray account = quoted(admin, options.appUser) + '@' + quoted(admin, options.appHost);
        admin.execute("CREATE USER IF NOT EXISTS " + account + " IDENTIFIED BY " + quoted(admin, options.appPassword));
        // A password given now is the account's password from now on (the configuration file
        // holds the same); without one an existing account keeps its own.
        if (!options.appPassword.isEmpty())
            admin.execute("ALTER USER " + account + " IDENTIFIED BY " + quoted(admin, options.appPassword));
        admin.execute("GRANT SELECT, INSERT, UPDATE, DELETE, LOCK TABLES ON " + quotedNameBytes(options.database) + ".* TO "
                      + account);
        // The export writes its files through the server (SELECT ... INTO OUTFILE).
        admin.execute("GRANT FILE ON *.* TO " + account);
        done << QStringLiteral("Felhasználó: %1@%2").arg(options.appUser, options.appHost);
    }

    admin.execute("USE " + quotedNameBytes(options.database));
    const QStringList created = createMissingTables(admin);
    done << (created.isEmpty() ? QStringLiteral("Minden tábla megvolt.")
                               : QStringLiteral("Létrehozott táblák: %1").arg(created.join(QStringLiteral(", "))));
    const QStringList added = addMissingColumns(admin);
    if (!added.isEmpty())
        done << QStringLiteral("Új oszlopok: %1").arg(added.join(QStringLiteral(", ")));
    recordSchemaVersion(admin);
    ensureRowCounters(admin);
    done << QStringLiteral("Adatszerkezet: %1. változat").arg(storedSchemaVersion(admin));

    const int year = options.year > 0 ? options.year : QDate::currentDate().year();
    const QString start = QString::number(year * 10000);
    for (const char* key : {"1", "2"}) {
        const auto rows = admin.select(QByteArray("SELECT COUNT(*) FROM sorszam WHERE aKod = '") + key + "'");
        if (rows->text(0, 0) != u"0")
            continue;
        admin.execute(QByteArray("INSERT INTO sorszam (aKod, aBszam) VALUES ('") + key + "', " + quoted(admin, start) + ')');
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

QStringList addBasicData(Connection& c)
{
    QStringList done;
    if (tableEmpty(c, "afa")) {
        insertRows(c, "afa", {"kAfakod", "kAfanev", "kAfa", "kNavTipus", "kNavKod", "kNavIndok"},
                   {{"1", "27% általános", "#27", "PERCENTAGE", "#NULL", "#NULL"},
                    {"2", "18% kedvezményes", "#18", "PERCENTAGE", "#NULL", "#NULL"},
                    {"3", "5% kedvezményes", "#5", "PERCENTAGE", "#NULL", "#NULL"},
                    {"4", "AAM alanyi adómentes", "#0", "VAT_EXEMPTION", "AAM",
                     "Alanyi adómentes (Áfa tv. XIII. fejezet)"}});
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
        insertRows(c, "afa", {"kAfakod", "kAfanev", "kAfa", "kNavTipus", "kNavKod", "kNavIndok"},
                   {{"1", "27% általános", "#27", "PERCENTAGE", "#NULL", "#NULL"},
                    {"2", "18% kedvezményes", "#18", "PERCENTAGE", "#NULL", "#NULL"},
                    {"3", "5% kedvezményes", "#5", "PERCENTAGE", "#NULL", "#NULL"},
                    {"4", "AAM alanyi adómentes", "#0", "VAT_EXEMPTION", "AAM", "Alanyi adómentes"}});
        done << QStringLiteral("Minta áfakulcsok: 4");
    }
    if (tableEmpty(c, "szallito")) {
        insertRows(c, "szallito",
                   {"zKod", "zSzam", "zNev1", "zNev2", "zIrszam", "zHely", "zUtca", "zAdo", "zKado", "zBanknev",
                    "zBankszla", "zIBAN", "zSwift", "zEmail", "zTel", "zKiallito", "zMemoSzall"},
                   {{"1", "1", "Tisza-Mérleg Kereskedelmi Kft.", "Mérlegek és mérőeszközök", "6720", "Szeged",
                     "Kárász utca 14.", "12345676-2-06", "HU12345676", "OTP Bank Nyrt.", "11735005-20512345-00000000",
                     "HU42117350052051234500000000", "OTPVHUHB", "iroda@tiszamerleg.hu", "+36 62 555 014",
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

} // namespace orvena
