#pragma once
// What an invoice's and a reminder's e-mail says: the subject and text from the editable
// templates of the working folder (or the built-in ones), the facts of the invoice they name, the
// customer's addresses, and the e-mail log an invoice's messages are noted in. The sending is the
// mail library's (mail/invoicemail.h).
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena {
class DataModule;
}

namespace orvena::mail {

// The template's placeholders: {kiallito} {vevo} {szamlaszam} {osszeg} {penznem} {hatarido}.
// Its first line "Tárgy: ..." is the subject, the rest (after one blank line) the text.
inline const QString kInvoiceMailTemplate = QStringLiteral("Szamlalevel.txt");

// The reminder's template: {vevo} {kiallito}.
inline const QString kReminderMailTemplate = QStringLiteral("Felszolitaslevel.txt");

struct MailText {
    QString subject;
    QString body;
};

// The subject and text of this invoice's e-mail, from the template file in the current folder,
// or the built-in one when there is none. Throws Error for an unknown invoice.
MailText invoiceMailText(DataModule& data, const QString& invoiceNumber);

// The subject and text of a reminder letter to this customer from this issuer.
MailText reminderMailText(const QString& customerName, const QString& issuer);

// What an invoice's e-mail names and where it goes. Throws Error for an unknown invoice.
struct InvoiceMailFacts {
    QString number, issuer, customer, currency, dueDate, addresses;
    bool printed = false;
};
InvoiceMailFacts invoiceMailFacts(DataModule& data, const QString& invoiceNumber);

// The customer's address text of the invoice (vevo.vEmail; several separated by ";") and
// whether the invoice is issued (its sending then issues it no more). Throws Error for an
// unknown invoice.
struct InvoiceRecipient {
    QString addresses;
    bool issued = false;
};
InvoiceRecipient invoiceRecipient(DataModule& data, const QString& invoiceNumber);

// The customer's name and address text (vevo.vEmail) for a reminder. Throws Error for an unknown
// customer.
struct ReminderRecipient {
    QString name;
    QString addresses;
};
ReminderRecipient reminderRecipient(DataModule& data, const QString& customerCode);

// The e-mail log of an invoice, newest first.
struct SentMail {
    QDateTime time;
    QString addresses;
    QString serverAnswer;
    QString messageId;
    QString user;
    qint64 id = 0;
    enum class State { Sent, Sending, Failed, Unknown };
    State state = State::Sent;
    bool resendable = false; // its PDF is kept and can go again
    QString stateText() const;
    bool reminder = false; // a reminder letter naming the invoice, not the invoice itself
};
std::vector<SentMail> sentMails(DataModule& data, const QString& invoiceNumber);

} // namespace orvena::mail
