#include "querydisplay.h"

#include "db/memotext.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace orvena {

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
    QObject::connect(&query, &Query::currentRowChanged, widget, update);
    QObject::connect(&query, &Query::rowsReplaced, widget, update);
    update();
}

} // namespace

void followColumns(QLineEdit* display, Query& query, const QStringList& columns)
{
    follow(display, query, [display, q = &query, columns] {
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

void followMemo(QPlainTextEdit* memo, Query& query, const QString& column)
{
    follow(memo, query, [memo, q = &query, column] { memo->setPlainText(memoFromDatabase(currentText(*q, column))); });
}

QLineEdit* readOnlyField(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    return edit;
}

QLineEdit* queryField(Query& query, const QStringList& columns, QWidget* parent)
{
    QLineEdit* edit = readOnlyField(parent);
    followColumns(edit, query, columns);
    return edit;
}

QPlainTextEdit* queryMemo(Query& query, const QString& column, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setReadOnly(true);
    memo->setFocusPolicy(Qt::NoFocus);
    followMemo(memo, query, column);
    return memo;
}

QWidget* detailsPage(const QString& title, Query& query, const std::vector<DetailCell>& cells, QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* pageLayout = new QVBoxLayout(page);
    auto* group = new QGroupBox(title, page);
    auto* form = new QGridLayout(group);
    for (size_t i = 0; i < cells.size(); ++i) {
        const int row = static_cast<int>(i / 2);
        const int col = static_cast<int>(i % 2) * 2;
        form->addWidget(new QLabel(cells[i].caption, group), row, col);
        form->addWidget(queryField(query, cells[i].columns + cells[i].secondLine, group), row, col + 1);
    }
    form->setColumnStretch(1, 2);
    form->setColumnStretch(3, 1);
    pageLayout->addWidget(group);
    pageLayout->addStretch();
    return page;
}

QGroupBox* headerGroup(const QString& title, Query& query, const std::vector<DetailCell>& cells, int perRow,
                       QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(group);
    for (size_t i = 0; i < cells.size(); ++i) {
        const int row = static_cast<int>(i) / perRow;
        const int col = static_cast<int>(i) % perRow * 2;
        QLineEdit* field = queryField(query, cells[i].columns, group);
        field->setObjectName(QStringLiteral("header_") + cells[i].columns.value(0));
        grid->addWidget(new QLabel(cells[i].caption, group), row, col);
        grid->addWidget(field, row, col + 1);
        grid->setColumnStretch(col + 1, 1);
    }
    return group;
}

} // namespace orvena
