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
#include "masterdata/customers.h"
#include "billing/amounts.h"
#include "reports/reportengine.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace orvena::mail {

namespace {

const QString kBuiltInTemplate = QStringLiteral(
    "Tárgy: {kiallito} számlája: {szamlaszam}\n"
    "\n"
    "Tisztelt {vevo}!\n"
    "\n"
    "Mellékelten küldjük a(z) {szamlaszam} számú számlánkat.\n"
    "Fizetendő: {osszeg} {penznem}\n"
    "Fizetési határidő: {hatarido}\n"
    "\n"
    "Üdvözlettel:\n"
    "{kiallito}\n");

// Larger template files are not read (a device or a wrong file named so).
constexpr qint64 kMaxTemplateBytes = 64 * 1024;

// The server's words as stored: printable ASCII (the log's character set holds no more).
QString printable(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += c.unicode() >= 0x20 && c.unicode() < 0x7f ? c : QChar(u'?');
    return out.left(2000);
}

struct InvoiceFacts {
    QString number, issuer, customer, currency, dueDate, addresses;
    bool printed = false;
};

InvoiceFacts readFacts(DataModule& data, const QString& invoiceNumber)
{
    Query q(data.connection(), QStringLiteral("MAIL_INVOICE"));
    q.setSql({QStringLiteral("SELECT fBszam, fPrn, fPnem, fFkelt,"),
              QStringLiteral(" (SELECT zNev1 FROM szallito WHERE zKod = fzKod ORDER BY zID LIMIT 1) AS kiallito,"),
              QStringLiteral(" %1 AS vevo,").arg(customer::nameByCodeSql(QStringLiteral("fvKod"))),
              QStringLiteral(" (SELECT vEmail FROM vevo WHERE vKod = fvKod ORDER BY vID LIMIT 1) AS email"),
              QStringLiteral("FROM szlafej WHERE fBszam = :p0")});
    q.setText(QStringLiteral("p0"), invoiceNumber.trimmed());
    q.open();
    if (q.isEmpty())
        throw Error(QStringLiteral("Nincs %1 számú számla.").arg(invoiceNumber.trimmed()));
    InvoiceFacts f;
    f.number = q.fieldText(QStringLiteral("fBszam"));
    f.printed = q.fieldText(QStringLiteral("fPrn")) == u"I";
    f.currency = q.fieldText(QStringLiteral("fPnem")).trimmed();
    f.dueDate = q.fieldText(QStringLiteral("fFkelt"));
    f.issuer = q.fieldText(QStringLiteral("kiallito")).trimmed();
    f.customer = q.fieldText(QStringLiteral("vevo")).trimmed();
    f.addresses = q.fieldText(QStringLiteral("email")).trimmed();
    return f;
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

// The template file of the working folder, or the built-in text when there is none. Only a
// regular file is read: it is opened without waiting (a FIFO or a device under that name would
// otherwise hold the sending, and the window, until someone writes into it) and refused unless
// what was opened is a regular file.
QString templateText(const QString& fileName, const QString& builtIn)
{
    if (!QFileInfo::exists(fileName) && !QFileInfo(fileName).isSymLink())
        return builtIn;
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        throw FileError(QStringLiteral("A(z) \"%1\" levélsablon nem olvasható: nem közönséges fájl, vagy nem "
                                       "nyitható meg.")
                            .arg(fileName));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw FileError(QStringLiteral("A(z) \"%1\" levélsablon nem olvasható: %2").arg(fileName, file.errorString()));
    }
    return QString::fromUtf8(file.read(kMaxTemplateBytes));
}

// A template filled in: the placeholders of its subject line get values without line breaks (an
// issuer's name on two lines would otherwise end the subject and push the rest into the text).
MailText fillMail(const QString& filled, const QList<std::pair<QString, QString>>& values,
                  const QString& subject);

// A filled template's first line "Tárgy: ..." as the subject (or `subject`), the rest after one
// blank line as the text.
MailText splitMail(QString text, const QString& subject)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    MailText mail;
    QStringList lines = text.split(u'\n');
    static const QString subjectKey = QStringLiteral("Tárgy:");
    if (!lines.isEmpty() && lines.front().startsWith(subjectKey, Qt::CaseInsensitive)) {
        mail.subject = lines.takeFirst().mid(subjectKey.size()).trimmed();
        if (!lines.isEmpty() && lines.front().trimmed().isEmpty())
            lines.removeFirst();
    }
    if (mail.subject.isEmpty())
        mail.subject = subject;
    mail.body = lines.join(u'\n');
    return mail;
}

MailText fillMail(const QString& filled, const QList<std::pair<QString, QString>>& values,
                  const QString& subject)
{
    // Split first, so no value can move the line that ends the subject.
    MailText mail = splitMail(filled, QStringLiteral("\x01"));
    const bool ownSubject = mail.subject == u"\x01";
    for (const auto& [key, value] : values) {
        QString oneLine = value;
        oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ').replace(u'\r', u' ');
        mail.subject.replace(key, oneLine.simplified());
        mail.body.replace(key, value);
    }
    if (ownSubject || mail.subject.trimmed().isEmpty())
        mail.subject = subject;
    return mail;
}

const QString kBuiltInReminder = QStringLiteral(
    "Tárgy: Fizetési felszólítás – {kiallito}\n"
    "\n"
    "Tisztelt {vevo}!\n"
    "\n"
    "Nyilvántartásunk szerint a mellékelt felszólításban felsorolt számláink fizetési határideje lejárt. Kérjük, "
    "a hátralékot mielőbb egyenlítse ki; ha időközben már fizetett, levelünket tekintse tárgytalannak.\n"
    "\n"
    "Üdvözlettel:\n"
    "{kiallito}\n");

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
InvoiceMailResult deliver(DataModule& data, const SmtpSettings& settings, const Delivery& d, const QStringList& to,
                          const MailText& text, const QString& messageId)
{
    InvoiceMailResult outcome;
    outcome.to = to;
    const SendResult result = sendPdfMail(settings, to, text.subject, text.body, d.pdf,
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

InvoiceRecipient invoiceRecipient(DataModule& data, const QString& invoiceNumber)
{
    const InvoiceFacts facts = readFacts(data, invoiceNumber);
    return {facts.addresses, facts.printed};
}

MailText invoiceMailText(DataModule& data, const QString& invoiceNumber)
{
    const InvoiceFacts f = readFacts(data, invoiceNumber);
    const QString text = templateText(kInvoiceMailTemplate, kBuiltInTemplate);
    // the payable as the print states it
    const billing::DocumentAmounts amounts = billing::readInvoiceAmounts(data, f.number);
    const QList<std::pair<QString, QString>> values{
        {QStringLiteral("{kiallito}"), f.issuer},
        {QStringLiteral("{vevo}"), f.customer},
        {QStringLiteral("{szamlaszam}"), f.number},
        {QStringLiteral("{osszeg}"), amounts.payableText()},
        {QStringLiteral("{penznem}"), f.currency.isEmpty() ? QStringLiteral("Ft") : f.currency},
        {QStringLiteral("{hatarido}"), f.dueDate}};
    return fillMail(text, values, QStringLiteral("Számla: %1").arg(f.number));
}

InvoiceMailResult emailInvoice(ScreenContext& context, const QString& invoiceNumber, const QString& to)
{
    const SmtpSettings settings = SmtpSettings::fromConfig();
    if (const QString problem = settings.problem(); !problem.isEmpty())
        throw Error(problem);
    const InvoiceFacts facts = readFacts(context.data, invoiceNumber);
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
    return deliver(context.data, settings, delivery, outcome.to, text, messageId);
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
    return deliver(context.data, settings, delivery, outcome.to, text, messageId);
}

ReminderRecipient reminderRecipient(DataModule& data, const QString& customerCode)
{
    Query customer(data.connection(), QStringLiteral("reminderCustomer"));
    customer.setSql({QStringLiteral("SELECT vNeve, vEmail FROM vevo WHERE vKod = :p0 ORDER BY vID LIMIT 1")});
    customer.setText(QStringLiteral("p0"), customerCode);
    customer.open();
    if (customer.isEmpty())
        throw Error(QStringLiteral("Nincs %1 kódú vevő.").arg(customerCode));
    return {customer.fieldText(QStringLiteral("vNeve")).trimmed(), customer.fieldText(QStringLiteral("vEmail")).trimmed()};
}

InvoiceMailResult emailReminder(ScreenContext& context, const QString& customerCode, const QDate& today,
                                const QString& to)
{
    const SmtpSettings settings = SmtpSettings::fromConfig();
    if (const QString problem = settings.problem(); !problem.isEmpty())
        throw Error(problem);
    Query customer(context.data.connection(), QStringLiteral("reminderCustomer"));
    customer.setSql({QStringLiteral("SELECT vNeve, vEmail FROM vevo WHERE vKod = :p0 ORDER BY vID LIMIT 1")});
    customer.setText(QStringLiteral("p0"), customerCode);
    customer.open();
    if (customer.isEmpty())
        throw Error(QStringLiteral("Nincs %1 kódú vevő.").arg(customerCode));
    const QString addresses = to.trimmed().isEmpty() ? customer.fieldText(QStringLiteral("vEmail")).trimmed() : to;
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
    receivables.read(today);
    if (!receivables.printReminder(customerCode))
        return outcome;

    const QString customerName = customer.fieldText(QStringLiteral("vNeve")).trimmed();
    const QString builtIn = templateText(kReminderMailTemplate, kBuiltInReminder);
    QStringList sentTo;
    for (qsizetype i = 0; i < letters.files.size(); ++i) {
        const QStringList& numbers = receivables.reminderInvoices().at(static_cast<size_t>(i));
        const MailText mail = fillMail(builtIn,
                                       {{QStringLiteral("{vevo}"), customerName},
                                        {QStringLiteral("{kiallito}"), readFacts(context.data, numbers.value(0)).issuer}},
                                       QStringLiteral("Fizetési felszólítás"));
        QFile pdf(letters.files.at(i));
        if (!pdf.open(QIODevice::ReadOnly))
            throw FileError(QStringLiteral("Az e-mail melléklete nem olvasható: %1").arg(pdf.errorString()));
        const SendResult result = sendPdfMail(settings, outcome.to, mail.subject, mail.body, pdf.readAll(),
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

std::vector<SentMail> sentMails(DataModule& data, const QString& invoiceNumber)
{
    Query q(data.connection(), QStringLiteral("MAIL_SENT"));
    q.setSql({QStringLiteral("SELECT DATE_FORMAT(emIdo, '%Y-%m-%d %H:%i:%s') AS ido, emCim, emValasz, emAzonosito,"),
              QStringLiteral(" emFelhasznalo, emID, emAllapot, emArchiv IS NOT NULL, emFajta FROM szlaemail WHERE emBszam = :p0"),
              QStringLiteral(" ORDER BY emID DESC")});
    q.setText(QStringLiteral("p0"), invoiceNumber.trimmed());
    q.open();
    std::vector<SentMail> out;
    for (int row = 0; row < q.rowCount(); ++row) {
        SentMail m;
        m.time = QDateTime::fromString(q.text(row, 0), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        m.addresses = q.text(row, 1);
        m.serverAnswer = q.text(row, 2);
        m.messageId = q.text(row, 3);
        m.user = q.text(row, 4);
        m.id = q.integer(row, 5);
        const QString state = q.text(row, 6).trimmed();
        m.state = state == u"KULDES"       ? SentMail::State::Sending
                  : state == u"SIKERTELEN" ? SentMail::State::Failed
                  : state == u"ISMERETLEN" ? SentMail::State::Unknown
                                           : SentMail::State::Sent;
        m.resendable = q.text(row, 7) == u"1";
        m.reminder = q.text(row, 8) == u"FELSZOLITAS";
        out.push_back(m);
    }
    return out;
}

QString SentMail::stateText() const
{
    switch (state) {
    case State::Sending:
        return QStringLiteral("nem zárult le (ismeretlen)");
    case State::Failed:
        return QStringLiteral("nem ment el");
    case State::Unknown:
        return QStringLiteral("ismeretlen (a kapcsolat megszakadt)");
    case State::Sent:
        break;
    }
    return QStringLiteral("elküldve");
}

} // namespace orvena::mail
