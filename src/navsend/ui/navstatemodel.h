#pragma once
// The invoice list with one more column at its end, "NAV": the reporting state of each invoice
// from szlanav (empty for an invoice not issued, or issued before documents were stored).
#include "screens/common/querytablemodel.h"

#include <QHash>

namespace orvena {

class NavStateModel : public QueryTableModel {
    Q_OBJECT
public:
    // numberField: the list's invoice-number column.
    NavStateModel(Query& list, std::vector<Column> columns, const QString& numberField, QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void reload();

    Query m_states;
    QString m_numberField;
    QHash<QString, QString> m_state; // invoice number -> nAllapot
};

} // namespace orvena
