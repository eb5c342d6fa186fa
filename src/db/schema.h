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

const std::vector<TableDef>& schemaTables();
const TableDef* schemaTable(const QString& name);
// CREATE TABLE IF NOT EXISTS for one table (InnoDB, latin2 / latin2_hungarian_ci).
QString createTableStatement(const TableDef& table);
// Creates every missing table on the connection's current database; returns the names created.
QStringList createMissingTables(Connection& connection);
// The columns the text export writes for a table: its columns without those added later for
// the invoice-data report, so the export files keep their layout. Empty for an unknown table.
QStringList exportColumns(const QString& table);
// Adds every column an existing table lacks (a database made by an earlier version), in its
// defined place; nothing is dropped or changed. Returns "table.column" for each one added.
QStringList addMissingColumns(Connection& connection);

} // namespace orvena
