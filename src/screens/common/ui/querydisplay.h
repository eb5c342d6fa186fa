#pragma once
// Read-only displays that follow the current row of a shared query (the master-data details and
// stored address blocks beside the composition and register screens): they show nothing while
// the query is closed, has no current row or lacks the column.
#include "db/query.h"

#include <QStringList>
#include <vector>

class QGroupBox;
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

// A captioned read-only value of a details panel: the columns are shown side by side; a value
// of two lines (a second name line, a second account) lists the second line's columns below
// where the panel shows lines, after the first where it shows one line.
struct DetailCell {
    QString caption;
    QStringList columns;
    QStringList secondLine = {};
};
// A page with the group box `title` at its top: labelled fields following the query's current
// row, two to a row (the first value column wider).
QWidget* detailsPage(const QString& title, Query& query, const std::vector<DetailCell>& cells, QWidget* parent);
// The group `title` of a register's highlighted document: captioned read-only fields following
// the query's current row, `perRow` to a row, each field named "header_" and its first column.
// Its layout is a QGridLayout, for a caller's own last row.
QGroupBox* headerGroup(const QString& title, Query& query, const std::vector<DetailCell>& cells, int perRow,
                       QWidget* parent);

} // namespace orvena
