#pragma once
// An invoice sent by e-mail: the PDF of its original copy, to the customer's address (or
// addresses, separated by ";") or to the ones given, with a subject and a text from the
// editable template Szamlalevel.txt of the working folder. An invoice not yet issued is issued
// first, with the print's checks and questions, as an electronic invoice: frozen together with the
// PDF that is then sent (kept byte for byte in szlaarchiv). Every message is logged in szlaemail
// with its delivery; one that failed or whose fate is unknown can be sent again, the same bytes.
#include "screens/common/screencontext.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena::mail {

// The template's placeholders: {kiallito} {vevo} {szamlaszam} {osszeg} {penznem} {hatarido}.
// Its first line "Tárgy: ..." is the subject, the rest (after one blank line) the text.
inline const QString kInvoiceMailTemplate = QStringLiteral("Szamlalevel.txt");

struct MailText {
    QString subject;
    QString body;
};

// The subject and text of this invoice's e-mail, from the template file in the current folder,
// or the built-in one when there is none. Throws Error for an unknown invoice.
MailText invoiceMailText(DataModule& data, const QString& invoiceNumber);

// The customer's address text of the invoice (vevo.vEmail; several separated by ";") and
// whether the invoice is issued (its sending then issues it no more). Throws Error for an
// unknown invoice.
struct InvoiceRecipient {
    QString addresses;
    bool issued = false;
};
InvoiceRecipient invoiceRecipient(DataModule& data, const QString& invoiceNumber);

struct InvoiceMailResult {
    bool sent = false;
    QStringList to;
    QString message; // Hungarian: what happened (empty when the operator stopped it or the print refused)
};

// Sends the invoice to `to` (empty: the customer's addresses). Throws Error for what prevents it
// before anything is issued or sent (no settings, no or faulty address, unknown invoice, a failed
// issue); a server or network failure comes back as a result that was not sent, the invoice issued
// and the failed or unknown delivery in the log.
InvoiceMailResult emailInvoice(ScreenContext& context, const QString& invoiceNumber, const QString& to = {});

// Sends the reminder letters of a customer (one message per issuer's letter, the PDF the letter's
// print makes) as on `today`, to `to` (empty: the customer's addresses), with the subject and text
// of the editable template Felszolitaslevel.txt ({vevo} {kiallito}), or the built-in one. Each
// message is logged under every invoice it names. Throws Error as emailInvoice does; sent is
// false with an empty message when the customer has nothing overdue (the operator was told).
// The customer's name and address text (vevo.vEmail) for a reminder. Throws Error for an unknown
// customer.
struct ReminderRecipient {
    QString name;
    QString addresses;
};
ReminderRecipient reminderRecipient(DataModule& data, const QString& customerCode);

InvoiceMailResult emailReminder(ScreenContext& context, const QString& customerCode, const QDate& today,
                                const QString& to = {});
inline const QString kReminderMailTemplate = QStringLiteral("Felszolitaslevel.txt");

// Sends once more the message of this log row (szlaemail.emID): the very PDF kept when it was
// first sent, to its addresses or to `to`, under its message id; a new log row notes the outcome.
// Throws Error when the row has no kept PDF (a copy of a paper invoice) or for unusable settings.
InvoiceMailResult resendInvoiceMail(ScreenContext& context, qint64 logId, const QString& to = {});

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
