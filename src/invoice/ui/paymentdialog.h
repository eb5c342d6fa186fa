#pragma once
// "Fizetés": the payments of one issued invoice, opened from the invoice register; and the small
// entry dialog of a new payment ("Új").
#include "invoice/payments.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;

namespace orvena {

class PaymentEntryDialog : public QDialog {
    Q_OBJECT
public:
    // store: books the typed payment; the dialog closes only when it says it was stored.
    PaymentEntryDialog(const PaymentEntry& suggested, std::function<bool(const PaymentEntry&)> store,
                       QWidget* parent = nullptr);
    PaymentEntry entry() const;

private:
    QLineEdit* m_date;
    QLineEdit* m_amount;
    QLineEdit* m_method;
    QLineEdit* m_note;
};

class PaymentDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog); the model has been opened.
    PaymentDialog(ScreenContext& context, InvoicePayments* model, QWidget* parent = nullptr);
    InvoicePayments* model() const { return m_model; }

private:
    void showAmounts();

    ScreenContext& m_context;
    InvoicePayments* m_model;
    QLabel* m_payable;
    QLabel* m_paid;
    QLabel* m_balance;
};

} // namespace orvena
