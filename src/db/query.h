#pragma once
// A named, long-lived query object shared by the screens. It holds the statement as lines,
// parameters :p0...:p24 set by name, and after open() a materialised result with a current row.
// Grids and detail labels follow it through its signals.
#include "connection.h"
#include "resultset.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <memory>
#include <variant>

namespace orvena {

class Query : public QObject {
    Q_OBJECT
public:
    Query(Connection& connection, const QString& id, QObject* parent = nullptr);

    Connection& connection() const { return m_connection; }

    // --- the statement ---
    void close();
    void clearText();
    void addLine(const QString& line);
    // close, clear and add the lines in one call
    void setSql(const QStringList& lines);
    QStringList lines() const { return m_lines; }
    QString sqlText() const { return m_lines.join(u'\n'); }

    // --- parameters, by name ("p1" or ":p1") ---
    void setText(const QString& name, const QString& value);
    void setInteger(const QString& name, qint64 value);
    // The text converted to a 32-bit integer; throws ConversionError.
    void setInteger(const QString& name, const QString& text);
    void setFloat(const QString& name, double value);
    // The text converted with the program's decimal separator; throws ConversionError.
    void setFloat(const QString& name, const QString& text);
    void setNull(const QString& name);
    // An identity column: NULL (the server assigns it) for an empty text, else the integer.
    void setIdentity(const QString& name, const QString& text);
    // The statement as it goes to the server, values substituted as literals.
    QByteArray boundStatement() const;

    // --- running ---
    void execute();
    void open();
    void refresh();
    bool isOpen() const { return m_result != nullptr; }
    quint64 affectedRows() const { return m_affectedRows; }
    quint64 lastInsertId() const { return m_lastInsertId; }

    // --- the result and its current row ---
    int rowCount() const { return m_result ? m_result->rowCount() : 0; }
    bool isEmpty() const { return rowCount() == 0; }
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    void first() { setCurrentRow(0); }
    void prior() { setCurrentRow(m_current - 1); }
    void next() { setCurrentRow(m_current + 1); }
    void last() { setCurrentRow(rowCount() - 1); }
    bool isFirst() const { return m_current <= 0; }
    bool isLast() const { return m_current >= rowCount() - 1; }
    // First row whose column, as text, begins with key (case-insensitive). Empty key: first
    // row. No match: the current row stays. Returns whether a row matched.
    bool locate(const QString& column, const QString& key);

    int columnCount() const { return m_result ? m_result->columnCount() : 0; }
    QStringList columnNames() const { return m_result ? m_result->columnNames() : QStringList(); }
    int columnIndex(const QString& column) const { return m_result ? m_result->columnIndex(column) : -1; }
    bool hasColumn(const QString& column) const { return columnIndex(column) >= 0; }
    // Cell texts; NULL and an empty result read as empty text.
    QString text(int row, int column) const;
    QString text(int row, const QString& column) const;
    // The current row's column by name (case-insensitive).
    QString fieldText(const QString& column) const;
    // As integer: empty result / NULL / empty text give 0, other texts must convert.
    qint64 fieldInt(const QString& column) const;
    double fieldDouble(const QString& column) const;
    const ResultSet* result() const { return m_result.get(); }

signals:
    void rowsAboutToBeReplaced();
    void rowsReplaced();
    void currentRowChanged(int row);

private:
    struct Null {};
    using Value = std::variant<Null, QString, qint64, double>;
    void bind(const QString& name, Value value);
    int checkedColumn(const QString& column) const;
    void replaceResult(std::shared_ptr<ResultSet> result, int current);

    Connection& m_connection;
    QStringList m_lines;
    QHash<QString, Value> m_params;
    QByteArray m_openedStatement;
    std::shared_ptr<ResultSet> m_result;
    int m_current = -1;
    quint64 m_affectedRows = 0;
    quint64 m_lastInsertId = 0;
};

} // namespace orvena
