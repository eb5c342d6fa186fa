#pragma once
// Read-only displays that follow the current row of a shared query: the master-data groups
// and the stored address blocks on the delivery-note screens.
#include "db/query.h"

#include <QStringList>
#include <vector>

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace orvena::delivery {

struct DetailRow {
    QString label;
    QStringList columns; // shown side by side, joined by a blank
};

// A line edit showing the columns of the query's current row (empty while it has none).
void bindDisplay(QLineEdit* display, Query& query, const QStringList& columns);
// A read-only memo showing a memo column of the query's current row.
void bindMemoDisplay(QPlainTextEdit* memo, Query& query, const QString& column);
// A group box of labelled read-only displays, laid out in `columns` label/value pairs per row.
QGroupBox* makeDetailGroup(const QString& title, Query& query, const std::vector<DetailRow>& rows,
                           QWidget* parent, int columns = 2);

} // namespace orvena::delivery
