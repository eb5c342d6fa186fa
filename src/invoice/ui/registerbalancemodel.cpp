#include "registerbalancemodel.h"

#include "invoice/invoicetexts.h"

#include "db/money.h"
#include "billing/balanceview.h"
#include "db/errors.h"

namespace orvena {

RegisterBalanceModel::RegisterBalanceModel(Query& list, std::vector<Column> columns, const QString& numberField,
                                           QObject* parent)
    : NavStateModel(list, std::move(columns), numberField, parent),
      m_numberField(numberField),
      m_lookup(list.connection(), QStringLiteral("registerBalance"))
{
    // Re-read with the list: a payment or a storno changes the balances.
    connect(&list, &Query::rowsAboutToBeReplaced, this, [this] { m_balances.clear(); });
}

int RegisterBalanceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : NavStateModel::columnCount(parent) + 2;
}

const RegisterBalanceModel::Balance& RegisterBalanceModel::balanceOf(int row) const
{
    static const Balance none;
    const QString number = query().text(row, m_numberField);
    if (const auto found = m_balances.constFind(number); found != m_balances.constEnd())
        return *found;
    // The block of rows around it, by number, in one statement.
    const int first = row - row % kBlock;
    const int last = std::min(first + kBlock, query().rowCount());
    QStringList numbers;
    QStringList markers;
    for (int r = first; r < last; ++r) {
        numbers << query().text(r, m_numberField);
        markers << QStringLiteral(":p%1").arg(r - first);
        m_balances.insert(numbers.back(), none);
    }
    try {
        m_lookup.setSql({QStringLiteral("SELECT eBszam, eHatralek, eRendezve, eKiallitva FROM %1 WHERE eBszam IN (%2)")
                             .arg(kBalanceView, markers.join(QStringLiteral(", ")))});
        for (qsizetype i = 0; i < numbers.size(); ++i)
            m_lookup.setText(QStringLiteral("p%1").arg(i), numbers.at(i));
        m_lookup.open();
        for (int r = 0; r < m_lookup.rowCount(); ++r) {
            const bool issued = m_lookup.text(r, 3) == u"1";
            m_balances.insert(m_lookup.text(r, 0),
                              {m_lookup.text(r, 2),
                               issued ? invoice::formatAmount(m_lookup.decimal(r, 1)) : QString()});
        }
        m_lookup.close();
    } catch (const Error&) {
        // A database without the view (or a lost connection) shows the columns empty.
    }
    m_balances.insert(number, m_balances.value(number));
    return *m_balances.constFind(number);
}

QVariant RegisterBalanceModel::data(const QModelIndex& index, int role) const
{
    const int base = NavStateModel::columnCount();
    if (!index.isValid() || index.column() < base)
        return NavStateModel::data(index, role);
    if (role == Qt::TextAlignmentRole && index.column() == base + 1)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const Balance& b = balanceOf(index.row());
    return index.column() == base ? b.settledOn : b.balance;
}

QVariant RegisterBalanceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const int base = NavStateModel::columnCount();
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= base)
        return section == base ? QStringLiteral("Fizetve") : QStringLiteral("Hátralék");
    return NavStateModel::headerData(section, orientation, role);
}

} // namespace orvena
