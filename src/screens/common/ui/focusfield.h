#pragma once
// Focus that the program moves itself (after a chooser, after a validation message): the field's
// text is selected, so what the operator types next replaces it instead of joining it.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

namespace orvena {

inline void focusForTyping(QWidget* field)
{
    if (!field)
        return;
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(field))
        memo->selectAll();
}

} // namespace orvena
