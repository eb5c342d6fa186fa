#pragma once
// The tables of the database: column names and order are fixed, because positional
// copies (INSERT ... SELECT *) between header, line and work tables rely on them.
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena {

class Connection;

struct ColumnDef {
    QString name;
    QString type; // SQL type with constraints
};

struct TableDef {
    QString name;
    std::vector<ColumnDef> columns;
    QString primaryKey;
    QStringList indexed; // columns with an index of their own
    QStringList columnNames() const;
};

// What a column can hold, read from its SQL type.
struct ColumnLimits {
    enum class Kind { Unknown, Text, Decimal, Integer, Other };
    Kind kind = Kind::Unknown;
    int width = 0;  // characters of a VARCHAR
    int digits = 0; // DECIMAL(digits, scale)
    int scale = 0;
};

const std::vector<TableDef>& schemaTables();
// The limits of table.column (names compared without regard to case); Kind::Unknown when the
// schema has no such column.
ColumnLimits columnLimits(const QString& table, const QString& column);
// The characters a text column holds; 0 for other columns (no limit known).
int textWidth(const QString& table, const QString& column);
// Checks that the typed number fits the numeric column (its whole digits for a DECIMAL, the
// 32-bit range for an INT) before anything is written. Throws ConversionError naming `label`.
// An empty text and columns without a numeric type pass; the conversion itself is not checked.
void checkNumberFits(const QString& table, const QString& column, const QString& text, const QString& label);
const TableDef* schemaTable(const QString& name);
// CREATE TABLE IF NOT EXISTS for one table (InnoDB, latin2 / latin2_hungarian_ci).
QString createTableStatement(const TableDef& table);
// Creates every missing table on the connection's current database; returns the names created.
QStringList createMissingTables(Connection& connection);
// The columns the text export writes for a table: its columns without those added later for
// the invoice-data report, so the export files keep their layout. Empty for an unknown table.
QStringList exportColumns(const QString& table);
// Adds every column an existing table lacks (a database made by an earlier version), in its
// defined place, and widens a text column defined wider now; nothing is dropped or narrowed.
// Returns "table.column" for each one added, "table.column (n karakter)" for each one widened.
QStringList addMissingColumns(Connection& connection);

// Adds the indexes of several columns (and those added to existing tables) that a table lacks;
// returns "table.index" for each one added.
QStringList ensureIndexes(Connection& connection);

// The tables whose row count and change counter the server keeps in `tablaszamlalo`, through
// triggers on each: a list over them knows its length and whether anything changed without
// reading the table.
QStringList countedTables();
// The number column whose rows the server also counts per key prefix (`tablaszakasz`), so a
// number's place in the ordered register is found without counting the rows before it; empty for
// a table without one.
QString bucketedColumn(const QString& table);
// Characters of the key prefix that makes a bucket: an 8-digit number's bucket holds 1000 numbers.
constexpr int kKeyBucketWidth = 5;
// Creates the counter table and the triggers on the connection's current database (again, when
// they exist) and counts each table afresh; a count found wrong is mended and its change counter
// raised, a right one is left as it is (a restored database keeps its rows exactly). The archive's
// guards (ensureArchiveGuards) are made with them, so wherever the program's triggers are made
// again (setup, restore) both are.
void ensureRowCounters(Connection& connection);
// Drops the counters' triggers and the archive's guards of `database` (a table with triggers
// cannot move to another database, as a restore moves them).
void dropRowCounterTriggers(Connection& connection, const QString& database);
// The triggers that make szlaarchiv refuse every UPDATE and DELETE, whoever sends them.
void ensureArchiveGuards(Connection& connection);

// The version of the database layout this program writes; raise it with every change of the
// tables. A backup names it, and a restore refuses a backup of a newer layout.
// 2: invoice-data columns and szlanav; reporting of issued invoices (the technical user's columns of
// szallito, szlanavnaplo).
// 3: szlahivatkozas, the storno's link to the invoice it reverses.
// 4: szlaemail, the invoices sent by e-mail; vevo.vEmail widened to 254 characters (several
// addresses separated by ";").
// 4: szlafizetes, the payments of invoices, and the view szlaegyenleg over it.
// 4: mnbarfolyam, the central bank's rates; the figures' indexes on szlafej and szlasor.
// 5: the issuer's VAT regime: szallito.zAlanyiMentes, zPenzforgalmi, zKisadozo.
// 5: dijbfej, dijbsor and dijbszamla, the proformas and the invoices they became; their own
// number sequence "D" in sorszam.
// 5: szlajelleg, the kind of an advance or final invoice; szlaeloleg, a final invoice's deductions.
// 5: szlaosszeg, szlaafaosszeg and szlanaposszeg, the sums of each issued invoice (per VAT rate, per
// issue date) the figures read.
// 6: szlaarchiv, every issued invoice's PDF and invoice-data document, guarded by triggers;
// szlaemail.emAllapot and emArchiv, the delivery of each message and the PDF it carries.
// 6: szlaemail.emFajta, whether a logged message was the invoice or a reminder naming it.
// 6: bankkivonat, bankkivonattetel and bankkivonatfizetes, the bank statements read and the payments
// booked from their entries.
// 6: szlakiallitas, the printed legal content and VAT regime kept with each issued invoice.
// 7: szlacikkosszeg, szlanapcikk and szlanapafa, the issued invoices' sums per article and per day
// and article or VAT rate; szlanyitott, the open balances the receivables read.
constexpr int kSchemaVersion = 7;
// The layout version recorded in the current database (table `semaverzio`, one row); a database
// set up before versions were recorded holds the first layout and reads as 1.
int storedSchemaVersion(Connection& connection);
// Records `version` in the current database unless a newer one is recorded there already.
void recordSchemaVersion(Connection& connection, int version = kSchemaVersion);

} // namespace orvena
