#pragma once
// The pages the invoice and proforma registers share: a read-only grid over a list query and the
// tab that holds it, with the list's navigator under it.
#include "screens/common/querytablemodel.h"

#include <functional>
#include <vector>

class QTabWidget;
class QTableView;
class QWidget;

namespace orvena {

// The grid's model over the query's columns, made with the view as its parent.
using GridModelMaker =
    std::function<QueryTableModel*(Query& query, std::vector<QueryTableModel::Column> columns, QTableView* view)>;

// A read-only grid named `name` over query's columns (a plain QueryTableModel unless `makeModel`
// makes another): the arrow keys move in the list, Tab goes on to the buttons.
QTableView* registerGrid(QWidget* parent, Query& query, std::vector<QueryTableModel::Column> columns,
                         const QString& name, const GridModelMaker& makeModel = {});

// A tab titled `title` holding a register grid; with `navigator`, the navigator of query under it.
QTableView* addGridPage(QTabWidget* tabs, const QString& title, Query& query,
                        std::vector<QueryTableModel::Column> columns, const QString& name, bool navigator,
                        const GridModelMaker& makeModel = {});

} // namespace orvena
