#pragma once
// A materialised result: every cell's bytes in one buffer, decoded and converted on demand so
// that a grid over 100 000 rows only pays for the cells it shows.
#include "errors.h"
#include "money.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena {

enum class ColumnKind { Text, Integer, Decimal, Date, DateTime, Binary };

class ResultSet {
public:
    int rowCount() const { return m_rows; }
    int columnCount() const { return static_cast<int>(m_names.size()); }
    const QStringList& columnNames() const { return m_names; }
    ColumnKind kind(int column) const { return m_kinds[static_cast<size_t>(column)]; }
    // Case-insensitive; -1 when there is no such column.
    int columnIndex(QStringView name) const;

    bool isNull(int row, int column) const { return m_null[cell(row, column)]; }
    QByteArray raw(int row, int column) const;
    // The cell as the program shows it: NULL as empty text, dates yyyy.MM.dd, decimals with ","
    // and without trailing zeros, text decoded from latin2.
    QString text(int row, int column) const;
    // The cell as a value, read from the server's own form, never from the display text: NULL
    // reads as 0 (an invalid date). A cell that holds no such value throws ConversionError naming
    // the column. integer() rounds a decimal half away from zero; money() to the fillér.
    qint64 integer(int row, int column) const;
    Decimal decimal(int row, int column) const;
    Money money(int row, int column) const { return Money::rounded(decimal(row, column)); }
    QDate date(int row, int column) const;

    // A copy with one more column at the end holding these cells, one per row (a value the
    // program computes beside the ones read).
    ResultSet withColumn(const QString& name, ColumnKind kind, const std::vector<QByteArray>& cells) const;
    // A copy whose rows are this one's rows `order` (each row's index here, every row once) with one
    // more column at the end, its cells given in the new order: a list the program sorts itself.
    ResultSet reordered(const std::vector<int>& order, const QString& name, ColumnKind kind,
                        const std::vector<QByteArray>& cells) const;

    // Building (used by Connection).
    void addColumn(const QString& name, ColumnKind kind);
    void reserveRows(int rows);
    void appendCell(const char* data, unsigned long length); // data == nullptr: NULL
    void finishRow() { ++m_rows; }

private:
    size_t cell(int row, int column) const
    {
        return static_cast<size_t>(row) * m_names.size() + static_cast<size_t>(column);
    }

    QStringList m_names;
    std::vector<ColumnKind> m_kinds;
    QHash<QString, int> m_index; // lower-case name -> column
    QByteArray m_data;
    std::vector<qint64> m_offsets; // start of each cell in m_data
    std::vector<bool> m_null;
    int m_rows = 0;
};

} // namespace orvena
