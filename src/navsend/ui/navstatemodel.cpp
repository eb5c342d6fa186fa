#include "navstatemodel.h"

#include "db/errors.h"
#include "navsend/navqueue.h"

namespace orvena {

NavStateModel::NavStateModel(Query& list, std::vector<Column> columns, const QString& numberField, QObject* parent)
    : QueryTableModel(list, std::move(columns), parent),
      m_states(list.connection(), QStringLiteral("NAV_REGISTER")),
      m_numberField(numberField)
{
    // Re-read together with the list, so a just issued invoice shows its state.
    connect(&list, &Query::rowsAboutToBeReplaced, this, [this] { reload(); });
    reload();
}

void NavStateModel::reload()
{
    m_state.clear();
    try {
        m_states.setSql({QStringLiteral("SELECT nBszam, nAllapot FROM szlanav")});
        m_states.open();
        for (int r = 0; r < m_states.rowCount(); ++r)
            m_state.insert(m_states.text(r, 0), m_states.text(r, 1));
        m_states.close();
    } catch (const Error&) {
        // A database without the table shows the column empty.
    }
}

int NavStateModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : QueryTableModel::columnCount(parent) + 1;
}

QVariant NavStateModel::data(const QModelIndex& index, int role) const
{
    if (index.column() < QueryTableModel::columnCount())
        return QueryTableModel::data(index, role);
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    // the reporting state in words: Küldendő, Elküldve, Befogadva, ...
    return nav::stateText(m_state.value(query().text(index.row(), m_numberField)));
}

QVariant NavStateModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == QueryTableModel::columnCount() && role == Qt::DisplayRole)
        return QStringLiteral("NAV");
    return QueryTableModel::headerData(section, orientation, role);
}

} // namespace orvena
