#pragma once
// A table model over a shared query object: the screen's column titles and order, cells
// converted only when shown, reset whenever the query's rows are replaced.
#include "db/query.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

namespace orvena {

class QueryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field; // column name in the result (case-insensitive)
        QString title; // column title shown in the grid
    };
    // No columns given: every column of the result, titled by its name.
    explicit QueryTableModel(Query& query, std::vector<Column> columns = {}, QObject* parent = nullptr);

    Query& query() const { return *m_query; }
    void setColumns(std::vector<Column> columns);
    const std::vector<Column>& columns() const { return m_columns; }
    QString fieldOfColumn(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void remap();

    QPointer<Query> m_query;
    std::vector<Column> m_columns;
    std::vector<int> m_resultColumn; // result column of each model column, -1 if missing
};

} // namespace orvena
