#include "registerbalancemodel.h"

#include "invoice/invoicetexts.h"

#include "billing/balanceview.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/money.h"

#include <QMetaObject>

namespace orvena {

RegisterBalanceModel::RegisterBalanceModel(Query& list, std::vector<Column> columns, const QString& numberField,
                                           QObject* parent)
    : NavStateModel(list, std::move(columns), numberField, parent),
      m_numberField(numberField),
      m_lookup(list.connection(), QStringLiteral("registerBalance"))
{
    // Re-read with the list: a payment or a storno changes the balances.
    connect(&list, &Query::rowsAboutToBeReplaced, this, [this] {
        m_balances.clear();
        m_read.clear();
        m_wanted.clear();
    });
    connect(&list, &Query::rowsReplaced, this, [this] { readAroundCurrent(); });
    readAroundCurrent();
}

QString RegisterBalanceModel::unreadableText()
{
    return QStringLiteral("nem olvasható");
}

int RegisterBalanceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : NavStateModel::columnCount(parent) + 2;
}

void RegisterBalanceModel::readAroundCurrent()
{
    const int rows = query().rowCount();
    if (rows == 0)
        return;
    const int current = std::clamp(query().currentRow(), 0, rows - 1) / kBlock;
    for (int block = std::max(0, current - 1); block <= current + 1 && block * kBlock < rows; ++block)
        readBlock(block);
}

void RegisterBalanceModel::readBlock(int block)
{
    if (m_read.contains(block))
        return;
    m_read.insert(block);
    const int first = block * kBlock;
    const int last = std::min(first + kBlock, query().rowCount());
    QStringList numbers;
    QStringList markers;
    for (int r = first; r < last; ++r) {
        numbers << query().text(r, m_numberField);
        markers << QStringLiteral(":p%1").arg(r - first);
    }
    if (numbers.isEmpty())
        return;
    try {
        QHash<QString, Balance> read;
        for (const QString& number : numbers)
            read.insert(number, {});
        m_lookup.setSql({QStringLiteral("SELECT eBszam, eHatralek, eRendezve, eKiallitva FROM %1 WHERE eBszam IN (%2)")
                             .arg(kBalanceView, markers.join(QStringLiteral(", ")))});
        for (qsizetype i = 0; i < numbers.size(); ++i)
            m_lookup.setText(QStringLiteral("p%1").arg(i), numbers.at(i));
        m_lookup.open();
        for (int r = 0; r < m_lookup.rowCount(); ++r) {
            const bool issued = m_lookup.text(r, 3) == u"1";
            read.insert(m_lookup.text(r, 0),
                        {m_lookup.text(r, 2), issued ? invoice::formatAmount(m_lookup.decimal(r, 1)) : QString(), false});
        }
        m_lookup.close();
        m_balances.insert(read);
    } catch (const Error& e) {
        // A lost connection (or a database without the view) must not look like invoices
        // without a balance: the rows say they could not be read until the list is read again.
        logFailure(lcScreens(), e, QStringLiteral("A számlák hátraléka nem olvasható."));
        for (const QString& number : numbers)
            m_balances.insert(number, {QString(), unreadableText(), true});
    }
}

void RegisterBalanceModel::readWanted()
{
    m_scheduled = false;
    const QSet<int> wanted = std::exchange(m_wanted, {});
    const int base = NavStateModel::columnCount();
    for (const int block : wanted) {
        if (m_read.contains(block) || block * kBlock >= query().rowCount())
            continue;
        readBlock(block);
        const int last = std::min((block + 1) * kBlock, query().rowCount()) - 1;
        emit dataChanged(index(block * kBlock, base), index(last, base + 1), {Qt::DisplayRole});
    }
}

QVariant RegisterBalanceModel::data(const QModelIndex& index, int role) const
{
    const int base = NavStateModel::columnCount();
    if (!index.isValid() || index.column() < base)
        return NavStateModel::data(index, role);
    if (role == Qt::TextAlignmentRole && index.column() == base + 1)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const auto found = m_balances.constFind(query().text(index.row(), m_numberField));
    if (found == m_balances.constEnd()) {
        // Asked for while painting: read after this paint, then shown.
        m_wanted.insert(index.row() / kBlock);
        if (!m_scheduled) {
            m_scheduled = true;
            auto* self = const_cast<RegisterBalanceModel*>(this);
            QMetaObject::invokeMethod(self, [self] { self->readWanted(); }, Qt::QueuedConnection);
        }
        return {};
    }
    if (role == Qt::ToolTipRole)
        return found->unreadable ? QStringLiteral("A hátralék nem olvasható az adatbázisból; a lista frissítésekor "
                                                  "újra megpróbálja.")
                                 : QVariant();
    return index.column() == base ? found->settledOn : found->balance;
}

QVariant RegisterBalanceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const int base = NavStateModel::columnCount();
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= base)
        return section == base ? QStringLiteral("Fizetve") : QStringLiteral("Hátralék");
    return NavStateModel::headerData(section, orientation, role);
}

} // namespace orvena
