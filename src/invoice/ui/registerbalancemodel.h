#pragma once
// The invoice list with the payment columns at its end, after "NAV": "Fizetve" (the day an
// issued invoice was settled) and "Hátralék" (its balance). The balances are read from the view
// szlaegyenleg a block of rows at a time, never for the whole table: the blocks around the list's
// current row together with the list, further blocks once the grid has asked for them (after the
// paint that asked, never while painting). A block that cannot be read is logged and its rows say
// so, unlike an invoice not issued, whose balance is empty.
#include "navsend/ui/navstatemodel.h"

#include <QHash>
#include <QSet>

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
    // What a row whose balance could not be read shows in "Hátralék".
    static QString unreadableText();

private:
    struct Balance {
        QString settledOn; // program form, empty while open
        QString balance;   // empty for an invoice not issued
        bool unreadable = false;
    };
    // Reads the blocks around the list's current row (the rows a re-read list shows first).
    void readAroundCurrent();
    // Reads one block of rows unless it has been read since the list was.
    void readBlock(int block);
    // Reads the blocks the grid asked for and tells the grid.
    void readWanted();

    QString m_numberField;
    Query m_lookup;
    QHash<QString, Balance> m_balances;
    QSet<int> m_read;           // blocks read since the list was
    mutable QSet<int> m_wanted; // blocks the grid asked for, read after the paint
    mutable bool m_scheduled = false;
};

} // namespace orvena
