#include "invoicewidgets.h"

#include "invoice/invoicetexts.h"

#include <QKeyEvent>
#include <QPushButton>

namespace orvena::invoice {

namespace {

// A display shows nothing while its query is closed or lacks the column.
QString displayed(const Query& query, const QString& column)
{
    if (!query.isOpen() || !query.hasColumn(column))
        return {};
    return query.fieldText(column);
}


} // namespace

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
    auto update = [edit, q = &query, columns] {
        QStringList parts;
        for (const QString& c : columns) {
            const QString text = displayed(*q, c);
            if (!text.isEmpty())
                parts << text;
        }
        edit->setText(parts.join(u' '));
        edit->setCursorPosition(0);
    };
    QObject::connect(&query, &Query::currentRowChanged, edit, update);
    QObject::connect(&query, &Query::rowsReplaced, edit, update);
    update();
    return edit;
}

QPlainTextEdit* queryMemo(Query& query, const QString& column, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setReadOnly(true);
    memo->setFocusPolicy(Qt::NoFocus);
    auto update = [memo, q = &query, column] { memo->setPlainText(memoFromDatabase(displayed(*q, column))); };
    QObject::connect(&query, &Query::currentRowChanged, memo, update);
    QObject::connect(&query, &Query::rowsReplaced, memo, update);
    update();
    return memo;
}

} // namespace orvena::invoice
