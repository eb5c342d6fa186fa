#pragma once
// Ties a grid to its query: the highlighted row follows the query's current row and a click
// moves the current row, so "the list's current row" is one thing everywhere.
#include "screens/common/querytablemodel.h"

#include <QWidget>

class QTableView;
class QToolButton;

namespace orvena {

void bindGridToQuery(QTableView* view, QueryTableModel* model);

// The four-button navigator bar (first, prior, next, last) bound to a query.
class NavigatorBar : public QWidget {
    Q_OBJECT
public:
    explicit NavigatorBar(Query& query, QWidget* parent = nullptr);

private:
    void updateButtons();
    Query& m_query;
    QToolButton* m_first;
    QToolButton* m_prior;
    QToolButton* m_next;
    QToolButton* m_last;
};

} // namespace orvena
