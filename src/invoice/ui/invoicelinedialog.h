#pragma once
// The invoice line screen TForm10 "Új számlasor".
#include "invoice/invoiceline.h"

#include <QDialog>
#include <map>

class QGridLayout;
class QLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace orvena {

class InvoiceLineDialog : public QDialog {
    Q_OBJECT
public:
    // Takes ownership of the model.
    InvoiceLineDialog(InvoiceLineEditor* model, QWidget* parent = nullptr);
    InvoiceLineEditor* model() const { return m_model; }
    QWidget* widgetFor(int field) const;

private:
    QGridLayout* buildFields(QPushButton* articleButton, QPushButton* vatButton);
    QWidget* buildAmounts();
    QLayout* buildIdRow();
    QLineEdit* edit(InvoiceLineEditor::Field field);
    QLineEdit* shown(InvoiceLineEditor::Field field);

    InvoiceLineEditor* m_model;
    std::map<int, QWidget*> m_widgets;
};

} // namespace orvena
