#include "receivablesmodel.h"

#include "db/conversions.h"
#include "invoice/invoicetexts.h"

#include <QCollator>
#include <QColor>
#include <QFont>
#include <QHash>
#include <algorithm>
#include <numeric>

namespace orvena {

namespace {

QString amount(Money value)
{
    return invoice::formatAmount(value.exact());
}

// The overdue colours: from the first day, from the 30th and from the 60th.
QColor overdueColour(int level)
{
    switch (level) {
    case 1: return QColor(255, 244, 179);
    case 2: return QColor(255, 204, 128);
    case 3: return QColor(255, 153, 153);
    default: return {};
    }
}

bool isAmount(int column)
{
    return column == ReceivablesTreeModel::Payable || column == ReceivablesTreeModel::Paid ||
           column == ReceivablesTreeModel::Balance;
}

QString customerText(const ReceivableTotal& t)
{
    return QStringLiteral("%1 (%2)").arg(t.customerName, t.customerCode);
}

// Sorts `items` by a key read once per item: a text column by the language's collation keys, the
// others by their values; equal keys keep their order.
template <typename Item, typename Value>
void sortByKey(std::vector<Item>& items, Qt::SortOrder order, Value value)
{
    using Key = decltype(value(items.front()));
    std::vector<std::pair<Key, size_t>> keys;
    keys.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        keys.emplace_back(value(items[i]), i);
    std::stable_sort(keys.begin(), keys.end(), [order](const auto& a, const auto& b) {
        return order == Qt::AscendingOrder ? a.first < b.first : b.first < a.first;
    });
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(items[key.second]));
    items = std::move(sorted);
}

} // namespace

ReceivablesTreeModel::ReceivablesTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void ReceivablesTreeModel::reset(const Receivables& list)
{
    beginResetModel();
    m_rows = list.sharedRows();
    m_groups.clear();
    QHash<QString, size_t> groupOf; // customer code and currency -> its line
    const std::vector<ReceivableTotal> totals = list.customerTotals();
    for (const ReceivableTotal& t : totals) {
        groupOf.insert(t.customerCode + u'\x1f' + t.currency, m_groups.size());
        m_groups.push_back({t, {}, static_cast<int>(m_groups.size())});
    }
    for (size_t r = 0; r < m_rows->size(); ++r)
        m_groups[groupOf.value((*m_rows)[r].customerCode + u'\x1f' + (*m_rows)[r].currency)].rows.push_back(static_cast<int>(r));
    layLines();
    endResetModel();
}

void ReceivablesTreeModel::layLines()
{
    m_lines.clear();
    m_lines.reserve(m_groups.size() + m_rows->size());
    for (size_t g = 0; g < m_groups.size(); ++g) {
        m_lines.push_back({static_cast<int>(g), -1});
        for (int r : m_groups[g].rows)
            m_lines.push_back({static_cast<int>(g), r});
    }
}

bool ReceivablesTreeModel::isCustomerLine(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < m_lines.size() && m_lines[static_cast<size_t>(row)].row < 0;
}

QModelIndex ReceivablesTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    return hasIndex(row, column, parent) ? createIndex(row, column) : QModelIndex();
}

QModelIndex ReceivablesTreeModel::parent(const QModelIndex&) const
{
    return {};
}

int ReceivablesTreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

int ReceivablesTreeModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count;
}

QVariant ReceivablesTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    if (role == Qt::TextAlignmentRole && isAmount(column))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    const Line line = m_lines[static_cast<size_t>(index.row())];
    if (line.row < 0) {
        const ReceivableTotal& t = m_groups[static_cast<size_t>(line.group)].total;
        if (role == kCustomerRole)
            return t.customerCode;
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (role != Qt::DisplayRole)
            return {};
        switch (column) {
        case Name: return customerText(t);
        case Days: return QString::number(t.maxDaysOverdue);
        case Currency: return t.currency;
        case Balance: return amount(t.balance);
        default: return {};
        }
    }
    const Receivable& r = (*m_rows)[static_cast<size_t>(line.row)];
    if (role == kCustomerRole)
        return r.customerCode;
    if (role == Qt::BackgroundRole) {
        const QColor colour = overdueColour(overdueLevel(r.daysOverdue));
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case Name: return r.number;
    case Issued: return formatDate(r.issued);
    case Due: return formatDate(r.due);
    case Days: return QString::number(r.daysOverdue);
    case Currency: return r.currency;
    case Payable: return amount(r.payable);
    case Paid: return amount(r.paid);
    case Balance: return amount(r.balance);
    default: return {};
    }
}

QVariant ReceivablesTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList titles{QStringLiteral("Vevő / számla"), QStringLiteral("Kelte"),
                                    QStringLiteral("Fiz. határidő"), QStringLiteral("Késés (nap)"),
                                    QStringLiteral("Pénznem"), QStringLiteral("Fizetendő"),
                                    QStringLiteral("Fizetve"), QStringLiteral("Hátralék")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= Count)
        return {};
    return titles.at(section);
}

void ReceivablesTreeModel::sort(int column, Qt::SortOrder order)
{
    emit layoutAboutToBeChanged();
    // The tracked lines (the current one) by what they show: their customer's line in the list's
    // order and their invoice; found again after the sort.
    const QModelIndexList before = persistentIndexList();
    std::vector<std::pair<int, int>> places;
    for (const QModelIndex& i : before) {
        const Line line = m_lines[static_cast<size_t>(i.row())];
        places.emplace_back(m_groups[static_cast<size_t>(line.group)].listOrder, line.row);
    }
    sortGroups(column, order);
    sortInvoices(column, order);
    layLines();
    QHash<std::pair<int, int>, int> lineOf;
    for (size_t l = 0; !places.empty() && l < m_lines.size(); ++l)
        lineOf.insert({m_groups[static_cast<size_t>(m_lines[l].group)].listOrder, m_lines[l].row}, static_cast<int>(l));
    QModelIndexList after;
    for (size_t k = 0; k < places.size(); ++k)
        after << createIndex(lineOf.value(places[k]), before[static_cast<qsizetype>(k)].column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void ReceivablesTreeModel::sortGroups(int column, Qt::SortOrder order)
{
    if (m_groups.empty())
        return;
    QCollator collator;
    switch (column) {
    case Name: sortByKey(m_groups, order, [&](const Group& g) { return collator.sortKey(customerText(g.total)); }); break;
    case Currency: sortByKey(m_groups, order, [&](const Group& g) { return collator.sortKey(g.total.currency); }); break;
    case Days: sortByKey(m_groups, order, [](const Group& g) { return g.total.maxDaysOverdue; }); break;
    case Balance: sortByKey(m_groups, order, [](const Group& g) { return g.total.balance.filler(); }); break;
    case -1: sortByKey(m_groups, Qt::AscendingOrder, [](const Group& g) { return g.listOrder; }); break;
    default: break; // a column the customers' lines leave empty
    }
}

void ReceivablesTreeModel::sortInvoices(int column, Qt::SortOrder order)
{
    QCollator collator;
    const auto row = [this](int r) -> const Receivable& { return (*m_rows)[static_cast<size_t>(r)]; };
    for (Group& g : m_groups) {
        std::vector<int>& rows = g.rows;
        if (rows.empty())
            continue;
        switch (column) {
        case Name: sortByKey(rows, order, [&](int r) { return collator.sortKey(row(r).number); }); break;
        case Issued: sortByKey(rows, order, [&](int r) { return row(r).issued; }); break;
        case Due: sortByKey(rows, order, [&](int r) { return row(r).due; }); break;
        case Days: sortByKey(rows, order, [&](int r) { return row(r).daysOverdue; }); break;
        case Currency: sortByKey(rows, order, [&](int r) { return collator.sortKey(row(r).currency); }); break;
        case Payable: sortByKey(rows, order, [&](int r) { return row(r).payable.filler(); }); break;
        case Paid: sortByKey(rows, order, [&](int r) { return row(r).paid.filler(); }); break;
        case Balance: sortByKey(rows, order, [&](int r) { return row(r).balance.filler(); }); break;
        default: std::sort(rows.begin(), rows.end()); break; // the list's own order
        }
    }
}

} // namespace orvena
