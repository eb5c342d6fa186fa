#pragma once
// A named, long-lived query object shared by the screens. It holds the statement as lines,
// parameters :p0...:p24 set by name, and after open() a materialised result with a current row.
// Grids and detail labels follow it through its signals.
//
// A query object may be made pageable (setPageable): then a whole-table list of one of the large
// tables, "SELECT * FROM <table> [ORDER BY <column>]", is not materialised. The query knows the
// row count and the list order (the column, then the primary key, so the order is total) and
// reads the rows in pages by key range as they are asked for; the public meaning (rows, order,
// current row, locate, snapshot) stays that of the full read.
#include "connection.h"
#include "resultset.h"

#include <QHash>
#include <algorithm>
#include <QObject>
#include <QStringList>
#include <list>
#include <map>
#include <memory>
#include <optional>
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
    // Sent with the shortest text that reads back as the same double.
    void setFloat(const QString& name, double value);
    // The text checked with the program's decimal separator (throws ConversionError) and sent
    // digit for digit as a decimal literal, so a DECIMAL column gets every digit it can hold.
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

    // Whole-table lists of the large tables open paged from now on (see above).
    void setPageable(bool on) { m_pageable = on; }
    // Whether the open list is read in pages.
    bool isPaged() const { return m_paging.has_value(); }
    // Rows per page of a paged list (tests use small pages to cross page edges often).
    void setPageSize(int rows)
    {
        m_pageSize = std::max(1, rows);
        dropPages();
    }
    int pageSize() const { return m_pageSize; }
    quint64 affectedRows() const { return m_affectedRows; }
    quint64 lastInsertId() const { return m_lastInsertId; }

    // --- the result and its current row ---
    int rowCount() const { return m_paging ? m_pagedRows : m_result ? m_result->rowCount() : 0; }
    bool isEmpty() const { return rowCount() == 0; }
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    void first() { setCurrentRow(0); }
    void prior() { setCurrentRow(m_current - 1); }
    void next() { setCurrentRow(m_current + 1); }
    void last() { setCurrentRow(rowCount() - 1); }
    bool isFirst() const { return m_current <= 0; }
    bool isLast() const { return m_current >= rowCount() - 1; }
    enum class Match {
        Prefix, // the column's text begins with the key (names)
        Exact,  // the column's text is the key (codes: "1" never finds "10")
    };
    // First row whose column, as text, matches key (case-insensitive). Empty key: first
    // row. No match: the current row stays. Returns whether a row matched.
    bool locate(const QString& column, const QString& key, Match match = Match::Prefix);
    // Typing into a list: the first row from `fromRow` on, in list order, whose column begins
    // with key (case-insensitive), wrapping round to the start. A paged list is searched by the
    // server from that row's key on, so no page between is read. No match: the current row stays.
    bool locateFrom(const QString& column, const QString& key, int fromRow);

    int columnCount() const { return m_result ? m_result->columnCount() : 0; }
    QStringList columnNames() const { return m_result ? m_result->columnNames() : QStringList(); }
    int columnIndex(const QString& column) const { return m_result ? m_result->columnIndex(column) : -1; }
    ColumnKind columnKind(int column) const { return m_result ? m_result->kind(column) : ColumnKind::Text; }
    bool hasColumn(const QString& column) const { return columnIndex(column) >= 0; }
    // Cell texts; NULL and an empty result read as empty text.
    QString text(int row, int column) const;
    QString text(int row, const QString& column) const;
    // The current row's column by name (case-insensitive).
    QString fieldText(const QString& column) const;
    // As integer: empty result / NULL / empty text give 0, other texts must convert.
    qint64 fieldInt(const QString& column) const;
    double fieldDouble(const QString& column) const;
    // Typed cells (see ResultSet): read from the server's form, never parsed from display text.
    qint64 integer(int row, int column) const;
    qint64 integer(int row, const QString& column) const { return integer(row, checkedColumn(column)); }
    orvena::Decimal decimal(int row, int column) const;
    orvena::Decimal decimal(int row, const QString& column) const { return decimal(row, checkedColumn(column)); }
    Money money(int row, int column) const { return Money::rounded(decimal(row, column)); }
    Money money(int row, const QString& column) const { return money(row, checkedColumn(column)); }
    QDate date(int row, int column) const;
    QDate date(int row, const QString& column) const { return date(row, checkedColumn(column)); }
    // The current row's, by name; an empty result reads as 0 / an invalid date.
    orvena::Decimal fieldDecimal(const QString& column) const { return decimal(m_current, checkedColumn(column)); }
    Money fieldMoney(const QString& column) const { return money(m_current, checkedColumn(column)); }
    QDate fieldDate(const QString& column) const { return date(m_current, checkedColumn(column)); }
    // Adds a column the program computes to the open (not paged) result, one cell per row in
    // the server's form; the current row stays. A refresh reads the statement's columns only.
    void appendColumn(const QString& name, ColumnKind kind, const std::vector<QByteArray>& cells);
    // The same, with the rows put in `order` (each row's index now, every row once; `cells` in
    // the new order): for a list the program sorts itself. The first row becomes current.
    void reorderWithColumn(const std::vector<int>& order, const QString& name, ColumnKind kind,
                           const std::vector<QByteArray>& cells);
    // The materialised rows; of a paged list only the columns (no rows).
    const ResultSet* result() const { return m_result.get(); }

    // The statement, its parameters, whether it was open and its current row: what a screen
    // needs to put a shared list back as it stood after a failed save replaced its statement.
    struct Snapshot;
    Snapshot snapshot() const;
    // Re-opens the saved SELECT and moves to the saved row (the nearest one if the list got
    // shorter). A snapshot of a closed query leaves the query closed.
    void restore(const Snapshot& snapshot);

signals:
    void rowsAboutToBeReplaced();
    void rowsReplaced();
    void currentRowChanged(int row);

public:
    // A parameter value: NULL, a text, an integer, a double, or a decimal literal.
    struct Null {};
    struct Decimal { QByteArray literal; };
    using Value = std::variant<Null, QString, qint64, double, Decimal>;

    // A paged list: the table and its order (the column, then the primary key).
    struct Paging {
        QString table;
        QString primaryKey;
        QString orderColumn; // empty: the primary key alone
        bool operator==(const Paging&) const = default;
    };

private:
    struct Page {
        std::shared_ptr<ResultSet> rows;
        std::list<int>::iterator age;
    };
    struct Boundary {
        QByteArray key; // raw bytes of the order column
        bool keyNull = false;
        QByteArray id;
    };

    void bind(const QString& name, Value value);
    std::optional<Paging> pagingFor(const QByteArray& statement) const;
    // refreshing: the rows are replaced in place (refresh), else the query is closed first (open).
    void openPaged(const Paging& paging, int current, bool refreshing);
    // Rows and change counter of the table (the counter is -1 when the server keeps none).
    std::pair<qint64, qint64> tableState() const;
    const ResultSet* pageOf(int row, int& local) const;
    // The rows holding `row` and its index there; nothing outside the result.
    const ResultSet* rowsOf(int row, int column, int& local) const;
    std::shared_ptr<ResultSet> fetchPage(int page) const;
    Boundary boundaryOf(const ResultSet& rows, int row) const;
    QByteArray orderBy(bool descending, const QByteArray& alias = {}) const;
    QByteArray afterCondition(const Boundary& b, bool inclusive) const;
    QByteArray beforeCondition(const Boundary& b) const;
    int positionOf(const Boundary& b) const;
    // Reads the page holding `position`, where row b stands, unless it is read already.
    void readPageAround(int position, const Boundary& b) const;
    void keepPage(int page, std::shared_ptr<ResultSet> rows) const;
    // from: search only from that row on (inclusive), then wrap round to the rows before it.
    bool locatePaged(int column, const QString& key, Match match, const std::optional<Boundary>& from = std::nullopt);
    void dropPages() const;
    QByteArray quoteValue(const QByteArray& raw) const;
    int checkedColumn(const QString& column) const;
    void replaceResult(std::shared_ptr<ResultSet> result, int current);

    Connection& m_connection;
    QStringList m_lines;
    QHash<QString, Value> m_params;
    QByteArray m_openedStatement;
    QStringList m_openedLines;             // the open SELECT's text and parameters, so a
    QHash<QString, Value> m_openedParams;  // snapshot can put it back
    std::shared_ptr<ResultSet> m_result;
    int m_current = -1;
    quint64 m_affectedRows = 0;
    quint64 m_lastInsertId = 0;

    bool m_pageable = false;
    int m_pageSize = 100;
    std::optional<Paging> m_paging;
    int m_pagedRows = 0;
    qint64 m_tableVersion = -1;
    int m_orderColumn = -1;
    int m_idColumn = -1;
    mutable bool m_noBuckets = false; // the server keeps no per-prefix counts (an older database)
    mutable std::map<int, Page> m_pages;
    mutable std::list<int> m_pageAges; // most recently used first
};

struct Query::Snapshot {
    QStringList lines;
    QHash<QString, Value> params;
    bool open = false;
    int row = -1;
    std::optional<Paging> paging;
};

} // namespace orvena
