#include "querytablemodel.h"

namespace orvena {

QueryTableModel::QueryTableModel(Query& query, std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_query(&query), m_columns(std::move(columns))
{
    connect(&query, &Query::rowsAboutToBeReplaced, this, [this] { beginResetModel(); });
    connect(&query, &Query::rowsReplaced, this, [this] {
        remap();
        endResetModel();
    });
    remap();
}

void QueryTableModel::setColumns(std::vector<Column> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    remap();
    endResetModel();
}

void QueryTableModel::remap()
{
    m_resultColumn.clear();
    if (!m_query)
        return;
    if (m_columns.empty()) {
        for (int c = 0; c < m_query->columnCount(); ++c)
            m_resultColumn.push_back(c);
        return;
    }
    for (const auto& col : m_columns)
        m_resultColumn.push_back(m_query->columnIndex(col.field));
}

QString QueryTableModel::fieldOfColumn(int column) const
{
    if (!m_columns.empty())
        return column >= 0 && column < static_cast<int>(m_columns.size()) ? m_columns[static_cast<size_t>(column)].field
                                                                          : QString();
    return m_query ? m_query->columnNames().value(column) : QString();
}

int QueryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_query ? 0 : m_query->rowCount();
}

int QueryTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_columns.empty() ? static_cast<int>(m_resultColumn.size()) : static_cast<int>(m_columns.size());
}

QVariant QueryTableModel::data(const QModelIndex& index, int role) const
{
    if (!m_query || !index.isValid() || index.column() >= static_cast<int>(m_resultColumn.size()))
        return {};
    const int rc = m_resultColumn[static_cast<size_t>(index.column())];
    if (rc < 0)
        return {};
    if (role == Qt::DisplayRole) {
        // A paged list reads the row's page now, while the grid paints: no box may open here, so
        // a lost connection leaves the cell empty and is asked about at the operator's next step.
        Connection& connection = m_query->connection();
        const bool wasUnattended = connection.setUnattended(true);
        QString t;
        try {
            t = m_query->text(index.row(), rc);
        } catch (const Error&) {
            connection.setUnattended(wasUnattended);
            return {};
        }
        connection.setUnattended(wasUnattended);
        if (t.contains(u'\n')) // memo columns show their first line
            t = t.section(u'\n', 0, 0).remove(u'\r') + QStringLiteral(" …");
        return t;
    }
    if (role == Qt::TextAlignmentRole && m_query->isOpen()) {
        const auto kind = m_query->columnKind(rc);
        if (kind == ColumnKind::Decimal || kind == ColumnKind::Integer)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (!m_columns.empty())
        return section < static_cast<int>(m_columns.size()) ? m_columns[static_cast<size_t>(section)].title : QString();
    return m_query ? m_query->columnNames().value(section) : QString();
}

} // namespace orvena
