#include "detailpanel.h"

#include "db/memotext.h"
#include "screens/common/ui/querydisplay.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace orvena::delivery {

void bindDisplay(QLineEdit* display, Query& query, const QStringList& columns)
{
    display->setReadOnly(true);
    display->setFocusPolicy(Qt::NoFocus);
    followColumns(display, query, columns);
}

void bindMemoDisplay(QPlainTextEdit* memo, Query& query, const QString& column)
{
    memo->setReadOnly(true);
    followMemo(memo, query, column);
}

QGroupBox* makeDetailGroup(const QString& title, Query& query, const std::vector<DetailRow>& rows, QWidget* parent,
                           int columns)
{
    auto* group = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(group);
    int index = 0;
    for (const DetailRow& row : rows) {
        auto* display = new QLineEdit(group);
        bindDisplay(display, query, row.columns);
        auto* label = new QLabel(row.label, group);
        label->setBuddy(display);
        const int r = index / columns;
        const int c = (index % columns) * 2;
        grid->addWidget(label, r, c);
        grid->addWidget(display, r, c + 1);
        grid->setColumnStretch(c + 1, 1);
        ++index;
    }
    grid->setRowStretch(grid->rowCount(), 1);
    return group;
}

} // namespace orvena::delivery
