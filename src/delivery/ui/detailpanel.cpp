#include "detailpanel.h"

#include "db/memotext.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace orvena::delivery {

namespace {

QString currentText(const Query& query, const QString& column)
{
    if (!query.isOpen() || query.currentRow() < 0 || !query.hasColumn(column))
        return {};
    return query.fieldText(column);
}

template<typename Widget, typename Update>
void follow(Widget* widget, Query& query, Update update)
{
    QObject::connect(&query, &Query::rowsReplaced, widget, update);
    QObject::connect(&query, &Query::currentRowChanged, widget, update);
    update();
}

} // namespace

void bindDisplay(QLineEdit* display, Query& query, const QStringList& columns)
{
    display->setReadOnly(true);
    display->setFocusPolicy(Qt::NoFocus);
    Query* q = &query;
    follow(display, query, [display, q, columns] {
        QStringList parts;
        for (const QString& column : columns) {
            const QString text = currentText(*q, column);
            if (!text.isEmpty())
                parts << text;
        }
        display->setText(parts.join(u' '));
        display->setCursorPosition(0);
    });
}

void bindMemoDisplay(QPlainTextEdit* memo, Query& query, const QString& column)
{
    memo->setReadOnly(true);
    Query* q = &query;
    follow(memo, query, [memo, q, column] { memo->setPlainText(memoFromDatabase(currentText(*q, column))); });
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
