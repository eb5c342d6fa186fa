#include "invoicemail.h"

#include "mailsender.h"

#include "db/money.h"
#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/numbertext.h"
#include "db/stepchain.h"
#include "invoice/printinvoice.h"
#include "invoice/receivables.h"
#include "reports/reportengine.h"

#include <QFile>
#include <QTemporaryDir>

#include <optional>

namespace orvena::mail {

namespace {

// The server's words as stored: printable ASCII (the log's character set holds no more).
QString printable(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += c.unicode() >= 0x20 && c.unicode() < 0x7f ? c : QChar(u'?');
    return out.left(2000);
}

void logSent(DataModule& data, const QString& number, const QStringList& to, const SendResult& result,
             const QString& kind = QStringLiteral("SZAMLA"))
{
    Query q(data.connection(), QStringLiteral("mailLog"));
    q.setSql({QStringLiteral("INSERT INTO szlaemail (emBszam, emCim, emIdo, emValasz, emAzonosito, emFelhasznalo, emFajta)"),
              QStringLiteral("VALUES (:p0, :p1, NOW(), :p2, :p3, SUBSTRING_INDEX(USER(), '@', 1), :p4)")});
    q.setText(QStringLiteral("p4"), kind);
    q.setText(QStringLiteral("p0"), number);
    q.setText(QStringLiteral("p1"), to.join(QStringLiteral("; ")));
    q.setText(QStringLiteral("p2"), printable(result.serverAnswer));
    q.setText(QStringLiteral("p3"), printable(result.messageId));
    q.execute();
}

// Each letter a reminder's print presents, written to a file of its own.
class LetterFiles : public reports::EngineReportPresenter {
public:
    explicit LetterFiles(const QString& folder) : m_folder(folder) {}
    void present(PreparedReport& report, const QString& title) override
    {
        const QString path = QStringLiteral("%1/Felszolitas-%2.pdf").arg(m_folder).arg(files.size() + 1);
        reports::PdfReportPresenter pdf(path);
        pdf.present(report, title);
        files << path;
    }
    QStringList files;

private:
    QString m_folder;
};

// Lays out and renders, never presents: the e-mail needs the PDF's bytes only.
class RenderOnly : public reports::EngineReportPresenter {
public:
    void present(PreparedReport&, const QString&) override
    {
        throw Error(QStringLiteral("Az e-mailhez a számla nem jeleníthető meg."));
    }
};

// One message of an invoice on its way: the PDF, the archive row it is kept in (0 for a copy),
// its log row, and whether this sending issued the invoice.
struct Delivery {
    QString number;
    QByteArray pdf;
    qint64 archiveId = 0;
    qint64 logId = 0;
    bool issuedNow = false;
};

// The log row of a message about to go out (state KULDES): written before the server is talked
// to, so a program that ends meanwhile leaves the delivery open, never unnoted.
qint64 startLog(DataModule& data, const QString& number, const QStringList& to, qint64 archiveId,
                const QString& messageId)
{
    Query q(data.connection(), QStringLiteral("mailLogStart"));
    q.setSql({QStringLiteral("INSERT INTO szlaemail (emBszam, emCim, emIdo, emValasz, emAzonosito, emFelhasznalo, "
                             "emAllapot, emArchiv)"),
              QStringLiteral("VALUES (:p0, :p1, NOW(), NULL, :p2, SUBSTRING_INDEX(USER(), '@', 1), 'KULDES', "
                             "NULLIF(:p3, 0))")});
    q.setText(QStringLiteral("p0"), number);
    q.setText(QStringLiteral("p1"), to.join(QStringLiteral("; ")));
    q.setText(QStringLiteral("p2"), printable(messageId));
    q.setInteger(QStringLiteral("p3"), archiveId);
    q.execute();
    return static_cast<qint64>(data.connection().lastInsertId());
}

QString stateOf(const SendResult& result)
{
    switch (result.outcome) {
    case SendResult::Outcome::Sent:
        return QStringLiteral("ELKULDVE");
    case SendResult::Outcome::Unknown:
        return QStringLiteral("ISMERETLEN");
    case SendResult::Outcome::NotSent:
        break;
    }
    return QStringLiteral("SIKERTELEN");
}

void finishLog(DataModule& data, qint64 logId, const SendResult& result)
{
    Query q(data.connection(), QStringLiteral("mailLogFinish"));
    q.setSql({QStringLiteral("UPDATE szlaemail SET emAllapot = :p0, emValasz = :p1, emIdo = NOW() WHERE emID = :p2")});
    q.setText(QStringLiteral("p0"), stateOf(result));
    q.setText(QStringLiteral("p1"), printable(result.sent ? result.serverAnswer
                                                          : (result.detail.isEmpty() ? result.error : result.detail)));
    q.setInteger(QStringLiteral("p2"), logId);
    q.execute();
}

// The electronic original an invoice was issued with (its archive row and bytes), if it was.
std::optional<std::pair<qint64, QByteArray>> electronicOriginal(DataModule& data, const QString& number)
{
    Query q(data.connection(), QStringLiteral("MAIL_ORIGINAL"));
    q.setSql({QStringLiteral("SELECT aID, aPdf FROM szlaarchiv WHERE aBszam = :p0 AND aElektronikus = 1 "
                             "ORDER BY aID DESC LIMIT 1")});
    q.setText(QStringLiteral("p0"), number);
    q.open();
    if (q.isEmpty() || !q.result())
        return std::nullopt;
    return std::make_pair(q.fieldInt(QStringLiteral("aID")), q.result()->raw(0, 1));
}

QByteArray archivedPdf(DataModule& data, qint64 archiveId)
{
    Query q(data.connection(), QStringLiteral("MAIL_ARCHIVED"));
    q.setSql({QStringLiteral("SELECT aPdf FROM szlaarchiv WHERE aID = :p0")});
    q.setInteger(QStringLiteral("p0"), archiveId);
    q.open();
    if (q.isEmpty() || !q.result() || q.result()->isNull(0, 0))
        throw Error(QStringLiteral("A levél megőrzött számla-PDF-je nem található."));
    return q.result()->raw(0, 0);
}

// Sends the delivery's PDF, notes the outcome in its log row and says in Hungarian what happened.
// One PDF to its addresses, talked over with the server off the window's thread while the
// operator sees the sending and may stop it.
SendResult sendInBackground(UserInterface& ui, const SmtpSettings& settings, const QStringList& to, const MailText& text,
                            const QByteArray& pdf, const QString& fileName, const QString& messageId = {})
{
    SendResult result;
    ui.runInBackground(QStringLiteral("Az e-mail küldése: %1").arg(to.join(QStringLiteral(", "))),
                       [&](const std::atomic<bool>& cancelled) {
                           result = sendPdfMail(settings, to, text.subject, text.body, pdf, fileName, messageId,
                                                &cancelled);
                       });
    return result;
}

InvoiceMailResult deliver(ScreenContext& context, const SmtpSettings& settings, const Delivery& d, const QStringList& to,
                          const MailText& text, const QString& messageId)
{
    DataModule& data = context.data;
    InvoiceMailResult outcome;
    outcome.to = to;
    const SendResult result = sendInBackground(context.ui, settings, to, text, d.pdf,
                                               QStringLiteral("K%1.pdf").arg(d.number), messageId);
    outcome.sent = result.sent;
    const QString again = QStringLiteral("Az „E-mail napló” ablak „Újraküldés” gombjával ugyanez a számla-PDF újra "
                                         "elküldhető.");
    if (result.sent) {
        outcome.message = QStringLiteral("A(z) %1 számú számla elküldve: %2.").arg(d.number, to.join(QStringLiteral(", ")));
    } else if (d.issuedNow) {
        outcome.message = QStringLiteral("A(z) %1 számú számla elektronikus számlaként kiállítva, már nem módosítható.\n")
                              .arg(d.number)
                          + result.fullMessage() + u'\n'
                          + (result.outcome == SendResult::Outcome::Unknown
                                 ? QStringLiteral("Kérdezze meg a vevőt, megkapta-e; ha nem, küldje újra. ")
                                 : QString())
                          + again;
    } else {
        outcome.message = result.fullMessage() + u'\n'
                          + (result.outcome == SendResult::Outcome::Unknown
                                 ? QStringLiteral("Kérdezze meg a vevőt, megkapta-e; ha nem, küldje újra.")
                                 : QString());
        outcome.message = outcome.message.trimmed();
    }
    // The message's fate is what it is whatever happens now: a log that cannot be written is said beside it.
    try {
        finishLog(data, d.logId, result);
    } catch (const Error& e) {
        logFailure(lcMail(), e);
        outcome.message += QStringLiteral("\nA küldés eredménye nem került a naplóba (üzenetazonosító: %1).")
                               .arg(result.messageId);
    }
    return outcome;
}

} // namespace

InvoiceMailResult emailInvoice(ScreenContext& context, const QString& invoiceNumber, const QString& to)
{
    const SmtpSettings settings = SmtpSettings::fromConfig();
    if (const QString problem = settings.problem(); !problem.isEmpty())
        throw Error(problem);
    const InvoiceMailFacts facts = invoiceMailFacts(context.data, invoiceNumber);
    if (to.trimmed().isEmpty() && facts.addresses.isEmpty())
        throw Error(QStringLiteral("A(z) %1 számú számla vevőjének nincs e-mail-címe. Adja meg a vevő adatai között "
                                   "(több cím „;”-vel elválasztva), vagy adjon meg címet a küldéskor.")
                        .arg(facts.number));
    InvoiceMailResult outcome;
    outcome.to = parseMailAddresses(to.trimmed().isEmpty() ? facts.addresses : to);
    const MailText text = invoiceMailText(context.data, facts.number);
    const QString messageId = newMessageId(settings);

    Delivery delivery;
    delivery.number = facts.number;
    RenderOnly presenter;
    ScreenContext printing{context.data, context.state, context.ui, context.opener, &presenter};
    bool rendered = false;
    InvoiceHandover handover{.mode = PrintMode::View, .appearance = nav::InvoiceAppearance::Electronic,
                             .electronicPdf = [&](qint64 archiveId, const QByteArray& pdf) {
                                 delivery.archiveId = archiveId;
                                 delivery.pdf = pdf;
                                 rendered = true;
                             },
                             .alongside = {}};
    if (!facts.printed) {
        // Issuing comes first: the invoice is frozen with the very PDF that then goes out, and its
        // delivery is noted in the same transaction, so an issued e-mailed invoice always has one.
        handover.mode = PrintMode::Print;
        handover.alongside = [&](qint64 archiveId) {
            delivery.logId = startLog(context.data, facts.number, outcome.to, archiveId, messageId);
        };
        PrintInvoice(printing, facts.number, handover);
        if (!rendered)
            return outcome; // refused or not confirmed: the print told the operator why
        delivery.issuedNow = true;
    } else if (const auto kept = electronicOriginal(context.data, facts.number)) {
        // Issued by e-mail before: the same file again, never a new rendering of it.
        delivery.archiveId = kept->first;
        delivery.pdf = kept->second;
        delivery.logId = startLog(context.data, facts.number, outcome.to, delivery.archiveId, messageId);
    } else {
        // Issued on paper: a copy of its original page.
        PrintInvoice(printing, facts.number, handover);
        if (!rendered)
            return outcome;
        delivery.logId = startLog(context.data, facts.number, outcome.to, 0, messageId);
    }
    return deliver(context, settings, delivery, outcome.to, text, messageId);
}

InvoiceMailResult resendInvoiceMail(ScreenContext& context, qint64 logId, const QString& to)
{
    const SmtpSettings settings = SmtpSettings::fromConfig();
    if (const QString problem = settings.problem(); !problem.isEmpty())
        throw Error(problem);
    Query q(context.data.connection(), QStringLiteral("MAIL_RESEND"));
    q.setSql({QStringLiteral("SELECT emBszam, emCim, emAzonosito, emArchiv FROM szlaemail WHERE emID = :p0")});
    q.setInteger(QStringLiteral("p0"), logId);
    q.open();
    if (q.isEmpty())
        throw Error(QStringLiteral("A levél már nem szerepel a naplóban."));
    Delivery delivery;
    delivery.number = q.fieldText(QStringLiteral("emBszam")).trimmed();
    delivery.archiveId = q.fieldInt(QStringLiteral("emArchiv"));
    QString messageId = q.fieldText(QStringLiteral("emAzonosito")).trimmed();
    const QString addresses = to.trimmed().isEmpty() ? q.fieldText(QStringLiteral("emCim")) : to;
    if (delivery.archiveId <= 0)
        throw Error(QStringLiteral("Ehhez a levélhez nem tartozik megőrzött számla-PDF (papíron kiállított számla "
                                   "másolata volt); küldje el a „Küldés e-mailben” gombbal."));
    delivery.pdf = archivedPdf(context.data, delivery.archiveId);
    InvoiceMailResult outcome;
    outcome.to = parseMailAddresses(addresses);
    const MailText text = invoiceMailText(context.data, delivery.number);
    // The same message once more: a recipient who got the first one sees the same message id.
    if (!messageId.startsWith(u'<'))
        messageId = newMessageId(settings);
    delivery.logId = startLog(context.data, delivery.number, outcome.to, delivery.archiveId, messageId);
    return deliver(context, settings, delivery, outcome.to, text, messageId);
}

InvoiceMailResult emailReminder(ScreenContext& context, const QString& customerCode, const QDate& today,
                                const QString& to)
{
    const SmtpSettings settings = SmtpSettings::fromConfig();
    if (const QString problem = settings.problem(); !problem.isEmpty())
        throw Error(problem);
    const ReminderRecipient customer = reminderRecipient(context.data, customerCode);
    const QString addresses = to.trimmed().isEmpty() ? customer.addresses : to;
    if (addresses.isEmpty())
        throw Error(QStringLiteral("A(z) %1 kódú vevőnek nincs e-mail-címe. Írja be a címzettet a küldés ablakában, "
                                   "vagy vegye fel a vevő adatai között (több cím „;”-vel elválasztva).")
                        .arg(customerCode));
    InvoiceMailResult outcome;
    outcome.to = parseMailAddresses(addresses);

    QTemporaryDir folder;
    if (!folder.isValid())
        throw FileError(QStringLiteral("Az e-mail melléklete nem készíthető el: nincs ideiglenes mappa."));
    LetterFiles letters(folder.path());
    ScreenContext printing{context.data, context.state, context.ui, context.opener, &letters};
    Receivables receivables(printing);
    receivables.setToday(today);
    if (!receivables.printReminder(customerCode))
        return outcome;

    for (qsizetype i = 0; i < letters.files.size(); ++i) {
        const QStringList& numbers = receivables.reminderInvoices().at(static_cast<size_t>(i));
        const MailText mail = reminderMailText(customer.name, invoiceMailFacts(context.data, numbers.value(0)).issuer);
        QFile pdf(letters.files.at(i));
        if (!pdf.open(QIODevice::ReadOnly))
            throw FileError(QStringLiteral("Az e-mail melléklete nem olvasható: %1").arg(pdf.errorString()));
        const SendResult result = sendInBackground(context.ui, settings, outcome.to, mail, pdf.readAll(),
                                                   QStringLiteral("Felszolitas.pdf"));
        if (!result.sent) {
            outcome.message = (i > 0 ? QStringLiteral("%1 levél elment, a többi nem.\n").arg(i) : QString())
                + result.fullMessage();
            return outcome;
        }
        try {
            // One letter's invoices are logged together or not at all.
            StepChain log(context.data.connection());
            log.run([&] {
                log.begin();
                for (const QString& number : numbers)
                    logSent(context.data, number, outcome.to, result, QStringLiteral("FELSZOLITAS"));
                log.commit();
            });
        } catch (const Error& e) {
            logFailure(lcMail(), e);
            outcome.message += QStringLiteral("A küldés naplózása nem sikerült (üzenetazonosító: %1).\n")
                                   .arg(result.messageId);
        }
    }
    outcome.sent = true;
    outcome.message.prepend(QStringLiteral("A(z) %1 kódú vevő fizetési felszólítása elküldve: %2.\n")
                                .arg(customerCode, outcome.to.join(QStringLiteral(", "))));
    outcome.message = outcome.message.trimmed();
    return outcome;
}

} // namespace orvena::mail
