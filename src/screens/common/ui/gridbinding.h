#pragma once
// Ties a grid to its query: the highlighted row follows the query's current row and a click
// moves the current row, so "the list's current row" is one thing everywhere.
#include "screens/common/querytablemodel.h"

#include <QWidget>
#include <functional>

class QTableView;
class QToolButton;

namespace orvena {

void bindGridToQuery(QTableView* view, QueryTableModel* model);

// Each column as wide as its title and its values in the first rows and around the current row
// (a long list is never scanned), at most `widest` pixels; again whenever the rows are replaced.
void fitColumnsToContent(QTableView* view, int widest = 420);

// Typing in the grid locates instead of the grid's own search (which would read every row of a
// paged list): the characters typed without a pause are handed to locate, with continuing false
// for the first one of a search (start after the highlighted row) and true for the ones that
// extend it (start on the highlighted row). Keys with Ctrl or Alt and navigation keys stay the
// grid's.
void installTypeToLocate(QTableView* view, std::function<void(const QString& typed, bool continuing)> locate);

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
