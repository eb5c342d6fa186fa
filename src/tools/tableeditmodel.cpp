#include "tableeditmodel.h"

#include "db/conversions.h"
#include "db/memotext.h"
#include "db/schema.h"
#include "db/sqlname.h"

#include <algorithm>

namespace orvena {

TableEditModel::TableEditModel(Query& table, const QString& tableName, QObject* parent)
    : QAbstractTableModel(parent),
      m_query(&table),
      m_tableName(tableName),
      m_writer(table.connection(), table.objectName() + QStringLiteral("Post"))
{
    if (const TableDef* def = schemaTable(tableName)) {
        m_primaryKey = def->primaryKey;
        for (const auto& column : def->columns)
            if (column.type.startsWith(QStringLiteral("BLOB"), Qt::CaseInsensitive))
                m_memoColumns << column.name;
    }
    connect(&table, &Query::rowsAboutToBeReplaced, this, [this] { beginResetModel(); });
    connect(&table, &Query::rowsReplaced, this, [this] {
        if (!m_query->isOpen() && m_state != State::Closed) {
            // closed from outside (or by close()): nothing left to edit
            m_state = State::Closed;
            m_buffer.clear();
            m_editRow = -1;
            emit stateChanged();
        }
        endResetModel();
    });
    connect(&table, &Query::currentRowChanged, this, [this](int row) {
        if (m_state == State::Insert)
            return;
        m_current = row;
        emit currentRowChanged(row);
    });
}

bool TableEditModel::isMemoColumn(int column) const
{
    return m_memoColumns.contains(m_query->columnNames().value(column), Qt::CaseInsensitive);
}

void TableEditModel::open(bool writable)
{
    close();
    m_writable = writable;
    QString sql = QStringLiteral("SELECT * FROM ") + quotedName(m_tableName);
    if (!m_primaryKey.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + quotedName(m_primaryKey);
    m_query->setSql({sql});
    m_query->open();
    if (m_primaryKey.isEmpty() && m_query->columnCount() > 0)
        m_primaryKey = m_query->columnNames().constFirst(); // a table the program does not know
    setState(State::Browse);
    m_current = m_query->currentRow();
    emit currentRowChanged(m_current);
}

void TableEditModel::close()
{
    const bool wasOpen = m_query->isOpen();
    if (!wasOpen)
        beginResetModel();
    m_state = State::Closed;
    m_buffer.clear();
    m_editRow = -1;
    m_writable = false;
    m_query->close();
    if (!wasOpen)
        endResetModel();
    m_current = -1;
    emit stateChanged();
    emit currentRowChanged(m_current);
}

void TableEditModel::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

QString TableEditModel::storedText(int row, int column) const
{
    return m_query->text(row, column);
}

void TableEditModel::setCurrentRow(int row)
{
    if (!isOpen() || rowCount() == 0)
        return;
    row = std::clamp(row, 0, rowCount() - 1);
    if (row == m_current)
        return;
    if (m_state == State::Edit || m_state == State::Insert) {
        post();
        if (rowCount() == 0)
            return;
        row = std::clamp(row, 0, rowCount() - 1);
    }
    m_query->setCurrentRow(row);
}

void TableEditModel::edit()
{
    if (!m_writable || m_state != State::Browse || m_current < 0)
        return;
    m_editRow = m_current;
    setState(State::Edit);
}

void TableEditModel::insert()
{
    if (!m_writable || !isOpen())
        return;
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    const int row = queryRows();
    beginInsertRows({}, row, row);
    m_state = State::Insert;
    m_buffer.clear();
    m_editRow = row;
    endInsertRows();
    m_current = row;
    emit stateChanged();
    emit currentRowChanged(m_current);
}

void TableEditModel::bindValue(const QString& name, int column, const QString& text)
{
    const ColumnKind kind = m_query->result()->kind(column);
    if (text.trimmed().isEmpty()) {
        if (kind == ColumnKind::Text || kind == ColumnKind::Binary)
            m_writer.setText(name, text);
        else
            m_writer.setNull(name);
        return;
    }
    switch (kind) {
    case ColumnKind::Integer:
        m_writer.setInteger(name, parseInt64(text.trimmed()));
        break;
    case ColumnKind::Decimal:
        m_writer.setFloat(name, parseDouble(text.trimmed()));
        break;
    case ColumnKind::Date:
        m_writer.setText(name, parseDate(text.trimmed()).toString(QStringLiteral("yyyy-MM-dd")));
        break;
    case ColumnKind::DateTime: {
        const QString t = text.trimmed();
        m_writer.setText(name, parseDate(t.left(10)).toString(QStringLiteral("yyyy-MM-dd")) + t.mid(10));
        break;
    }
    case ColumnKind::Text:
    case ColumnKind::Binary:
        m_writer.setText(name, text);
        break;
    }
}

void TableEditModel::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    const int keyColumn = m_query->columnIndex(m_primaryKey);
    QList<int> columns = m_buffer.keys();
    std::sort(columns.begin(), columns.end());
    const QStringList names = m_query->columnNames();

    if (m_state == State::Edit) {
        if (columns.isEmpty()) {
            m_editRow = -1;
            setState(State::Browse);
            return;
        }
        const QString key = storedText(m_editRow, keyColumn);
        QStringList assignments;
        for (int i = 0; i < columns.size(); ++i)
            assignments << QStringLiteral("%1 = :p%2").arg(quotedName(names.at(columns[i]))).arg(i);
        m_writer.setSql({QStringLiteral("UPDATE %1 SET %2").arg(quotedName(m_tableName), assignments.join(u", ")),
                         QStringLiteral("WHERE %1 = :p%2").arg(quotedName(m_primaryKey)).arg(columns.size())});
        for (int i = 0; i < columns.size(); ++i)
            bindValue(QStringLiteral("p%1").arg(i), columns[i], m_buffer.value(columns[i]));
        bindValue(QStringLiteral("p%1").arg(columns.size()), keyColumn, key);
        m_writer.execute();
        const QString newKey = m_buffer.contains(keyColumn) ? m_buffer.value(keyColumn).trimmed() : key;
        const int row = m_editRow;
        m_buffer.clear();
        m_editRow = -1;
        setState(State::Browse);
        reload(newKey, row);
        return;
    }

    // a new row: the columns the operator filled; the rest take the table's defaults
    QStringList targets;
    QStringList markers;
    for (int i = 0; i < columns.size(); ++i) {
        targets << quotedName(names.at(columns[i]));
        markers << QStringLiteral(":p%1").arg(i);
    }
    m_writer.setSql({QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                         .arg(quotedName(m_tableName), targets.join(u", "), markers.join(u", "))});
    for (int i = 0; i < columns.size(); ++i)
        bindValue(QStringLiteral("p%1").arg(i), columns[i], m_buffer.value(columns[i]));
    m_writer.execute();
    const QString newKey = m_buffer.value(keyColumn).trimmed().isEmpty()
                               ? QString::number(m_writer.lastInsertId())
                               : m_buffer.value(keyColumn).trimmed();
    discardInsertRow();
    reload(newKey, queryRows());
}

void TableEditModel::discardInsertRow()
{
    const int row = queryRows();
    beginRemoveRows({}, row, row);
    m_state = State::Browse;
    m_buffer.clear();
    m_editRow = -1;
    endRemoveRows();
    emit stateChanged();
}

void TableEditModel::cancel()
{
    if (m_state == State::Edit) {
        const int row = m_editRow;
        m_buffer.clear();
        m_editRow = -1;
        setState(State::Browse);
        if (row >= 0 && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    } else if (m_state == State::Insert) {
        discardInsertRow();
        m_current = m_query->currentRow();
        emit currentRowChanged(m_current);
    }
}

void TableEditModel::deleteCurrent()
{
    if (!m_writable || !isOpen())
        return;
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit)
        cancel();
    deleteRow(currentKey());
}

QString TableEditModel::currentKey() const
{
    if (!isOpen() || m_state == State::Insert || m_current < 0 || m_current >= queryRows())
        return {};
    return storedText(m_current, m_query->columnIndex(m_primaryKey));
}

void TableEditModel::deleteRow(const QString& key)
{
    if (!m_writable || !isOpen() || key.isEmpty())
        return;
    if (m_state == State::Edit || m_state == State::Insert)
        cancel();
    const int keyColumn = m_query->columnIndex(m_primaryKey);
    const int row = std::max(0, rowOfKey(key));
    m_writer.setSql({QStringLiteral("DELETE FROM %1 WHERE %2 = :p0").arg(quotedName(m_tableName), quotedName(m_primaryKey))});
    bindValue(QStringLiteral("p0"), keyColumn, key);
    m_writer.execute();
    reload(QString(), row);
}

void TableEditModel::refresh()
{
    if (!isOpen())
        return;
    if (m_state == State::Edit || m_state == State::Insert)
        post();
    const int keyColumn = m_query->columnIndex(m_primaryKey);
    reload(m_current >= 0 ? storedText(m_current, keyColumn) : QString(), m_current);
}

int TableEditModel::rowOfKey(const QString& key) const
{
    if (key.isEmpty())
        return -1;
    const int keyColumn = m_query->columnIndex(m_primaryKey);
    for (int r = 0; r < queryRows(); ++r)
        if (storedText(r, keyColumn) == key)
            return r;
    return -1;
}

void TableEditModel::reload(const QString& key, int fallbackRow)
{
    m_query->refresh();
    int row = rowOfKey(key);
    if (row < 0)
        row = fallbackRow;
    m_query->setCurrentRow(row);
    m_current = m_query->currentRow();
    emit currentRowChanged(m_current);
}

int TableEditModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return queryRows() + (m_state == State::Insert ? 1 : 0);
}

int TableEditModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_query ? 0 : m_query->columnCount();
}

QVariant TableEditModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int row = index.row();
    const int column = index.column();
    const bool inserting = m_state == State::Insert && row == queryRows();
    const bool edited = inserting || (m_state == State::Edit && row == m_editRow);
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        QString text;
        if (edited && m_buffer.contains(column))
            text = m_buffer.value(column);
        else if (!inserting)
            text = storedText(row, column);
        if (role == Qt::EditRole)
            return memoFromDatabase(text);
        if (text.contains(u'\n')) // memo cells show their first line
            text = text.section(u'\n', 0, 0).remove(u'\r') + QStringLiteral(" …");
        return text;
    }
    if (role == Qt::TextAlignmentRole && m_query->result()) {
        const auto kind = m_query->result()->kind(column);
        if (kind == ColumnKind::Decimal || kind == ColumnKind::Integer)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

QVariant TableEditModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_query ? m_query->columnNames().value(section) : QString();
    if (m_state == State::Insert && section == queryRows())
        return QStringLiteral("*");
    return section + 1;
}

Qt::ItemFlags TableEditModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (m_writable && isOpen())
        f |= Qt::ItemIsEditable;
    return f;
}

bool TableEditModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !m_writable || !index.isValid() || index.row() != m_current
        || index.column() >= columnCount())
        return false;
    const int row = index.row();
    const int column = index.column();
    const bool inserting = m_state == State::Insert && row == queryRows();
    if (!inserting && row >= queryRows())
        return false;
    QString text = value.toString();
    if (isMemoColumn(column))
        text = memoToDatabase(text);
    const QString original = inserting ? QString() : storedText(row, column);
    if (m_state == State::Browse) {
        if (text == original)
            return true;
        m_editRow = row;
        setState(State::Edit);
    }
    if (!inserting && text == original)
        m_buffer.remove(column);
    else
        m_buffer.insert(column, text);
    emit dataChanged(index, index);
    return true;
}

} // namespace orvena
