#pragma once
// The invoice register TForm8 "Számlázás".
#include "invoice/invoiceregister.h"

#include <QDialog>

class QLayout;

namespace orvena {

class InvoiceRegisterDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog).
    InvoiceRegisterDialog(ScreenContext& context, InvoiceRegister* model, QWidget* parent = nullptr);
    InvoiceRegister* model() const { return m_model; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildCustomerPage(ScreenContext& context);
    QWidget* buildHeader(Query& list);
    QLayout* buildButtons(ScreenContext& context);

    InvoiceRegister* m_model;
    bool m_shown = false;
};

} // namespace orvena
