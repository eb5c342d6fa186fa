#pragma once
// The "Kintlévőségek" list: a line per customer and currency with its total, its open invoices
// right under it. Built over the rows the list read, without an item per cell and as one flat
// list (a tree view keeps a tracked index per open branch, and twenty thousand of them made
// opening and closing the window take seconds): a hundred thousand open invoices open at once,
// and only the lines on screen are formatted.
#include "invoice/receivables.h"

#include <QAbstractItemModel>
#include <memory>
#include <vector>

namespace orvena {

class ReceivablesTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { Name, Issued, Due, Days, Currency, Payable, Paid, Balance, Count };
    // The customer's code, on its line and its invoices' lines.
    static constexpr int kCustomerRole = Qt::UserRole + 1;

    explicit ReceivablesTreeModel(QObject* parent = nullptr);
    // The rows and totals of the list just read, in its order.
    void reset(const Receivables& list);

    // Whether the line is a customer's (its total), not an invoice's.
    bool isCustomerLine(int row) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // By the value behind the text (dates, days, amounts), texts as the language orders them; the
    // customers among themselves and each customer's invoices among themselves. Column -1 puts
    // back the list's own order (by name, then due date).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Group {
        ReceivableTotal total;
        std::vector<int> rows; // into m_rows
        int listOrder = 0;
    };
    // A line: its customer's group, and its invoice (-1 on the customer's own line).
    struct Line {
        int group;
        int row;
    };
    void sortGroups(int column, Qt::SortOrder order);
    void sortInvoices(int column, Qt::SortOrder order);
    void layLines();

    std::shared_ptr<const std::vector<Receivable>> m_rows = std::make_shared<const std::vector<Receivable>>();
    std::vector<Group> m_groups;
    std::vector<Line> m_lines;
};

} // namespace orvena
