#pragma once
// The thirteen tables of the database: column names and order are fixed, because positional
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

const std::vector<TableDef>& schemaTables();
const TableDef* schemaTable(const QString& name);
// CREATE TABLE IF NOT EXISTS for one table (InnoDB, latin2 / latin2_hungarian_ci).
QString createTableStatement(const TableDef& table);
// Creates every missing table on the connection's current database; returns the names created.
QStringList createMissingTables(Connection& connection);

// The version of the database layout this program writes; raise it with every change of the
// tables. A backup names it, and a restore refuses a backup of a newer layout.
constexpr int kSchemaVersion = 1;
// The layout version recorded in the current database (table `semaverzio`, one row); a database
// set up before versions were recorded holds the first layout and reads as 1.
int storedSchemaVersion(Connection& connection);
// Records `version` in the current database unless a newer one is recorded there already.
void recordSchemaVersion(Connection& connection, int version = kSchemaVersion);

} // namespace orvena
