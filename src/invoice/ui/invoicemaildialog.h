#pragma once
// The e-mail screens' windows over their models: an invoice's addresses before it is sent
// (TEmailKuldes) and its e-mail log (TEmailNaplo).
#include "mail/mailscreens.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace orvena {

// The addresses, prefilled with the customer's; "Küld" sends and closes (or stays for an address).
class InvoiceMailDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog); the model has been prepared.
    InvoiceMailDialog(mail::InvoiceMailScreen* model, QWidget* parent);

private:
    mail::InvoiceMailScreen* m_model;
    QLineEdit* m_addresses = nullptr;
};

// The messages an invoice was sent in, newest first, with their delivery; "Újraküldés" sends the
// highlighted one's kept PDF again.
class InvoiceMailLogDialog : public QDialog {
    Q_OBJECT
public:
    // Takes over the model (its parent becomes the dialog) and reads the log.
    InvoiceMailLogDialog(mail::InvoiceMailLogScreen* model, QWidget* parent);

private:
    void fill();

    mail::InvoiceMailLogScreen* m_model;
    QTableWidget* m_table = nullptr;
    QPushButton* m_resend = nullptr;
};

} // namespace orvena
