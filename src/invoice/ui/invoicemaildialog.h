#pragma once
// The e-mail screens' windows over their models: an invoice's addresses before it is sent
// (TEmailKuldes) and its e-mail log (TEmailNaplo).
#include "mail/mailscreens.h"

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace orvena {

// An e-mail window's "Küld" and "Mégsem" row under its address field: "Küld" calls `send` with
// the addresses and closes the window when it went, else the field takes the focus for an
// address; Enter in the field moves on to "Küld".
void addSendButtons(QDialog* dialog, QVBoxLayout* layout, const QString& sendTip, QLineEdit* addresses,
                    const std::function<bool(const QString&)>& send);

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
