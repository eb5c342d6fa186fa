#pragma once
// The invoice list with the payment columns at its end, after "NAV": "Fizetve" (the day an
// issued invoice was settled) and "Hátralék" (its balance). The balances are read from the view
// szlaegyenleg for the rows the grid shows, a block of rows at a time, never for the whole table.
#include "navsend/ui/navstatemodel.h"

#include <QHash>

namespace orvena {

class RegisterBalanceModel : public NavStateModel {
    Q_OBJECT
public:
    RegisterBalanceModel(Query& list, std::vector<Column> columns, const QString& numberField, QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Rows whose balances one statement reads (one parameter per number).
    static constexpr int kBlock = 25;

private:
    struct Balance {
        QString settledOn; // program form, empty while open
        QString balance;   // empty for an invoice not issued
    };
    const Balance& balanceOf(int row) const;

    QString m_numberField;
    mutable Query m_lookup;
    mutable QHash<QString, Balance> m_balances;
};

} // namespace orvena
