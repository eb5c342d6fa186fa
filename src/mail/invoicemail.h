#pragma once
// An invoice sent by e-mail: the PDF of its original copy, to the customer's address (or
// addresses, separated by ";") or to the ones given, with a subject and a text from the
// editable template Szamlalevel.txt of the working folder. An invoice not yet issued is issued
// first, with the print's checks and questions, as an electronic invoice: frozen together with the
// PDF that is then sent (kept byte for byte in szlaarchiv). Every message is logged in szlaemail
// with its delivery; one that failed or whose fate is unknown can be sent again, the same bytes.
#include "invoice/invoicemailtext.h"
#include "screens/common/screencontext.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace orvena::mail {

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
InvoiceMailResult emailReminder(ScreenContext& context, const QString& customerCode, const QDate& today,
                                const QString& to = {});

// Sends once more the message of this log row (szlaemail.emID): the very PDF kept when it was
// first sent, to its addresses or to `to`, under its message id; a new log row notes the outcome.
// Throws Error when the row has no kept PDF (a copy of a paper invoice) or for unusable settings.
InvoiceMailResult resendInvoiceMail(ScreenContext& context, qint64 logId, const QString& to = {});

} // namespace orvena::mail
