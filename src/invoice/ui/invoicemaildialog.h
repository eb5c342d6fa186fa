#pragma once
// Sending the highlighted invoice by e-mail from the register: the addresses (the customer's,
// editable), the sending, the outcome; and the invoice's e-mail log.
#include "screens/common/screencontext.h"

#include <QDialog>

class QLineEdit;

namespace orvena {

// Asks for the addresses and sends; returns when the outcome has been shown.
void sendInvoiceByMail(ScreenContext& context, const QString& invoiceNumber, QWidget* parent);

// The addresses, prefilled with the customer's; "Küld" accepts.
class InvoiceMailDialog : public QDialog {
public:
    InvoiceMailDialog(const QString& invoiceNumber, const QString& addresses, bool issues, QWidget* parent);
    QString addresses() const;

private:
    QLineEdit* m_addresses = nullptr;
};

// The messages an invoice was sent in, newest first.
class InvoiceMailLogDialog : public QDialog {
public:
    InvoiceMailLogDialog(ScreenContext& context, const QString& invoiceNumber, QWidget* parent);
};

} // namespace orvena
