#pragma once
// The e-mail screens: an invoice sent from the register ("Küldés e-mailben"), its e-mail log
// ("E-mail napló") and a customer's reminder sent from the receivables ("Küldés e-mailben").
// Each is opened through the screen opener with the invoice's number or the customer's code; the
// sending itself runs off the window's thread (UserInterface::runInBackground).
#include "invoicemail.h"

#include "invoice/receivables.h"
#include "screens/common/screenrequest.h"

#include <QObject>

namespace orvena::mail {

// TEmailKuldes: the addresses (the customer's, editable), then the sending and its outcome.
class InvoiceMailScreen : public QObject {
    Q_OBJECT
public:
    InvoiceMailScreen(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);
    // Reads the invoice's customer. False when there is nothing to send (no invoice named, or
    // the operator has been told why).
    bool prepare();
    const QString& number() const { return m_number; }
    const QString& addresses() const { return m_addresses; }
    // Whether sending issues the invoice (it is not issued yet): the screen says so before "Küld".
    bool issues() const { return m_issues; }
    // "Küld" with the addresses typed. False, the operator told, when there is none: the screen
    // stays for one. Otherwise the invoice is sent (issued first when it must be), the outcome
    // shown, and true: the screen closes.
    bool send(const QString& addresses);

private:
    ScreenContext& m_context;
    QString m_number;
    QString m_addresses;
    bool m_issues = false;
};

// TEmailNaplo: the messages an invoice was sent in, newest first, and sending one again.
class InvoiceMailLogScreen : public QObject {
    Q_OBJECT
public:
    InvoiceMailLogScreen(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);
    const QString& number() const { return m_number; }
    // Re-reads the log (the operator is told when it cannot be read) and signals changed().
    void read();
    const std::vector<SentMail>& sent() const { return m_sent; }
    // "Újraküldés" of a row: after the operator's "Igen", the very PDF kept when it was first sent
    // goes to the row's addresses again; the outcome is shown and the log re-read.
    void resend(int row);

signals:
    void changed();

private:
    ScreenContext& m_context;
    QString m_number;
    std::vector<SentMail> m_sent;
};

// TEmailFelszolitas: the letters a customer's reminder holds and the addresses before anything
// is sent. Opened with the customer's code and the receivables' day.
class ReminderMailScreen : public QObject {
    Q_OBJECT
public:
    ReminderMailScreen(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);
    // Reads the letters and the customer. False when there is nothing to send (the operator has
    // been told: nothing overdue, or an unknown customer).
    bool prepare();
    // "Name (code)" as the screen names the customer.
    QString customerText() const;
    const std::vector<ReminderLetter>& letters() const { return m_letters; }
    const QString& addresses() const { return m_addresses; }
    // As InvoiceMailScreen::send.
    bool send(const QString& addresses);

private:
    ScreenContext& m_context;
    QString m_customer;
    QDate m_day;
    QString m_name;
    QString m_addresses;
    std::vector<ReminderLetter> m_letters;
};

} // namespace orvena::mail
