#pragma once
// Sending the highlighted invoice by e-mail from the register: the addresses (the customer's,
// editable), the sending, the outcome; and the invoice's e-mail log.
#include "screens/common/screencontext.h"

#include <QDialog>
#include <vector>

class QLineEdit;
class QPushButton;
class QTableWidget;

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

// The messages an invoice was sent in, newest first, with their delivery; "Újraküldés" sends the
// highlighted one's kept PDF again.
class InvoiceMailLogDialog : public QDialog {
public:
    InvoiceMailLogDialog(ScreenContext& context, const QString& invoiceNumber, QWidget* parent);

private:
    void fill();
    void resend();

    ScreenContext& m_context;
    QString m_number;
    QTableWidget* m_table = nullptr;
    QPushButton* m_resend = nullptr;
    std::vector<qint64> m_ids;
    std::vector<bool> m_resendable;
};

} // namespace orvena
