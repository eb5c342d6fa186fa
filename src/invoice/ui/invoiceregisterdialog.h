#pragma once
// The invoice register TForm8 "Számlázás".
#include "invoice/invoiceregister.h"

#include <QDialog>

class QPushButton;

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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCustomerPage(ScreenContext& context);

    InvoiceRegister* m_model;
    QPushButton* m_modify = nullptr;
    bool m_shown = false;
};

} // namespace orvena
