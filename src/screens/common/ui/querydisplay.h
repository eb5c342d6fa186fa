#pragma once
// Read-only displays that follow the current row of a shared query (the master-data details and
// stored address blocks beside the composition and register screens): they show nothing while
// the query is closed, has no current row or lacks the column.
#include "db/query.h"

#include <QStringList>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace orvena {

// The line edit shows the columns of the current row, joined by a blank (empty ones left out).
void followColumns(QLineEdit* display, Query& query, const QStringList& columns);
// The memo shows a memo column of the current row.
void followMemo(QPlainTextEdit* memo, Query& query, const QString& column);
// A read-only field that the program fills: not focusable, drawn in the window's colour.
QLineEdit* readOnlyField(QWidget* parent);
// A read-only field following columns of the query's current row.
QLineEdit* queryField(Query& query, const QStringList& columns, QWidget* parent);
// A read-only, not focusable memo following a memo column of the query's current row.
QPlainTextEdit* queryMemo(Query& query, const QString& column, QWidget* parent);

// A labelled read-only field of a details page: the columns are shown side by side.
struct DetailCell {
    QString caption;
    QStringList columns;
};
// A page with the group box `title` at its top: labelled fields following the query's current
// row, two to a row (the first value column wider).
QWidget* detailsPage(const QString& title, Query& query, const std::vector<DetailCell>& cells, QWidget* parent);

} // namespace orvena
