#include "registerpages.h"

#include "screens/common/ui/gridbinding.h"

#include <QHeaderView>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace orvena {

QTableView* registerGrid(QWidget* parent, Query& query, std::vector<QueryTableModel::Column> columns,
                         const QString& name, const GridModelMaker& makeModel)
{
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    bindGridToQuery(view, makeModel ? makeModel(query, std::move(columns), view)
                                      : new QueryTableModel(query, std::move(columns), view));
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The arrow keys move in the list; Tab goes on to the buttons.
    view->setTabKeyNavigation(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setDefaultSectionSize(90);
    return view;
}

QTableView* addGridPage(QTabWidget* tabs, const QString& title, Query& query,
                        std::vector<QueryTableModel::Column> columns, const QString& name, bool navigator,
                        const GridModelMaker& makeModel)
{
    auto* page = new QWidget(tabs);
    auto* layout = new QVBoxLayout(page);
    QTableView* grid = registerGrid(page, query, std::move(columns), name, makeModel);
    layout->addWidget(grid);
    if (navigator)
        layout->addWidget(new NavigatorBar(query, page), 0, Qt::AlignLeft);
    tabs->addTab(page, title);
    return grid;
}

} // namespace orvena
