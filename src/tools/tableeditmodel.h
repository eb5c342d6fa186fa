#pragma once
// An editable grid model over one whole table, for the maintenance screen. Rows are read with
// SELECT * on the table's own query object; a changed or new row is written straight to the
// table by its primary key when it is posted (explicitly, or by moving to another row), and a
// deleted row is deleted at once. No transaction statements are sent.
#include "db/query.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>

namespace orvena {

class TableEditModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum class State { Closed, Browse, Edit, Insert };

    // table: the query object the rows are read into (ZTable1 ...); writes run on a query of
    // this model's own over the same connection.
    TableEditModel(Query& table, const QString& tableName, QObject* parent = nullptr);

    const QString& tableName() const { return m_tableName; }
    Query& query() const { return *m_query; }
    State state() const { return m_state; }
    bool isOpen() const { return m_query && m_query->isOpen(); }
    bool isWritable() const { return m_writable; }
    QString primaryKey() const { return m_primaryKey; }
    // Whether a column holds multi-line text (edited with line breaks kept).
    bool isMemoColumn(int column) const;

    // Reads every row, ordered by the primary key. Discards unposted changes.
    void open(bool writable);
    // Empties the grid; unposted changes are discarded.
    void close();

    // The current row of the grid (-1: none); the row being inserted is the last one.
    int currentRow() const { return m_current; }
    // Moving away from a changed row posts it first; when that fails the row stays current
    // and the error propagates.
    void setCurrentRow(int row);
    void first() { setCurrentRow(0); }
    void prior() { setCurrentRow(m_current - 1); }
    void next() { setCurrentRow(m_current + 1); }
    void last() { setCurrentRow(rowCount() - 1); }

    // Navigator actions. Those that change data do nothing on a read-only table.
    void edit();
    void insert();
    void post();
    void cancel();
    void deleteCurrent();
    // The primary key of the current stored row (empty: none, or the row being inserted). A
    // view that asks before deleting reads it first and deletes that row, whatever the grid
    // does while the question is open.
    QString currentKey() const;
    void deleteRow(const QString& key);
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stores the typed text in the row's edit buffer (nothing is sent before the post).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    void stateChanged();
    void currentRowChanged(int row);

private:
    int queryRows() const { return m_query ? m_query->rowCount() : 0; }
    QString storedText(int row, int column) const;
    void setState(State state);
    void bindValue(const QString& name, int column, const QString& text);
    // Re-reads the rows and makes the row with this key current (or the given row).
    void reload(const QString& key, int fallbackRow);
    int rowOfKey(const QString& key) const;
    void discardInsertRow();

    QPointer<Query> m_query;
    QString m_tableName;
    Query m_writer;
    QString m_primaryKey;
    QStringList m_memoColumns;
    bool m_writable = false;
    State m_state = State::Closed;
    int m_current = -1;
    int m_editRow = -1;
    QHash<int, QString> m_buffer; // column -> typed text of the row being edited or inserted
};

} // namespace orvena
