#include "schema.h"

#include "codepages.h"
#include "connection.h"
#include "conversions.h"
#include "errors.h"
#include "sqlname.h"
#include "stepchain.h"

#include <QRegularExpression>

namespace orvena {

namespace {

// Exact types: amounts and prices keep 4 decimals, exchange rates 6; FLOAT would silently
// lose digits beyond about seven.
const QString kId = QStringLiteral("BIGINT NOT NULL AUTO_INCREMENT");
const QString kAmount = QStringLiteral("DECIMAL(18,4)");
const QString kQuantity = QStringLiteral("DECIMAL(18,4)");
const QString kRate = QStringLiteral("DECIMAL(18,6)");
const QString kPercent = QStringLiteral("DECIMAL(9,4)");
const QString kDate = QStringLiteral("DATE");
const QString kBlob = QStringLiteral("BLOB");
const QString kInt = QStringLiteral("INT");

QString vc(int n)
{
    return QStringLiteral("VARCHAR(%1)").arg(n);
}

// The 22 header columns, shared by szlafej, munkafej (prefix f) and szlevfej (prefix l).
std::vector<ColumnDef> headerColumns(const QString& p, const QString& memo)
{
    return {{p + "ID", kId},       {p + "Bszam", vc(9)},  {p + "Tkelt", kDate},     {p + "Rkelt", kDate},
            {p + "Fkelt", kDate},  {p + "Fizmod", vc(30)}, {p + "Megj", vc(100)},   {p + "Szerz", vc(20)},
            {p + "Prn", vc(1)},    {p + "Kerek", kPercent}, {p + "Arfoly", kRate},  {p + "Pnem", vc(10)},
            {p + "nSor", vc(5)},   {p + "mKod", vc(5)},    {p + "zKod", vc(5)},     {p + "zSzam", vc(15)},
            {p + "vKod", vc(5)},   {p + "vSzam", vc(15)},  {p + "aFelhaszn", vc(1)}, {memo, kBlob},
            {p + "MemoSzall", kBlob}, {p + "MemoVevo", kBlob}};
}

// The 18 line columns, shared by szlasor, munkasor (prefix s) and szlevsor (prefix e).
std::vector<ColumnDef> lineColumns(const QString& p)
{
    return {{p + "ID", kId},          {p + "Bszam", vc(9)},   {p + "cKod", vc(5)},    {p + "cSzam", vc(15)},
            {p + "Megn", vc(75)},     {p + "Vtsz", vc(10)},   {p + "Menny", kQuantity}, {p + "Me", vc(10)},
            {p + "Ear", kAmount},     {p + "Pnem", vc(10)},   {p + "kAfakod", vc(5)}, {p + "Afanev", vc(20)},
            {p + "Afa", kInt},        {p + "Alap", kAmount},  {p + "Ado", kAmount},   {p + "Golaj", kQuantity},
            {p + "aFelhaszn", vc(1)}, {p + "Memo", kBlob}};
}

std::vector<TableDef> buildTables()
{
    std::vector<TableDef> t;
    t.push_back({"szlafej", headerColumns("f", "fmemo"), "fID", {"fBszam"}});
    t.push_back({"szlasor", lineColumns("s"), "sID", {"sBszam"}});
    t.push_back({"munkafej", headerColumns("f", "fmemo"), "fID", {"fBszam"}});
    t.push_back({"munkasor", lineColumns("s"), "sID", {"sBszam"}});
    t.push_back({"szlevfej", headerColumns("l", "lmemo"), "lID", {"lBszam"}});
    t.push_back({"szlevsor", lineColumns("e"), "eID", {"eBszam"}});
    // Proformas: composed like invoices, so with exactly their columns, but kept apart from them,
    // as nothing that reads invoices (the register, the reporting, payments, figures) may see one.
    t.push_back({"dijbfej", headerColumns("f", "fmemo"), "fID", {"fBszam"}});
    t.push_back({"dijbsor", lineColumns("s"), "sID", {"sBszam"}});
    // The invoice a proforma became: one row per converted proforma (its key refuses a second).
    t.push_back({"dijbszamla",
                 {{"dsBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"dsSzamla", vc(9) + QStringLiteral(" NOT NULL")},
                  {"dsIdo", QStringLiteral("DATETIME NOT NULL")}},
                 "dsBszam",
                 {"dsSzamla"}});
    t.push_back({"vevo",
                 {{"vID", kId},         {"vKod", vc(5)},       {"vSzam", vc(15)},   {"vNeve", vc(75)},
                  {"vIrszam", vc(20)},  {"vHely", vc(45)},     {"vUtca", vc(45)},   {"vAdo", vc(13)},
                  {"vKado", vc(13)},    {"vBanknev", vc(45)},  {"vBankszla", vc(30)}, {"vIBAN", vc(36)},
                  {"vSwift", vc(30)},   {"vUzen", vc(200)},    {"vKamat", kPercent}, {"vFhat", kInt},
                  {"vFizmod", vc(10)},  {"vEnged", kPercent},  {"vPnem", vc(5)},    {"vFordado", vc(1)},
                  {"vSzcim", vc(100)},  {"vEmail", vc(254)},    {"vTel", vc(15)},    {"vMasolva", vc(5)},
                  {"vMemoVevo", kBlob},
                  // What the invoice-data report needs of the customer: VAT status, country,
                  // tax number outside the EU.
                  {"vAfaStatusz", QStringLiteral("VARCHAR(14) NOT NULL DEFAULT 'DOMESTIC'")},
                  {"vOrszag", QStringLiteral("CHAR(2) NOT NULL DEFAULT 'HU'")},
                  {"vKulfAdo", vc(30) + QStringLiteral(" NULL")}},
                 "vID",
                 {"vKod", "vNeve"}});
    t.push_back({"szallito",
                 {{"zID", kId},          {"zKod", vc(5)},        {"zSzam", vc(15)},     {"zNev1", vc(75)},
                  {"zNev2", vc(75)},     {"zIrszam", vc(4)},     {"zHely", vc(45)},     {"zUtca", vc(45)},
                  {"zAdo", vc(13)},      {"zKado", vc(13)},      {"zBanknev", vc(45)},  {"zBankszla", vc(30)},
                  {"zBanknev2", vc(45)}, {"zBankszla2", vc(30)}, {"zIBAN", vc(36)},     {"zSwift", vc(30)},
                  {"zThely", vc(45)},    {"zEmail", vc(30)},     {"zTel", vc(15)},      {"zFax", vc(15)},
                  {"zKiallito", vc(45)}, {"zSzeria", vc(45)},    {"zVerzio", vc(45)},   {"zaFelhaszn", vc(1)},
                  {"zMemoSzall", kBlob},
                  // Reporting of issued invoices: OFF, TEST or PROD.
                  {"zNavMod", QStringLiteral("VARCHAR(4) NOT NULL DEFAULT 'OFF'")},
                  // The issuer's VAT regime (1: yes): individual exemption, cash accounting,
                  // small-business taxpayer. Printed on its invoices and reported with them.
                  {"zAlanyiMentes", QStringLiteral("TINYINT NOT NULL DEFAULT 0")},
                  {"zPenzforgalmi", QStringLiteral("TINYINT NOT NULL DEFAULT 0")},
                  {"zKisadozo", QStringLiteral("TINYINT NOT NULL DEFAULT 0")}},
                 "zID",
                 {"zKod"}});
    t.push_back({"cikk",
                 {{"cID", kId},
                  {"cKod", vc(5)},
                  {"cSzam", vc(15)},
                  {"cMegn", vc(75)},
                  {"cVtsz", vc(10)},
                  {"cMe", vc(10)},
                  {"cEar", kAmount},
                  {"cPnem", vc(10)},
                  {"cAfakod", vc(5)},
                  {"cAfanev", vc(20)},
                  {"cAfa", kInt},
                  {"cGolaj", kQuantity}},
                 "cID",
                 {"cKod", "cMegn"}});
    t.push_back({"afa",
                 {{"kID", QStringLiteral("INT NOT NULL AUTO_INCREMENT")},
                  {"kAfakod", vc(5)},
                  {"kAfanev", vc(20)},
                  {"kAfa", kInt},
                  // The rate's classification in the invoice-data report, its case code and reason.
                  {"kNavTipus", QStringLiteral("VARCHAR(24) NOT NULL DEFAULT 'PERCENTAGE'")},
                  {"kNavKod", vc(10) + QStringLiteral(" NULL")},
                  {"kNavIndok", vc(200) + QStringLiteral(" NULL")}},
                 "kID",
                 {"kAfakod"}});
    t.push_back({"sorszam",
                 {{"aID", kId},
                  {"aKod", vc(5)},
                  {"aBszam", vc(9)},
                  {"aSzeria", vc(45)},
                  {"aVer", vc(45)},
                  {"aFelhaszn", vc(1)}},
                 "aID",
                 {"aKod"}});
    std::vector<ColumnDef> mezonev = {{"mID", QStringLiteral("INT NOT NULL AUTO_INCREMENT")},
                                      {"mkod", vc(5)},
                                      {"mtipus", vc(45)},
                                      {"mnyelv", vc(45)},
                                      {"mmegnev", vc(45)}};
    for (const char* caption :
         {"mSzamla",  "mSzlevel", "mMasolatipld", "mEredeti", "mpeldany",  "mSzallito", "mVevo",
          "mFizmod",  "mTkelt",   "mRkelt",       "mFkelt",   "mBszam",    "mMegj",     "mSzerz",
          "mMegn",    "mVtsz",    "mMe",          "mMenny",   "mEar",      "mNetto",    "mAfaszaz",
          "mAfa",     "mBrutto",  "mPnem",        "mOsszesen", "mFizetendo", "mAzaz",   "mAdoosszesites",
          "mAlap",    "mAdo"})
        mezonev.push_back({QString::fromLatin1(caption), vc(45)});
    t.push_back({"mezonev", mezonev, "mID", {"mkod"}});
    t.push_back({"termek",
                 {{"ID_Termek", kId},
                  {"t_kod", vc(5)},
                  {"t_megnevezes", vc(75)},
                  {"t_VTSZ", vc(10)},
                  {"t_megy", vc(10)},
                  {"t_Ear", kAmount + QStringLiteral(" NOT NULL")},
                  {"t_Kompmerteke", kAmount + QStringLiteral(" NOT NULL")},
                  {"t_bizonylat", vc(10)}},
                 "ID_Termek",
                 {}});
    // One row per issued invoice: its invoice-data document as issued and its reporting state.
    t.push_back({"szlanav",
                 {{"nBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"nMuvelet", vc(6)},
                  {"nEredeti", vc(9) + QStringLiteral(" NULL")},
                  {"nModIndex", kInt + QStringLiteral(" NULL")},
                  {"nXml", QStringLiteral("MEDIUMBLOB")},
                  {"nKeszult", QStringLiteral("DATETIME")},
                  {"nAllapot", vc(16) + QStringLiteral(" NOT NULL")},
                  {"nTranzakcio", vc(30) + QStringLiteral(" NULL")},
                  {"nUzenet", QStringLiteral("TEXT NULL")},
                  {"nProba", QStringLiteral("INT NOT NULL DEFAULT 0")},
                  {"nUtolso", QStringLiteral("DATETIME NULL")}},
                 "nBszam",
                 {"nEredeti"}});
    // The invoice a storno (later also a modifying invoice) refers to, recorded when it is made:
    // keyed by the new invoice's number, with the kind of reference and the original's number.
    t.push_back({"szlahivatkozas",
                 {{"hBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"hMuvelet", vc(10) + QStringLiteral(" NOT NULL")},
                  {"hEredeti", vc(9) + QStringLiteral(" NOT NULL")}},
                 "hBszam",
                 {"hEredeti"}});
    // Every invoice sent by e-mail: to whom, when, the server's answer, the message's id and kind.
    t.push_back({"szlaemail",
                 {{"emID", kId},
                  {"emBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"emCim", QStringLiteral("TEXT NOT NULL")},
                  {"emIdo", QStringLiteral("DATETIME NOT NULL")},
                  {"emValasz", QStringLiteral("TEXT NULL")},
                  {"emAzonosito", vc(250) + QStringLiteral(" NULL")},
                  {"emFelhasznalo", vc(80) + QStringLiteral(" NULL")},
                  // The delivery: KULDES while the server is being talked to (left so when the
                  // program ended meanwhile), ELKULDVE, SIKERTELEN (the server did not take it) or
                  // ISMERETLEN (the connection ended after the message went out, before the server's
                  // answer); and the szlaarchiv row whose PDF the message carries, sent again as is.
                  {"emAllapot", vc(12) + QStringLiteral(" NOT NULL DEFAULT 'ELKULDVE'")},
                  {"emArchiv", QStringLiteral("BIGINT NULL")},
                  // what the message carried: 'SZAMLA' the invoice, 'FELSZOLITAS' a reminder naming it
                  {"emFajta", vc(12) + QStringLiteral(" NOT NULL DEFAULT 'SZAMLA'")}},
                 "emID",
                 {"emBszam"}});
    // Payments received on issued invoices, in the invoice's currency. A deleted payment stays,
    // marked with when and by whom it was deleted, so the record of what was booked is kept.
    t.push_back({"szlafizetes",
                 {{"pID", kId},
                  {"pBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"pDatum", kDate + QStringLiteral(" NOT NULL")},
                  {"pOsszeg", kAmount + QStringLiteral(" NOT NULL")},
                  {"pMod", vc(30)},
                  {"pMegj", vc(100)},
                  {"pRogzitette", vc(80) + QStringLiteral(" NOT NULL")},
                  {"pRogzitve", QStringLiteral("DATETIME NOT NULL")},
                  {"pTorolve", QStringLiteral("DATETIME NULL")},
                  {"pTorolte", vc(80) + QStringLiteral(" NULL")}},
                 "pID",
                 {"pBszam"}});
    // The kind of an invoice that is not a plain one: 'ELOLEG' (advance invoice) or 'VEGSZAMLA'
    // (final invoice). A storno carries its original's kind.
    t.push_back({"szlajelleg",
                 {{"jBszam", vc(9) + QStringLiteral(" NOT NULL")}, {"jJelleg", vc(10) + QStringLiteral(" NOT NULL")}},
                 "jBszam",
                 {}});
    // A final invoice's deduction lines: the line (szlasor.sID, which stays while the invoice is
    // modified), the advance invoice it deducts, the advance's payment date and its exchange rate
    // (1 for forints). A storno gets rows for its own mirrored lines.
    t.push_back({"szlaeloleg",
                 {{"lvID", kId},
                  {"lvBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"lvSor", QStringLiteral("BIGINT NOT NULL")},
                  {"lvEloleg", vc(9) + QStringLiteral(" NOT NULL")},
                  {"lvFizdat", kDate + QStringLiteral(" NOT NULL")},
                  {"lvArfoly", kRate + QStringLiteral(" NOT NULL")}},
                 "lvID",
                 {"lvBszam", "lvSor", "lvEloleg"}});
    // The central bank's middle rates as fetched: `maArfolyam` forints for `maEgyseg` units of the
    // currency on `maDatum`; `maErvenyes` is the last day through which it is known to be the latest
    // quotation (weekends and holidays take the last earlier one). One row per currency and day
    // (a unique key, see ensureIndexes).
    t.push_back({"mnbarfolyam",
                 {{"maID", kId},
                  {"maDatum", kDate + QStringLiteral(" NOT NULL")},
                  {"maPnem", vc(10) + QStringLiteral(" NOT NULL")},
                  {"maEgyseg", QStringLiteral("INT NOT NULL DEFAULT 1")},
                  {"maArfolyam", kRate + QStringLiteral(" NOT NULL")},
                  {"maErvenyes", kDate + QStringLiteral(" NOT NULL")},
                  {"maForras", vc(10) + QStringLiteral(" NOT NULL DEFAULT 'MNB'")},
                  {"maLetoltve", QStringLiteral("DATETIME NOT NULL")}},
                 "maID",
                 {}});
    // The sums of each issued invoice, written when it is issued (see billing/invoicesums.h): one row per
    // invoice with its dates, customer, kind of reference ("" for a plain invoice, STORNO, ...),
    // currency and rate, the sums of its rounded lines in its currency and in forints as its print
    // converts them.
    t.push_back({"szlaosszeg",
                 {{"oBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"oRkelt", kDate},
                  {"oTkelt", kDate},
                  {"oFkelt", kDate},
                  {"ovKod", vc(5)},
                  {"oMuvelet", vc(10) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"oPnem", vc(10)},
                  {"oArfoly", kRate},
                  {"oNetto", kAmount + QStringLiteral(" NOT NULL")},
                  {"oAfa", kAmount + QStringLiteral(" NOT NULL")},
                  {"oNettoFt", kAmount + QStringLiteral(" NOT NULL")},
                  {"oAfaFt", kAmount + QStringLiteral(" NOT NULL")}},
                 "oBszam",
                 {"oTkelt"}});
    // ... and one row per issued invoice and VAT code and rate, its forint sums converted per rate.
    t.push_back({"szlaafaosszeg",
                 {{"rID", kId},
                  {"rBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"rAfakod", vc(5)},
                  {"rAfanev", vc(20)},
                  {"rAfa", kInt},
                  {"rRkelt", kDate},
                  {"rNetto", kAmount + QStringLiteral(" NOT NULL")},
                  {"rAfaertek", kAmount + QStringLiteral(" NOT NULL")},
                  {"rNettoFt", kAmount + QStringLiteral(" NOT NULL")},
                  {"rAfaFt", kAmount + QStringLiteral(" NOT NULL")}},
                 "rID",
                 {"rBszam"}});
    // ... and their forint sums per issue date, so that a period's turnover adds up days, not invoices.
    t.push_back({"szlanaposszeg",
                 {{"dNap", kDate + QStringLiteral(" NOT NULL")},
                  {"dNettoFt", kAmount + QStringLiteral(" NOT NULL DEFAULT 0")},
                  {"dAfaFt", kAmount + QStringLiteral(" NOT NULL DEFAULT 0")},
                  {"dSzamlak", QStringLiteral("INT NOT NULL DEFAULT 0")}},
                 "dNap",
                 {}});
    // What was issued, kept unchanged for the auditor: one row per issue of an invoice with the PDF
    // of its original copy (the exact bytes e-mailed when aElektronikus is 1, whose SHA-256 goes
    // with its report) and its invoice-data document, each with its SHA-256. Triggers refuse
    // every UPDATE and DELETE (see ensureRowCounters).
    t.push_back({"szlaarchiv",
                 {{"aID", kId},
                  {"aBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"aElektronikus", QStringLiteral("TINYINT NOT NULL DEFAULT 0")},
                  {"aPdf", QStringLiteral("LONGBLOB NULL")},
                  {"aPdfSha", QStringLiteral("CHAR(64) NULL")},
                  {"aXml", QStringLiteral("MEDIUMBLOB NULL")},
                  {"aXmlSha", QStringLiteral("CHAR(64) NULL")},
                  {"aKeszult", QStringLiteral("DATETIME NOT NULL")},
                  {"aFelhasznalo", vc(80) + QStringLiteral(" NULL")}},
                 "aID",
                 {"aBszam"}});
    // Bank statements read from the bank's files: one row per statement of an account (the
    // account's domestic number or IBAN and the statement's id are unique, see ensureIndexes),
    // with the issuer whose account it is, its balances and where it was read from.
    t.push_back({"bankkivonat",
                 {{"kbID", kId},
                  {"kbSzamla", vc(40) + QStringLiteral(" NOT NULL")},
                  {"kbAzonosito", vc(40) + QStringLiteral(" NOT NULL")},
                  {"kbzKod", vc(5)},
                  {"kbPnem", vc(10)},
                  {"kbNyito", kAmount + QStringLiteral(" NOT NULL")},
                  {"kbZaro", kAmount + QStringLiteral(" NOT NULL")},
                  {"kbNyitoNap", kDate},
                  {"kbZaroNap", kDate},
                  {"kbFormatum", vc(20)},
                  {"kbFajl", vc(255)},
                  {"kbBetoltve", QStringLiteral("DATETIME NOT NULL")},
                  {"kbBetoltotte", vc(80)}},
                 "kbID",
                 {}});
    // ... and its entries, one row per transaction of an entry (a batch entry has several parts):
    // the bank's reference, C (credit) or D (debit) as it moves the balance, I for the bank's
    // reversal, the amount (positive), the counterparty and the remittance text. An entry is
    // stored once (statement, bank reference and part are unique). ktAllapot: '' open, 'K' booked
    // (the payments are in bankkivonatfizetes).
    t.push_back({"bankkivonattetel",
                 {{"ktID", kId},
                  {"ktKivonat", QStringLiteral("BIGINT NOT NULL")},
                  {"ktBankRef", vc(40) + QStringLiteral(" NOT NULL")},
                  {"ktResz", QStringLiteral("INT NOT NULL DEFAULT 0")},
                  {"ktIrany", vc(1) + QStringLiteral(" NOT NULL")},
                  {"ktStorno", vc(1) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"ktOsszeg", kAmount + QStringLiteral(" NOT NULL")},
                  {"ktTetelOsszeg", kAmount + QStringLiteral(" NOT NULL")},
                  {"ktPnem", vc(10)},
                  {"ktKonyvNap", kDate},
                  {"ktErtekNap", kDate},
                  {"ktPartner", vc(140)},
                  {"ktPartnerSzla", vc(40)},
                  {"ktKozlemeny", vc(1000)},
                  {"ktHivatkozas", vc(140)},
                  {"ktVegponti", vc(40)},
                  {"ktAllapot", vc(1) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"ktRendezve", QStringLiteral("DATETIME NULL")},
                  {"ktRendezte", vc(80)}},
                 "ktID",
                 {"ktKivonat"}});
    // The payments booked from a statement entry (szlafizetes.pID); a row undone keeps its
    // payment, marked deleted there, and the time it was undone here.
    t.push_back({"bankkivonatfizetes",
                 {{"kfID", kId},
                  {"kfTetel", QStringLiteral("BIGINT NOT NULL")},
                  {"kfFizetes", QStringLiteral("BIGINT NOT NULL")},
                  {"kfBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"kfOsszeg", kAmount + QStringLiteral(" NOT NULL")},
                  {"kfVisszavonva", QStringLiteral("DATETIME NULL")}},
                 "kfID",
                 {"kfTetel", "kfFizetes", "kfBszam"}});
    // What an issued invoice printed beside its lines, kept from its issue so that reprints and
    // reports say what was issued: both tax numbers' lines, the reasons of its VAT-free lines and
    // the issuer's VAT regime (a storno's and a correction's is their original's).
    t.push_back({"szlakiallitas",
                 {{"iBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"iSzallAdoszam", vc(120) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"iVevoAdoszam", vc(120) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"iMentesseg", QStringLiteral("TEXT NULL")},
                  {"iAlanyiMentes", QStringLiteral("TINYINT NOT NULL DEFAULT 0")},
                  {"iPenzforgalmi", QStringLiteral("TINYINT NOT NULL DEFAULT 0")},
                  {"iKisadozo", QStringLiteral("TINYINT NOT NULL DEFAULT 0")},
                  {"iRogzitve", QStringLiteral("DATETIME NULL")}},
                 "iBszam",
                 {}});
    // The forint sums of each issued invoice per article code (the lines' forints as the figures
    // share a VAT rate's forints among its lines), written when it is issued (billing/invoicesums.h).
    t.push_back({"szlacikkosszeg",
                 {{"caID", kId},
                  {"caBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"caRkelt", kDate},
                  {"caKod", vc(5) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"caMegn", vc(75) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"caNettoFt", kAmount + QStringLiteral(" NOT NULL")},
                  {"caAfaFt", kAmount + QStringLiteral(" NOT NULL")}},
                 "caID",
                 {"caBszam"}});
    // ... added up per issue date and article code (one row per day and code, see ensureIndexes),
    // with the number of invoices of the day that sold the article ...
    t.push_back({"szlanapcikk",
                 {{"ncID", kId},
                  {"ncNap", kDate + QStringLiteral(" NOT NULL")},
                  {"ncKod", vc(5) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"ncMegn", vc(75) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"ncNettoFt", kAmount + QStringLiteral(" NOT NULL DEFAULT 0")},
                  {"ncAfaFt", kAmount + QStringLiteral(" NOT NULL DEFAULT 0")},
                  {"ncSzamlak", QStringLiteral("INT NOT NULL DEFAULT 0")}},
                 "ncID",
                 {}});
    // ... and the invoices' VAT rate sums per issue date, VAT code and percentage.
    t.push_back({"szlanapafa",
                 {{"naID", kId},
                  {"naNap", kDate + QStringLiteral(" NOT NULL")},
                  {"naAfakod", vc(5) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"naAfa", kInt + QStringLiteral(" NOT NULL DEFAULT 0")},
                  {"naAfanev", vc(20) + QStringLiteral(" NOT NULL DEFAULT ''")},
                  {"naNettoFt", kAmount + QStringLiteral(" NOT NULL DEFAULT 0")},
                  {"naAfaFt", kAmount + QStringLiteral(" NOT NULL DEFAULT 0")},
                  {"naSzamlak", QStringLiteral("INT NOT NULL DEFAULT 0")}},
                 "naID",
                 {}});
    // The issued invoices whose balance is not nought, as the balance view (szlaegyenleg) states
    // it, kept in the transactions that issue invoices, book or delete payments and reverse or
    // correct invoices (billing/openbalance.h): the receivables read these rows only.
    t.push_back({"szlanyitott",
                 {{"yBszam", vc(9) + QStringLiteral(" NOT NULL")},
                  {"yVevo", vc(5)},
                  {"yzKod", vc(5)},
                  {"yPnem", vc(10)},
                  {"yKelt", kDate},
                  {"yHatarido", kDate},
                  {"yFizetendo", kAmount + QStringLiteral(" NOT NULL")},
                  {"yFizetve", kAmount + QStringLiteral(" NOT NULL")},
                  {"yHatralek", kAmount + QStringLiteral(" NOT NULL")}},
                 "yBszam",
                 {}});
    return t;
}

} // namespace

QStringList TableDef::columnNames() const
{
    QStringList names;
    for (const auto& c : columns)
        names << c.name;
    return names;
}

const std::vector<TableDef>& schemaTables()
{
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

const TableDef* schemaTable(const QString& name)
{
    for (const auto& t : schemaTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

ColumnLimits columnLimits(const QString& table, const QString& column)
{
    const TableDef* def = schemaTable(table);
    if (!def)
        return {};
    for (const ColumnDef& c : def->columns) {
        if (c.name.compare(column, Qt::CaseInsensitive) != 0)
            continue;
        static const QRegularExpression varchar(QStringLiteral("^VARCHAR\\((\\d+)\\)"));
        static const QRegularExpression decimal(QStringLiteral("^DECIMAL\\((\\d+),(\\d+)\\)"));
        ColumnLimits limits;
        limits.kind = ColumnLimits::Kind::Other;
        if (const auto m = varchar.match(c.type); m.hasMatch()) {
            limits.kind = ColumnLimits::Kind::Text;
            limits.width = m.captured(1).toInt();
        } else if (const auto d = decimal.match(c.type); d.hasMatch()) {
            limits.kind = ColumnLimits::Kind::Decimal;
            limits.digits = d.captured(1).toInt();
            limits.scale = d.captured(2).toInt();
        } else if (c.type.startsWith(QStringLiteral("INT")) || c.type.startsWith(QStringLiteral("BIGINT"))) {
            limits.kind = ColumnLimits::Kind::Integer;
        }
        return limits;
    }
    return {};
}

int textWidth(const QString& table, const QString& column)
{
    const ColumnLimits limits = columnLimits(table, column);
    return limits.kind == ColumnLimits::Kind::Text ? limits.width : 0;
}

void checkNumberFits(const QString& table, const QString& column, const QString& text, const QString& label)
{
    if (text.trimmed().isEmpty())
        return;
    const ColumnLimits limits = columnLimits(table, column);
    QByteArray literal;
    try {
        literal = decimalLiteral(text);
    } catch (const ConversionError&) {
        return; // the conversion reports it
    }
    QByteArray whole = literal.startsWith('-') ? literal.mid(1) : literal;
    whole = whole.left(whole.indexOf('.') < 0 ? whole.size() : whole.indexOf('.'));
    while (whole.size() > 1 && whole.startsWith('0'))
        whole.remove(0, 1);
    bool fits = true;
    QString largest;
    if (limits.kind == ColumnLimits::Kind::Decimal) {
        const int wholeDigits = limits.digits - limits.scale;
        fits = whole.size() <= wholeDigits;
        largest = QString(wholeDigits, u'9') + (limits.scale > 0 ? u',' + QString(limits.scale, u'9') : QString());
    } else if (limits.kind == ColumnLimits::Kind::Integer) {
        fits = whole.size() < 10 || (whole.size() == 10 && whole <= QByteArray("2147483647"));
        largest = QStringLiteral("2147483647");
    }
    if (!fits)
        throw ConversionError(QStringLiteral("A(z) \"%1\" mező értéke (%2) túl nagy: legfeljebb %3 lehet.")
                                  .arg(label, text.trimmed(), largest));
}

QString createTableStatement(const TableDef& table)
{
    QStringList parts;
    for (const auto& c : table.columns)
        parts << QStringLiteral("  %1 %2").arg(quotedName(c.name), c.type);
    parts << QStringLiteral("  PRIMARY KEY (%1)").arg(quotedName(table.primaryKey));
    for (const auto& i : table.indexed)
        parts << QStringLiteral("  KEY %1 (%2)").arg(quotedName(QStringLiteral("ix_") + i), quotedName(i));
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\n%2\n) ENGINE=InnoDB DEFAULT CHARSET=latin2 "
                          "COLLATE=latin2_hungarian_ci")
        .arg(quotedName(table.name), parts.join(QStringLiteral(",\n")));
}

QStringList createMissingTables(Connection& connection)
{
    QStringList existing;
    const auto rows = connection.select("SHOW TABLES");
    for (int r = 0; r < rows->rowCount(); ++r)
        existing << rows->text(r, 0).toLower();
    QStringList created;
    for (const auto& t : schemaTables()) {
        if (existing.contains(t.name.toLower()))
            continue;
        connection.execute(encode(CodePage::Latin2, createTableStatement(t)));
        created << t.name;
    }
    return created;
}

namespace {

struct IndexDef {
    const char* table;
    const char* name;
    const char* columns; // quoted column list
    bool unique;
};

// Indexes of more than one column, or added to tables that already existed: the figures read
// issued invoices by their date (with the columns the sums need, so the header rows are read from
// the index alone) and lines by invoice with their amounts; the rate table is keyed by currency
// and day; the invoices' sums are read by issue date with the columns the figures sum.
constexpr IndexDef kIndexes[] = {
    {"szlafej", "ix_kimutatas", "`fPrn`, `fRkelt`, `fBszam`, `fArfoly`, `fKerek`, `fvKod`", false},
    {"szlasor", "ix_kimutatas_sor", "`sBszam`, `sMenny`, `sEar`, `sAfa`", false},
    {"mnbarfolyam", "ux_mnbarfolyam", "`maPnem`, `maDatum`", true},
    {"szlaosszeg", "ix_osszeg_kelte", "`oRkelt`, `ovKod`, `oNettoFt`, `oAfaFt`", false},
    {"szlaafaosszeg", "ix_afaosszeg_kelte", "`rRkelt`, `rAfakod`, `rAfa`, `rBszam`, `rNettoFt`, `rAfaFt`", false},
    {"bankkivonat", "ux_bankkivonat", "`kbSzamla`, `kbAzonosito`", true},
    {"bankkivonattetel", "ux_bankkivonattetel", "`ktKivonat`, `ktBankRef`, `ktResz`", true},
    // one row per day and article, per day and VAT rate; the period's rows read from the index alone
    {"szlanapcikk", "ux_napcikk", "`ncNap`, `ncKod`", true},
    {"szlanapcikk", "ix_napcikk_osszeg", "`ncNap`, `ncKod`, `ncMegn`, `ncNettoFt`, `ncAfaFt`, `ncSzamlak`", false},
    {"szlanapafa", "ux_napafa", "`naNap`, `naAfakod`, `naAfa`", true},
    // the open invoices by customer and due date (the reminders); payments by their date (what a
    // day in the past still owed)
    {"szlanyitott", "ix_nyitott_vevo", "`yVevo`, `yHatarido`", false},
    {"szlafizetes", "ix_fizetes_datum", "`pDatum`, `pTorolve`, `pBszam`", false},
};

} // namespace

QStringList ensureIndexes(Connection& connection)
{
    QStringList added;
    for (const IndexDef& index : kIndexes) {
        const QByteArray table(index.table);
        if (connection.select("SHOW TABLES LIKE '" + table + "'")->rowCount() == 0)
            continue;
        if (connection.select("SHOW INDEX FROM `" + table + "` WHERE Key_name = '" + index.name + "'")->rowCount() > 0)
            continue;
        connection.execute("ALTER TABLE `" + table + "` ADD " + (index.unique ? "UNIQUE " : "") + "INDEX `"
                           + index.name + "` (" + index.columns + ")");
        added << QStringLiteral("%1.%2").arg(QLatin1String(index.table), QLatin1String(index.name));
    }
    return added;
}

QStringList exportColumns(const QString& table)
{
    static const QStringList reportColumns{"vAfaStatusz", "vOrszag",       "vKulfAdo",  "zNavMod",
                                           "zAlanyiMentes", "zPenzforgalmi", "zKisadozo", "kNavTipus",
                                           "kNavKod",     "kNavIndok"};
    QStringList names;
    if (const TableDef* t = schemaTable(table))
        for (const auto& c : t->columns)
            if (!reportColumns.contains(c.name))
                names << c.name;
    return names;
}

QStringList addMissingColumns(Connection& connection)
{
    QStringList added;
    for (const auto& t : schemaTables()) {
        const auto rows = connection.select(encode(CodePage::Latin2, QStringLiteral("SHOW COLUMNS FROM %1").arg(quotedName(t.name))));
        QStringList existing;
        for (int r = 0; r < rows->rowCount(); ++r)
            existing << rows->text(r, 0).toLower();
        QString previous;
        for (const auto& c : t.columns) {
            if (!existing.contains(c.name.toLower())) {
                // Added right after its predecessor, so the column order stays the defined one.
                const QString where = previous.isEmpty() ? QStringLiteral("FIRST")
                                                         : QStringLiteral("AFTER ") + quotedName(previous);
                connection.execute(encode(CodePage::Latin2, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3 %4")
                                                                .arg(quotedName(t.name), quotedName(c.name), c.type, where)));
                added << t.name + u'.' + c.name;
            }
            previous = c.name;
        }
        // A text column made wider since (the customer's e-mail addresses) is widened; a column
        // is never narrowed, so nothing stored is cut.
        for (int r = 0; r < rows->rowCount(); ++r) {
            static const QRegularExpression varchar(QStringLiteral("^varchar\\((\\d+)\\)$"));
            const auto m = varchar.match(rows->text(r, 1).toLower());
            const QString name = rows->text(r, 0);
            const int width = textWidth(t.name, name);
            if (!m.hasMatch() || width <= m.captured(1).toInt())
                continue;
            for (const auto& c : t.columns)
                if (c.name.compare(name, Qt::CaseInsensitive) == 0)
                    connection.execute(encode(CodePage::Latin2, QStringLiteral("ALTER TABLE %1 MODIFY COLUMN %2 %3")
                                                                    .arg(quotedName(t.name), quotedName(c.name), c.type)));
            added << QStringLiteral("%1.%2 (%3 karakter)").arg(t.name, name).arg(width);
        }
    }
    return added;
}

QStringList countedTables()
{
    return {QStringLiteral("szlafej"), QStringLiteral("szlevfej"), QStringLiteral("vevo"), QStringLiteral("cikk")};
}

QString bucketedColumn(const QString& table)
{
    const QString t = table.toLower();
    if (t == u"szlafej")
        return QStringLiteral("fBszam");
    if (t == u"szlevfej")
        return QStringLiteral("lBszam");
    return {};
}

namespace {

const char* const kCounterTriggers[] = {"uj", "torol", "modosit"};
const char* const kArchiveGuards[] = {"`tarch_modosit`", "`tarch_torol`"};

QByteArray counterTriggerName(const QString& table, const char* suffix)
{
    return quotedNameBytes(QStringLiteral("tsz_%1_%2").arg(table, QLatin1String(suffix)));
}

// The statements a trigger runs for one row (`row` is NEW or OLD): the table's bucket of that key
// gains or loses the row. table is the table's name as a quoted literal, column the quoted name.
QByteArray bucketChange(const QByteArray& table, const QByteArray& column, const char* row, bool gain)
{
    const QByteArray key = QByteArray(row) + '.' + column;
    const QByteArray empty = '(' + key + " IS NULL)";
    const QByteArray bucket = "IFNULL(LEFT(" + key + ", " + QByteArray::number(kKeyBucketWidth) + "), '')";
    if (gain)
        return "INSERT INTO tablaszakasz (tkTabla, tkUres, tkSzakasz, tkSorok) VALUES (" + table + ", " + empty + ", "
            + bucket + ", 1) ON DUPLICATE KEY UPDATE tkSorok = tkSorok + 1;";
    return "UPDATE tablaszakasz SET tkSorok = tkSorok - 1 WHERE tkTabla = " + table + " AND tkUres = " + empty
        + " AND tkSzakasz = " + bucket + ';';
}

} // namespace

void ensureRowCounters(Connection& connection)
{
    connection.execute("CREATE TABLE IF NOT EXISTS `tablaszamlalo` (\n"
                       "  `tsTabla` VARCHAR(20) NOT NULL,\n"
                       "  `tsSorok` BIGINT NOT NULL DEFAULT 0,\n"
                       "  `tsValtozat` BIGINT NOT NULL DEFAULT 0,\n"
                       "  PRIMARY KEY (`tsTabla`)\n"
                       ") ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci");
    // Rows per key prefix of the registers' number columns: a number's place in the list is the
    // sum of the buckets before it plus the rows before it in its own bucket.
    connection.execute("CREATE TABLE IF NOT EXISTS `tablaszakasz` (\n"
                       "  `tkTabla` VARCHAR(20) NOT NULL,\n"
                       "  `tkUres` TINYINT NOT NULL,\n"
                       "  `tkSzakasz` VARCHAR(9) NOT NULL,\n"
                       "  `tkSorok` BIGINT NOT NULL DEFAULT 0,\n"
                       "  PRIMARY KEY (`tkTabla`, `tkUres`, `tkSzakasz`)\n"
                       ") ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci");
    for (const QString& table : countedTables()) {
        const QByteArray name = quotedNameBytes(table);
        const QByteArray literal = quotedLiteral(connection, table);
        const QString bucketed = bucketedColumn(table);
        const QByteArray column = bucketed.isEmpty() ? QByteArray() : quotedNameBytes(bucketed);
        auto counter = [&](const char* change) {
            return "UPDATE tablaszamlalo SET " + QByteArray(change) + " WHERE tsTabla = " + literal + ';';
        };
        QByteArray onInsert = counter("tsSorok = tsSorok + 1, tsValtozat = tsValtozat + 1");
        QByteArray onDelete = counter("tsSorok = tsSorok - 1, tsValtozat = tsValtozat + 1");
        QByteArray onUpdate = counter("tsValtozat = tsValtozat + 1");
        if (!column.isEmpty()) {
            onInsert += bucketChange(literal, column, "NEW", true);
            onDelete += bucketChange(literal, column, "OLD", false);
            onUpdate += "IF NOT (NEW." + column + " <=> OLD." + column + ") THEN "
                + bucketChange(literal, column, "OLD", false) + bucketChange(literal, column, "NEW", true) + " END IF;";
        }
        const std::pair<const char*, QByteArray> triggers[] = {
            {"INSERT", onInsert}, {"DELETE", onDelete}, {"UPDATE", onUpdate}};
        for (size_t i = 0; i < 3; ++i)
            connection.execute("CREATE OR REPLACE TRIGGER " + counterTriggerName(table, kCounterTriggers[i]) + " AFTER "
                               + triggers[i].first + " ON " + name + " FOR EACH ROW BEGIN " + triggers[i].second
                               + " END");
        // Counted under a shared lock: a change still on its way either waits or is already
        // counted, so the stored counts are exact from here on.
        StepChain chain(connection);
        chain.run([&] {
            chain.begin();
            const auto rows = connection.select("SELECT COUNT(*) FROM " + name + " LOCK IN SHARE MODE");
            connection.execute("INSERT INTO tablaszamlalo (tsTabla, tsSorok, tsValtozat) VALUES (" + literal + ", "
                               + rows->text(0, 0).toLatin1()
                               + ", 1) ON DUPLICATE KEY UPDATE tsValtozat = IF(tsSorok = VALUES(tsSorok), tsValtozat, "
                                 "tsValtozat + 1), tsSorok = VALUES(tsSorok)");
            if (!column.isEmpty()) {
                connection.execute("UPDATE tablaszakasz SET tkSorok = 0 WHERE tkTabla = " + literal);
                connection.execute("INSERT INTO tablaszakasz (tkTabla, tkUres, tkSzakasz, tkSorok) SELECT " + literal
                                   + ", " + column + " IS NULL, IFNULL(LEFT(" + column + ", "
                                   + QByteArray::number(kKeyBucketWidth) + "), ''), COUNT(*) FROM " + name
                                   + " GROUP BY 2, 3 ON DUPLICATE KEY UPDATE tkSorok = VALUES(tkSorok)");
            }
            chain.commit();
        });
    }
    ensureArchiveGuards(connection);
}

void dropRowCounterTriggers(Connection& connection, const QString& database)
{
    const QByteArray db = quotedNameBytes(database) + '.';
    for (const QString& table : countedTables())
        for (const char* suffix : kCounterTriggers)
            connection.execute("DROP TRIGGER IF EXISTS " + db + counterTriggerName(table, suffix));
    for (const char* name : kArchiveGuards)
        connection.execute("DROP TRIGGER IF EXISTS " + db + name);
}

void ensureArchiveGuards(Connection& connection)
{
    if (connection.select("SHOW TABLES LIKE 'szlaarchiv'")->rowCount() == 0)
        return;
    const char* const events[] = {"UPDATE", "DELETE"};
    for (size_t i = 0; i < 2; ++i)
        connection.execute(QByteArray("CREATE OR REPLACE TRIGGER ") + kArchiveGuards[i] + " BEFORE " + events[i]
                           + " ON `szlaarchiv` FOR EACH ROW SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                             "'Az archivalt szamla nem modosithato es nem torolheto.'");
}

int storedSchemaVersion(Connection& connection)
{
    const auto table = connection.select("SHOW TABLES LIKE 'semaverzio'");
    if (table->rowCount() == 0)
        return 1;
    const auto rows = connection.select("SELECT MAX(svVerzio) FROM semaverzio");
    if (rows->rowCount() == 0 || rows->isNull(0, 0))
        return 1;
    return static_cast<int>(rows->integer(0, 0));
}

void recordSchemaVersion(Connection& connection, int version)
{
    // Kept apart from the thirteen document and master tables: it is bookkeeping of the setup
    // tool and the backup, never shown or exported.
    connection.execute("CREATE TABLE IF NOT EXISTS `semaverzio` (\n"
                       "  `svID` TINYINT NOT NULL,\n"
                       "  `svVerzio` INT NOT NULL,\n"
                       "  `svIdo` DATETIME NOT NULL,\n"
                       "  PRIMARY KEY (`svID`)\n"
                       ") ENGINE=InnoDB DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci");
    connection.execute("INSERT INTO semaverzio (svID, svVerzio, svIdo) VALUES (1, " + QByteArray::number(version)
                       + ", NOW()) ON DUPLICATE KEY UPDATE svIdo = IF(svVerzio < VALUES(svVerzio), NOW(), svIdo), "
                         "svVerzio = GREATEST(svVerzio, VALUES(svVerzio))");
}

} // namespace orvena
