#pragma once
// Small widget bindings of the invoice screens: edit fields that follow a model field both ways,
// and read-only displays that follow a shared query's current row.
#include "db/query.h"
#include "screens/common/ui/keyhandling.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>

namespace orvena::invoice {

// The field shows the model's text; every change of what it shows goes back to the model, so
// the model holds exactly the text on screen (a paste the field's filter cleaned included).
template<typename Model>
void bindEdit(QLineEdit* edit, Model* model, typename Model::Field field)
{
    installFieldGuard(edit);
    edit->setText(model->field(field));
    QObject::connect(edit, &QLineEdit::textChanged, model, [model, field](const QString& text) {
        if (text != model->field(field))
            model->setField(field, text);
    });
    QObject::connect(model, &Model::fieldChanged, edit, [edit, model, field](int changed) {
        if (changed == field && edit->text() != model->field(field))
            edit->setText(model->field(field));
    });
}

template<typename Model>
void bindMemo(QPlainTextEdit* edit, Model* model, typename Model::Field field)
{
    installFieldGuard(edit);
    edit->setPlainText(model->field(field));
    QObject::connect(edit, &QPlainTextEdit::textChanged, model, [edit, model, field] {
        if (edit->toPlainText() != model->field(field))
            model->setField(field, edit->toPlainText());
    });
    QObject::connect(model, &Model::fieldChanged, edit, [edit, model, field](int changed) {
        if (changed == field && edit->toPlainText() != model->field(field))
            edit->setPlainText(model->field(field));
    });
}

// A read-only field showing columns of the query's current row, joined by a blank.
QLineEdit* queryField(Query& query, const QStringList& columns, QWidget* parent);
// A read-only memo showing one column of the query's current row.
QPlainTextEdit* queryMemo(Query& query, const QString& column, QWidget* parent);
// A read-only field that the program fills.
QLineEdit* readOnlyField(QWidget* parent);

} // namespace orvena::invoice
