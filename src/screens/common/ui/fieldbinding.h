#pragma once
// Two-way binding of line edits and memos to a screen model's fields (a model with Field,
// field(), setField() and the signal fieldChanged(int)): every change of what the widget shows
// writes the field, so the model holds exactly the text on screen (a paste the field's filter
// cleaned included); a change in the model rewrites the widget.
#include "keyhandling.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace orvena {

template<typename Model>
void bindField(QLineEdit* edit, Model* model, typename Model::Field field)
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

// Where a memo's cursor stands after the model rewrote it.
enum class MemoCursor { Start, End };

template<typename Model>
void bindField(QPlainTextEdit* memo, Model* model, typename Model::Field field, MemoCursor cursor = MemoCursor::Start)
{
    installFieldGuard(memo);
    memo->setPlainText(model->field(field));
    QObject::connect(memo, &QPlainTextEdit::textChanged, model, [memo, model, field] {
        if (memo->toPlainText() != model->field(field))
            model->setField(field, memo->toPlainText());
    });
    QObject::connect(model, &Model::fieldChanged, memo, [memo, model, field, cursor](int changed) {
        if (changed == field && memo->toPlainText() != model->field(field)) {
            memo->setPlainText(model->field(field));
            if (cursor == MemoCursor::End)
                memo->moveCursor(QTextCursor::End);
        }
    });
}

} // namespace orvena
