#pragma once
// Sending e-mail through an SMTP server (libcurl): STARTTLS or implicit TLS with the server's
// certificate verified, a login when the settings name a user, the message composed as MIME
// (UTF-8 text, attachments in base64). Every failure comes back as a Hungarian message with the
// server's own words as its detail; nothing here writes to the database. QtCore only.
#include "db/smtpsettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

namespace orvena::mail {

struct Attachment {
    QString fileName; // ASCII letters, digits, "-", "_" and "." are kept, anything else becomes "_"
    QByteArray mimeType;
    QByteArray content;
};

struct OutgoingMail {
    QString messageId; // <...@...>; empty: a new one (a message sent again keeps its id)
    QStringList to;
    QString subject;
    QString body; // plain text; line breaks as "\n"
    std::vector<Attachment> attachments;
};

struct SendResult {
    // Sent: the server took the message. NotSent: it certainly did not (refused, or the
    // connection ended before the whole message was handed over). Unknown: the whole message
    // went out but the server's answer never came (the connection dropped or the server fell
    // silent): the recipient may or may not get it.
    enum class Outcome { Sent, NotSent, Unknown };
    Outcome outcome = Outcome::NotSent;
    bool sent = false; // outcome == Sent
    QString messageId;    // <...@...> as written into the message
    QString serverAnswer; // the server's last answer (on success its acceptance of the message)
    QString error;        // Hungarian, empty when sent
    QString detail;       // the server's or the TLS library's own words, when there are any
    // error and detail in one text for a message box.
    QString fullMessage() const;
};

// The message as sent: headers (From, To, Subject encoded for UTF-8, Date, Message-ID,
// MIME-Version), a text part and the attachments, lines ended by CR LF.
QByteArray composeMessage(const QString& from, const OutgoingMail& mail, const QString& messageId,
                          const QDateTime& date);

// A new message id under the sender's domain: <uuid@domain>.
QString newMessageId(const SmtpSettings& settings);

// Sends the mail with the settings; never throws for a server or network failure (see
// SendResult), only for unusable settings or addresses (Error, in Hungarian). Blocks while the
// server is talked to: the screens run it through UserInterface::runInBackground, whose
// `cancelled` ends it early (a message cut short is not sent; one handed over whole before the
// server answered is of unknown fate).
SendResult sendMail(const SmtpSettings& settings, const OutgoingMail& mail,
                    const std::atomic<bool>* cancelled = nullptr);

// One PDF to one or more addresses with a subject and a text: what the invoice and the reminder
// letter send.
SendResult sendPdfMail(const SmtpSettings& settings, const QStringList& to, const QString& subject,
                       const QString& body, const QByteArray& pdf, const QString& fileName,
                       const QString& messageId = {}, const std::atomic<bool>* cancelled = nullptr);

} // namespace orvena::mail
