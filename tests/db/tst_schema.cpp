// The database the setup creates: table and column names in their fixed order (positional
// copies depend on it), exact decimal types, keys and indexes, and the setup tool itself.
#include "support/fakes.h"

#include "db/schema.h"
#include "db/setup.h"
#include "db/sqlname.h"

#include <QProcess>
#include <pwd.h>
#include <unistd.h>
#include <QTest>

using namespace orvena;

namespace {

// Written out independently of the schema code, so a reordered column fails here.
const QMap<QString, QString> kExpectedColumns = {
    {"szlafej", "fID fBszam fTkelt fRkelt fFkelt fFizmod fMegj fSzerz fPrn fKerek fArfoly fPnem fnSor fmKod fzKod "
                "fzSzam fvKod fvSzam faFelhaszn fmemo fMemoSzall fMemoVevo"},
    {"munkafej", "fID fBszam fTkelt fRkelt fFkelt fFizmod fMegj fSzerz fPrn fKerek fArfoly fPnem fnSor fmKod fzKod "
                 "fzSzam fvKod fvSzam faFelhaszn fmemo fMemoSzall fMemoVevo"},
    {"szlevfej", "lID lBszam lTkelt lRkelt lFkelt lFizmod lMegj lSzerz lPrn lKerek lArfoly lPnem lnSor lmKod lzKod "
                 "lzSzam lvKod lvSzam laFelhaszn lmemo lMemoSzall lMemoVevo"},
    {"szlasor", "sID sBszam scKod scSzam sMegn sVtsz sMenny sMe sEar sPnem skAfakod sAfanev sAfa sAlap sAdo sGolaj "
                "saFelhaszn sMemo"},
    {"munkasor", "sID sBszam scKod scSzam sMegn sVtsz sMenny sMe sEar sPnem skAfakod sAfanev sAfa sAlap sAdo sGolaj "
                 "saFelhaszn sMemo"},
    {"szlevsor", "eID eBszam ecKod ecSzam eMegn eVtsz eMenny eMe eEar ePnem ekAfakod eAfanev eAfa eAlap eAdo eGolaj "
                 "eaFelhaszn eMemo"},
    {"vevo", "vID vKod vSzam vNeve vIrszam vHely vUtca vAdo vKado vBanknev vBankszla vIBAN vSwift vUzen vKamat vFhat "
             "vFizmod vEnged vPnem vFordado vSzcim vEmail vTel vMasolva vMemoVevo vAfaStatusz vOrszag vKulfAdo"},
    {"szallito", "zID zKod zSzam zNev1 zNev2 zIrszam zHely zUtca zAdo zKado zBanknev zBankszla zBanknev2 zBankszla2 "
                 "zIBAN zSwift zThely zEmail zTel zFax zKiallito zSzeria zVerzio zaFelhaszn zMemoSzall zNavMod zAlanyiMentes "
                 "zPenzforgalmi zKisadozo zNavLogin zNavJelszo zNavAlairo zNavCsere"},
    {"cikk", "cID cKod cSzam cMegn cVtsz cMe cEar cPnem cAfakod cAfanev cAfa cGolaj"},
    {"afa", "kID kAfakod kAfanev kAfa kNavTipus kNavKod kNavIndok"},
    {"sorszam", "aID aKod aBszam aSzeria aVer aFelhaszn"},
    {"mezonev", "mID mkod mtipus mnyelv mmegnev mSzamla mSzlevel mMasolatipld mEredeti mpeldany mSzallito mVevo "
                "mFizmod mTkelt mRkelt mFkelt mBszam mMegj mSzerz mMegn mVtsz mMe mMenny mEar mNetto mAfaszaz mAfa "
                "mBrutto mPnem mOsszesen mFizetendo mAzaz mAdoosszesites mAlap mAdo"},
    {"termek", "ID_Termek t_kod t_megnevezes t_VTSZ t_megy t_Ear t_Kompmerteke t_bizonylat"},
    {"szlanav", "nBszam nMuvelet nEredeti nModIndex nXml nKeszult nAllapot nTranzakcio nUzenet nProba nUtolso"},
    {"szlahivatkozas", "hBszam hMuvelet hEredeti"},
    {"szlaemail", "emID emBszam emCim emIdo emValasz emAzonosito emFelhasznalo emAllapot emArchiv emFajta"},
    {"szlaarchiv", "aID aBszam aElektronikus aPdf aPdfSha aXml aXmlSha aKeszult aFelhasznalo"},
    {"szlafizetes", "pID pBszam pDatum pOsszeg pMod pMegj pRogzitette pRogzitve pTorolve pTorolte"},
    // the balance view, whose names other reports join on
    {"szlaegyenleg", "eBszam eFizetendo eFizetve eHatralek eRendezve eKiallitva eStorno eVevo eHatarido ePnem eKelt"},
};

QProcessEnvironment setupEnvironment(const QString& database, const QString& user)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVENA_DB_NAME"), database);
    env.insert(QStringLiteral("ORVENA_DB_USER"), user);
    env.insert(QStringLiteral("ORVENA_ADMIN_USER"), test::TestDatabase::adminProfile().user);
    return env;
}

int runSetupTool(const QStringList& args, const QProcessEnvironment& env, QString* output = nullptr)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORVENA_SETUP_TOOL), args);
    p.waitForFinished(60000);
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class SchemaTest : public QObject {
    Q_OBJECT
private:
    test::TestDatabase* db = nullptr;

private slots:
    void initTestCase() { db = new test::TestDatabase; }
    void cleanupTestCase() { delete db; }

    void tablesHaveTheirColumnsInOrder()
    {
        QCOMPARE(int(schemaTables().size()), 35);
        for (auto it = kExpectedColumns.begin(); it != kExpectedColumns.end(); ++it) {
            const QStringList actual = db->rows(
                QStringLiteral("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '%1' "
                               "AND TABLE_NAME = '%2' ORDER BY ORDINAL_POSITION")
                    .arg(db->name(), it.key()));
            QCOMPARE(actual.join(u' '), it.value());
        }
    }

    void tablesAreInnoDbWithHungarianCollationAndKeys()
    {
        const QStringList tables = db->rows(QStringLiteral(
            "SELECT TABLE_NAME, ENGINE, TABLE_COLLATION FROM information_schema.TABLES WHERE TABLE_SCHEMA = '%1' "
            "AND TABLE_NAME <> 'semaverzio' AND TABLE_TYPE = 'BASE TABLE' ORDER BY TABLE_NAME").arg(db->name()));
        QCOMPARE(tables.size(), 38); // with the sums per article szlacikkosszeg, szlanapcikk, per day and
                                     // VAT rate szlanapafa, the open balances szlanyitott, with the bank statements bankkivonat, bankkivonattetel and bankkivonatfizetes,
                                     // with the archive szlaarchiv, with the reporting's szlanav and szlanavnaplo, the storno links szlahivatkozas,
                                     // the row counters tablaszamlalo and tablaszakasz, the payments szlafizetes,
                                     // the e-mail log szlaemail, the bank's rates mnbarfolyam, the proformas
                                     // dijbfej and dijbsor with the invoices they became, dijbszamla,
                                     // the invoice kinds szlajelleg and the final invoices' deductions szlaeloleg,
                                     // the invoices' sums szlaosszeg, szlaafaosszeg and szlanaposszeg, the
                                     // archive of issued invoices szlaarchiv, the content kept at issue szlakiallitas
        for (const QString& t : tables)
            QVERIFY2(t.endsWith(QStringLiteral("|InnoDB|latin2_hungarian_ci")), qPrintable(t));
        // every table but the invoice-report side tables (keyed by invoice number) has an
        // auto-increment primary key
        QCOMPARE(db->scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = "
                                           "'%1' AND COLUMN_KEY = 'PRI' AND EXTRA LIKE '%auto_increment%'")
                                .arg(db->name())),
                 QStringLiteral("28")); // szlanav, szlahivatkozas, szlajelleg, dijbszamla, szlaosszeg,
                                        // szlakiallitas and szlanyitott are keyed by a document number,
                                        // szlanaposszeg by the day
        for (const char* column : {"fBszam", "sBszam", "lBszam", "eBszam", "vKod", "cKod", "zKod", "mkod", "aKod"})
            QVERIFY2(db->scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.STATISTICS WHERE "
                                               "TABLE_SCHEMA = '%1' AND COLUMN_NAME = '%2' AND SEQ_IN_INDEX = 1")
                                    .arg(db->name(), QLatin1String(column)))
                         != u"0",
                     column);
    }

    void moneyColumnsAreExact()
    {
        const QStringList floats = db->rows(QStringLiteral(
            "SELECT CONCAT(TABLE_NAME, '.', COLUMN_NAME) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '%1' "
            "AND DATA_TYPE IN ('float', 'double')").arg(db->name()));
        QVERIFY2(floats.isEmpty(), qPrintable(floats.join(u' ')));
        QCOMPARE(db->scalar(QStringLiteral("SELECT NUMERIC_SCALE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA "
                                           "= '%1' AND TABLE_NAME = 'szlafej' AND COLUMN_NAME = 'fArfoly'")
                                .arg(db->name())),
                 QStringLiteral("6"));
        for (const char* column : {"sAfa", "eAfa", "cAfa", "kAfa"})
            QCOMPARE(db->scalar(QStringLiteral("SELECT DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA "
                                               "= '%1' AND COLUMN_NAME = '%2'").arg(db->name(), QLatin1String(column))),
                     QStringLiteral("int"));
        // a unit price with more than seven significant digits stays as typed
        db->exec(QStringLiteral("INSERT INTO cikk (cKod, cEar) VALUES ('1', 1234567.89)"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT cEar FROM cikk")), QStringLiteral("1234567,89"));
        db->exec(QStringLiteral("DELETE FROM cikk"));
    }

    // A database of an earlier version gets the new columns in their places, with their
    // defaults on the existing rows; a second run adds nothing.
    void missingColumnsAreAddedInPlace()
    {
        db->exec(QStringLiteral("ALTER TABLE afa DROP COLUMN kNavTipus, DROP COLUMN kNavKod, DROP COLUMN kNavIndok"));
        db->exec(QStringLiteral("ALTER TABLE vevo DROP COLUMN vOrszag, MODIFY COLUMN vEmail VARCHAR(30)"));
        db->exec(QStringLiteral("ALTER TABLE szallito DROP COLUMN zAlanyiMentes, DROP COLUMN zPenzforgalmi, DROP COLUMN "
                                "zKisadozo"));
        db->exec(QStringLiteral("INSERT INTO szallito (zKod, zNev1) VALUES ('1', 'Régi kibocsátó')"));
        // a column wider than the program's stays as it is
        db->exec(QStringLiteral("ALTER TABLE vevo MODIFY COLUMN vTel VARCHAR(40)"));
        db->exec(QStringLiteral("INSERT INTO afa (kAfakod, kAfanev, kAfa) VALUES ('1', '27%', 27)"));
        db->exec(QStringLiteral("INSERT INTO vevo (vKod, vNeve, vEmail) VALUES ('1', 'Régi vevő', 'regi@vevo.hu')"));
        QStringList added;
        DB_VERIFY(added = addMissingColumns(db->admin()));
        QCOMPARE(added, (QStringList{"vevo.vOrszag", "vevo.vEmail (254 karakter)", "szallito.zAlanyiMentes",
                                     "szallito.zPenzforgalmi", "szallito.zKisadozo", "afa.kNavTipus", "afa.kNavKod",
                                     "afa.kNavIndok"}));
        QCOMPARE(db->scalar(QStringLiteral("SELECT CONCAT(COLUMN_TYPE, ' ', vEmail) FROM information_schema.COLUMNS, vevo "
                                           "WHERE TABLE_SCHEMA = '%1' AND TABLE_NAME = 'vevo' AND COLUMN_NAME = 'vEmail'")
                                .arg(db->name())),
                 QStringLiteral("varchar(254) regi@vevo.hu"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT COLUMN_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = '%1' "
                                           "AND TABLE_NAME = 'vevo' AND COLUMN_NAME = 'vTel'").arg(db->name())),
                 QStringLiteral("varchar(40)"));
        db->exec(QStringLiteral("ALTER TABLE vevo MODIFY COLUMN vTel VARCHAR(15)"));
        for (const char* table : {"afa", "vevo", "szallito"})
            QCOMPARE(db->rows(QStringLiteral("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA "
                                             "= '%1' AND TABLE_NAME = '%2' ORDER BY ORDINAL_POSITION")
                                  .arg(db->name(), QLatin1String(table)))
                         .join(u' '),
                     kExpectedColumns.value(QLatin1String(table)));
        QCOMPARE(db->rows(QStringLiteral("SELECT kNavTipus, kNavKod FROM afa")), QStringList{"PERCENTAGE|"});
        QCOMPARE(db->scalar(QStringLiteral("SELECT CONCAT(vAfaStatusz, vOrszag) FROM vevo")), QStringLiteral("DOMESTICHU"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT CONCAT(zAlanyiMentes, zPenzforgalmi, zKisadozo) FROM szallito")),
                 QStringLiteral("000"));
        DB_VERIFY(added = addMissingColumns(db->admin()));
        QVERIFY(added.isEmpty());
        db->exec(QStringLiteral("DELETE FROM afa"));
        db->exec(QStringLiteral("DELETE FROM vevo"));
        db->exec(QStringLiteral("DELETE FROM szallito"));
    }

    void positionalCopiesKeepEveryColumnInPlace()
    {
        db->exec(QStringLiteral(
            "INSERT INTO szlevfej (lBszam, lTkelt, lRkelt, lFkelt, lmKod, lMemoSzall, lMemoVevo, lPrn) VALUES "
            "('20100007', '2010-05-01', '2010-05-02', '2010-05-10', '00003', 'Szállító', 'Vevő', 'I')"));
        db->exec(QStringLiteral("INSERT INTO szlevsor (eBszam, ecSzam, eMenny) VALUES ('20100007', 'A-1', 2.5)"));
        db->exec(QStringLiteral("INSERT INTO munkafej SELECT * FROM szlevfej WHERE lBszam = '20100007'"));
        db->exec(QStringLiteral("INSERT INTO munkasor SELECT * FROM szlevsor WHERE eBszam = '20100007'"));
        QCOMPARE(db->rows(QStringLiteral("SELECT fTkelt, fmKod, fMemoSzall, fMemoVevo, fPrn FROM munkafej")),
                 QStringList{QStringLiteral("2010.05.01|00003|Szállító|Vevő|I")});
        QCOMPARE(db->scalar(QStringLiteral("SELECT CONCAT(scSzam, '/', sMenny) FROM munkasor")),
                 QStringLiteral("A-1/2.5000"));
    }

    // A database whose name needs quoting (a restore's target may be named so) gets its
    // counters' triggers and loses them again, as a restore's swap needs.
    void counterTriggersOfAnyDatabaseNameComeAndGo()
    {
        const QString database = db->name() + QStringLiteral("_a`b");
        Connection& admin = db->admin();
        const auto triggers = [&] {
            return admin.select("SELECT COUNT(*) FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA = "
                                + quotedLiteral(admin, database))
                ->text(0, 0)
                .toInt();
        };
        DB_VERIFY(admin.execute("CREATE DATABASE " + quotedNameBytes(database)));
        DB_VERIFY(admin.execute("USE " + quotedNameBytes(database)));
        DB_VERIFY(createMissingTables(admin));
        DB_VERIFY(ensureRowCounters(admin));
        QCOMPARE(triggers(), 3 * int(countedTables().size()) + 2); // and the archive's two guards
        DB_VERIFY(dropRowCounterTriggers(admin, database));
        QCOMPARE(triggers(), 0);
        DB_VERIFY(admin.execute("USE " + quotedNameBytes(db->name())));
        DB_VERIFY(admin.execute("DROP DATABASE " + quotedNameBytes(database)));
    }

    void sequencesStartAtTheYearsRange()
    {
        QCOMPARE(db->rows(QStringLiteral("SELECT aKod, aBszam FROM sorszam ORDER BY aKod")),
                 (QStringList{QStringLiteral("1|20100000"), QStringLiteral("2|20100000"), QStringLiteral("D|20100000")}));
    }

    void setupToolIsIdempotentAndAddsDemoDataOnce()
    {
        const QString database = db->name() + QStringLiteral("_tool");
        const QString user = QStringLiteral("orvena_tool_%1").arg(QCoreApplication::applicationPid());
        auto env = setupEnvironment(database, user);
        env.insert(QStringLiteral("ORVENA_DB_PASSWORD"), QStringLiteral("Pult-jelszo-1"));
        QString out;
        QCOMPARE(runSetupTool({QStringLiteral("--help")}, env, &out), 0);
        QVERIFY(out.contains(QStringLiteral("--demo")));
        QVERIFY(runSetupTool({QStringLiteral("--nincs")}, env) != 0);

        QCOMPARE(runSetupTool({}, env, &out), 0);
        Connection& admin = db->admin();
        auto count = [&](const char* table) {
            return admin.select("SELECT COUNT(*) FROM `" + database.toLatin1() + "`." + table)->text(0, 0);
        };
        QCOMPARE(count("sorszam"), QStringLiteral("3"));
        QCOMPARE(count("vevo"), QStringLiteral("0"));
        QCOMPARE(count("szallito"), QStringLiteral("0"));
        // a fresh installation can issue invoices: the current rates classified for the report,
        // one Hungarian label set of whole forints
        const auto rows = [&](const QByteArray& sql) {
            const auto r = admin.select(sql);
            QStringList out;
            for (int i = 0; i < r->rowCount(); ++i) {
                QStringList cols;
                for (int c = 0; c < r->columnCount(); ++c)
                    cols << r->text(i, c);
                out << cols.join(u'|');
            }
            return out;
        };
        const QByteArray db = '`' + database.toLatin1() + "`.";
        const QStringList rates = {"1|27|PERCENTAGE||", "2|18|PERCENTAGE||", "3|5|PERCENTAGE||",
                                   "4|0|VAT_EXEMPTION|AAM|Alanyi adómentes (Áfa tv. XIII. fejezet)"};
        QCOMPARE(rows("SELECT kAfakod, kAfa, kNavTipus, kNavKod, kNavIndok FROM " + db + "afa ORDER BY kID"), rates);
        QCOMPARE(rows("SELECT mkod, mtipus, mnyelv, mmegnev FROM " + db + "mezonev"),
                 QStringList{QStringLiteral("00002|egész forint|magyar|Magyar")});
        // the layout version is recorded once, and a newer one recorded later is never lowered
        QVERIFY(out.contains(QStringLiteral("Adatszerkezet: %1. változat").arg(kSchemaVersion)));
        QCOMPARE(count("semaverzio"), QStringLiteral("1"));
        admin.execute("UPDATE `" + database.toLatin1() + "`.semaverzio SET svVerzio = svVerzio + 5");
        QCOMPARE(runSetupTool({}, env, &out), 0);
        QVERIFY(out.contains(QStringLiteral("Adatszerkezet: %1. változat").arg(kSchemaVersion + 5)));
        admin.execute("UPDATE `" + database.toLatin1() + "`.semaverzio SET svVerzio = " + QByteArray::number(kSchemaVersion));
        // A database made before the figures' indexes gets them; the rates keep one row per
        // currency and day.
        admin.execute("ALTER TABLE " + db + "szlafej DROP INDEX ix_kimutatas");
        QCOMPARE(runSetupTool({}, env, &out), 0);
        QVERIFY2(out.contains(QStringLiteral("Új indexek: szlafej.ix_kimutatas")), qPrintable(out));
        QCOMPARE(runSetupTool({}, env, &out), 0);
        QVERIFY2(!out.contains(QStringLiteral("Új indexek")), qPrintable(out));
        // A database of issued invoices made before the invoices' sums gets them once, as issuing
        // writes them (the unprinted invoice none), and its days added up.
        admin.execute("INSERT INTO " + db + "szlafej (fBszam, fRkelt, fPrn, fKerek, fArfoly, fPnem, fvKod) VALUES "
                      "('20260001', '2026-03-02', 'I', 10, 0, 'Ft', '1'), ('20260002', '2026-03-02', 'I', 0, 395.12, "
                      "'EUR', '2'), ('20260003', '2026-03-02', ' ', 0, 0, 'Ft', '1')");
        admin.execute("INSERT INTO " + db + "szlasor (sBszam, sMenny, sEar, skAfakod, sAfa) VALUES "
                      "('20260001', 3, 33.33, '1', 27), ('20260002', 1, 10.55, '1', 27), ('20260002', 1, 2, '3', 5), "
                      "('20260003', 1, 100, '1', 27)");
        admin.execute("DROP TABLE " + db + "szlaosszeg, " + db + "szlaafaosszeg, " + db + "szlanaposszeg, " + db
                      + "szlacikkosszeg, " + db + "szlanapcikk, " + db + "szlanapafa, " + db + "szlanyitott");
        QCOMPARE(runSetupTool({}, env, &out), 0);
        QVERIFY2(out.contains(QStringLiteral("Számlaösszegek a kimutatásokhoz: 2 kiállított számla")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("Nyitott egyenlegek a kintlévőségekhez: 2 számla")), qPrintable(out));
        QCOMPARE(runSetupTool({}, env, &out), 0);
        QVERIFY2(!out.contains(QStringLiteral("Számlaösszegek")), qPrintable(out));
        QVERIFY2(!out.contains(QStringLiteral("Nyitott egyenlegek")), qPrintable(out));
        // 3 x 33,33 = 99,99 less 10 % = 89,991 -> 89,99, its tax 24,2973 -> 24,30; the EUR invoice's
        // rates converted each (10,55 and 2 x 395,12 -> 4 169 + 790; tax 2,85 and 0,10 -> 1 126 + 40),
        // its totals the sums of its rates'.
        QCOMPARE(rows("SELECT oBszam, oNetto, oAfa, oNettoFt, oAfaFt FROM " + db + "szlaosszeg ORDER BY 1"),
                 (QStringList{"20260001|89,99|24,3|89,99|24,3", "20260002|12,55|2,95|4959|1166"}));
        QCOMPARE(rows("SELECT rBszam, rAfa, rNettoFt, rAfaFt FROM " + db + "szlaafaosszeg ORDER BY 1, 2"),
                 (QStringList{"20260001|27|89,99|24,3", "20260002|5|790|40", "20260002|27|4169|1126"}));
        QCOMPARE(rows("SELECT dNap, dNettoFt, dAfaFt, dSzamlak FROM " + db + "szlanaposszeg"),
                 QStringList{QStringLiteral("2026.03.02|5048,99|1190,3|2")});
        // ... per day and article (lines without a code under the empty one) and per day and VAT rate
        QCOMPARE(rows("SELECT ncNap, ncKod, ncNettoFt, ncAfaFt, ncSzamlak FROM " + db + "szlanapcikk"),
                 QStringList{QStringLiteral("2026.03.02||5048,99|1190,3|2")});
        QCOMPARE(rows("SELECT naAfakod, naAfa, naNettoFt, naAfaFt, naSzamlak FROM " + db + "szlanapafa ORDER BY 1"),
                 (QStringList{"1|27|4258,99|1150,3|2", "3|5|790|40|1"}));
        admin.execute("INSERT INTO " + db + "mnbarfolyam (maDatum, maPnem, maArfolyam, maErvenyes, maLetoltve) VALUES "
                      "('2026-09-18', 'EUR', 395.12, '2026-09-18', NOW())");
        QVERIFY_THROWS_EXCEPTION(DbError, admin.execute("INSERT INTO " + db + "mnbarfolyam (maDatum, maPnem, maArfolyam, "
                                                        "maErvenyes, maLetoltve) VALUES ('2026-09-18', 'EUR', 1, "
                                                        "'2026-09-18', NOW())"));
        const QString year = QString::number(QDate::currentDate().year());
        QCOMPARE(admin.select("SELECT aBszam FROM `" + database.toLatin1() + "`.sorszam WHERE aKod = '1'")->text(0, 0),
                 year + QStringLiteral("0000"));

        // the second run above added nothing; the demo fills only the tables still empty (the
        // label sets once the basic one is removed)
        QCOMPARE(rows("SELECT kAfakod, kAfa, kNavTipus, kNavKod, kNavIndok FROM " + db + "afa ORDER BY kID"), rates);
        QCOMPARE(count("mezonev"), QStringLiteral("1"));
        admin.execute("DELETE FROM " + db + "mezonev");
        QCOMPARE(runSetupTool({QStringLiteral("--demo")}, env, &out), 0);
        QCOMPARE(runSetupTool({QStringLiteral("--demo")}, env, &out), 0);
        QCOMPARE(count("sorszam"), QStringLiteral("3"));
        QCOMPARE(count("vevo"), QStringLiteral("5"));
        QCOMPARE(count("cikk"), QStringLiteral("10"));
        QCOMPARE(count("afa"), QStringLiteral("4"));
        QCOMPARE(count("szallito"), QStringLiteral("1"));
        QCOMPARE(count("mezonev"), QStringLiteral("2"));
        // VAT names read well by their first three characters in the printed summary
        const auto names = admin.select("SELECT LEFT(kAfanev, 3) FROM `" + database.toLatin1() + "`.afa ORDER BY kID");
        QStringList firstThree;
        for (int r = 0; r < names->rowCount(); ++r)
            firstThree << names->text(r, 0);
        QCOMPARE(firstThree, (QStringList{"27%", "18%", "5% ", "AAM"}));
        // every caption of both label sets is filled, and their fifth characters give the type
        const auto sets = admin.select("SELECT * FROM `" + database.toLatin1() + "`.mezonev ORDER BY mkod");
        QCOMPARE(sets->rowCount(), 2);
        for (int r = 0; r < 2; ++r)
            for (int c = 1; c < sets->columnCount(); ++c)
                QVERIFY2(!sets->text(r, c).isEmpty(), qPrintable(sets->columnNames().at(c)));
        QCOMPARE(sets->text(0, 1), QStringLiteral("00002"));
        QCOMPARE(sets->text(1, 1), QStringLiteral("00003"));

        // the program's account can work with the database and nothing more
        ConnectionProfile app = test::TestDatabase::adminProfile();
        app.user = user;
        app.password = QStringLiteral("Pult-jelszo-1");
        app.database = database;
        Connection connection;
        DB_VERIFY(connection.open(app));
        DB_VERIFY(connection.execute("UPDATE sorszam SET aBszam = aBszam WHERE aKod = '1'"));
        QVERIFY_THROWS_EXCEPTION(DbError, connection.execute("DROP TABLE cikk"));
        connection.close();

        admin.execute("DROP DATABASE `" + database.toLatin1() + '`');
        admin.execute("DROP USER '" + user.toLatin1() + "'@'localhost'");
    }

    // Who gets in. On the local server a desktop user's account logs in through the operating
    // system (no password anybody could try); a password makes a password account; the old
    // account without a password is closed; FILE comes only with the server's export folder.
    void setupToolAccounts_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("password"); // ORVENA_DB_PASSWORD
        QTest::addColumn<QString>("before");   // SQL run first
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("plugin"); // the account's afterwards; empty: there is none
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString desktop = QStringLiteral("ov_asztal_") + pid;
        const QString added = QStringLiteral("nobody"); // a user of every Debian system
        QTest::newRow("desktop user of the setup")
            << QStringList{} << QString() << QString() << 0 << desktop << QStringLiteral("unix_socket");
        QTest::newRow("an account without password becomes the desktop user's")
            << QStringList{QStringLiteral("--add-user"), added} << QString()
            << QStringLiteral("CREATE USER '%1'@'localhost'").arg(added) << 0 << added << QStringLiteral("unix_socket");
        QTest::newRow("with a password")
            << QStringList{} << QStringLiteral("Pult-jelszo-2") << QString() << 0 << desktop
            << QStringLiteral("mysql_native_password");
        QTest::newRow("the old account without a password is closed")
            << QStringList{} << QString()
            << QStringLiteral("CREATE USER IF NOT EXISTS 'orvena2010'@'localhost'; GRANT FILE ON *.* TO "
                              "'orvena2010'@'localhost'")
            << 0 << QStringLiteral("orvena2010") << QString();
        QTest::newRow("not a user of this system")
            << QStringList{QStringLiteral("--add-user"), QStringLiteral("ov_nincs_") + pid} << QString() << QString()
            << 2 << QStringLiteral("ov_nincs_") + pid << QString();
        QTest::newRow("not a login name")
            << QStringList{QStringLiteral("--add-user"), QStringLiteral("x'@'%")} << QString() << QString() << 2
            << QStringLiteral("x'@'%") << QString();
        // the server's own accounts are never turned into a desktop user's, nor a locked one
        QTest::newRow("the server's locked system account")
            << QStringList{QStringLiteral("--add-user"), QStringLiteral("mariadb.sys")} << QString() << QString() << 2
            << QStringLiteral("mariadb.sys") << QString();
        QTest::newRow("the administrator, otherwise spelt")
            << QStringList{QStringLiteral("--add-user"), QStringLiteral("ROOT")} << QString() << QString() << 2
            << QStringLiteral("ROOT") << QString();
        QTest::newRow("a locked account")
            << QStringList{QStringLiteral("--add-user"), added} << QString()
            << QStringLiteral("CREATE USER '%1'@'localhost' ACCOUNT LOCK").arg(added) << 1 << added << QString();
        // the server's own system account (root runs the tests): it really gets in, as itself
        if (geteuid() == 0 && getpwnam("orvena-db"))
            QTest::newRow("the system user logs in as itself")
                << QStringList{QStringLiteral("--add-user"), QStringLiteral("orvena-db")} << QString() << QString()
                << 0 << QStringLiteral("orvena-db") << QStringLiteral("unix_socket");
    }
    void setupToolAccounts()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, password);
        QFETCH(QString, before);
        QFETCH(int, exitCode);
        QFETCH(QString, account);
        QFETCH(QString, plugin);
        const QString database = db->name() + QStringLiteral("_acct");
        Connection& admin = db->admin();
        const QByteArray quotedAccount = '\'' + admin.escape(account.toLatin1()) + "'@'localhost'";
        auto dropAccount = [&] { admin.execute("DROP USER IF EXISTS " + quotedAccount); };
        // a refused name may be the server's own account: it is never dropped, only compared
        const bool refused = exitCode != 0;
        if (!refused || !before.isEmpty())
            DB_VERIFY(dropAccount());
        for (const QString& sql : before.split(u';', Qt::SkipEmptyParts))
            DB_VERIFY(db->exec(sql));
        const QByteArray privOf = "SELECT IFNULL((SELECT Priv FROM mysql.global_priv WHERE User = '"
                                  + admin.escape(account.toLatin1()) + "' AND Host = 'localhost'), '-')";
        const QString privBefore = admin.select(privOf)->text(0, 0);
        const QString desktop = QStringLiteral("ov_asztal_%1").arg(QCoreApplication::applicationPid());
        auto env = setupEnvironment(database, desktop);
        if (!password.isEmpty())
            env.insert(QStringLiteral("ORVENA_DB_PASSWORD"), password);
        QString out;
        QCOMPARE(runSetupTool(args, env, &out), exitCode);
        if (refused) {
            QCOMPARE(admin.select(privOf)->text(0, 0), privBefore); // untouched
            if (!before.isEmpty())
                DB_VERIFY(dropAccount());
            DB_VERIFY(admin.execute("DROP DATABASE IF EXISTS `" + database.toLatin1() + '`'));
            return;
        }

        const auto found = admin.select("SELECT JSON_VALUE(Priv, '$.plugin') FROM mysql.global_priv WHERE User = '"
                                        + admin.escape(account.toLatin1()) + "' AND Host = 'localhost'");
        QCOMPARE(found->rowCount() == 0 ? QString() : found->text(0, 0), plugin);
        if (!plugin.isEmpty()) {
            QString grants;
            const auto rows = admin.select("SHOW GRANTS FOR " + quotedAccount);
            for (int r = 0; r < rows->rowCount(); ++r)
                grants += rows->text(r, 0) + u'\n';
            QVERIFY2(grants.contains(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE, LOCK TABLES ON `%1`.*")
                                         .arg(database)),
                     qPrintable(grants));
            // this server writes files only into its export folder, so the export may use it
            QVERIFY(!scopedExportFolder(admin).isEmpty());
            QVERIFY2(grants.contains(QStringLiteral("GRANT FILE ON *.*")), qPrintable(grants));
            if (account == u"orvena-db") {
                // through the operating system, with no password, as that system user alone
                QProcess login;
                login.start(QStringLiteral("runuser"),
                            {QStringLiteral("-u"), account, QStringLiteral("--"), QStringLiteral("mariadb"),
                             QStringLiteral("--no-defaults"),
                             QStringLiteral("--socket=") + test::TestDatabase::adminProfile().socket,
                             QStringLiteral("-N"), QStringLiteral("-e"), QStringLiteral("SELECT CURRENT_USER()")});
                QVERIFY(login.waitForFinished(30000));
                QCOMPARE(QString::fromUtf8(login.readAllStandardOutput()).trimmed(), QStringLiteral("orvena-db@localhost"));
            }
        }
        DB_VERIFY(dropAccount());
        DB_VERIFY(admin.execute("DROP USER IF EXISTS '" + desktop.toLatin1() + "'@'localhost'"));
        DB_VERIFY(admin.execute("DROP DATABASE IF EXISTS `" + database.toLatin1() + '`'));
    }
};

QTEST_GUILESS_MAIN(SchemaTest)
#include "tst_schema.moc"
