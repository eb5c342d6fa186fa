#include "invoicemail.h"

#include "mailsender.h"

#include "db/money.h"
#include "db/conversions.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/numbertext.h"
#include "invoice/printinvoice.h"
#include "invoice/receivables.h"
#include "nav/invoiceamounts.h"
#include "reports/reportengine.h"

#include <QFile>
#include <QTemporaryDir>

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

// Thrown from the print's hand-over when the server did not take the message: the invoice
// stays unissued, and the result says why.
struct NotSent {};

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
              QStringLiteral(" (SELECT vNeve FROM vevo WHERE vKod = fvKod ORDER BY vID LIMIT 1) AS vevo,"),
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

// The template file of the working folder, or the built-in text when there is none.
QString templateText(const QString& fileName, const QString& builtIn)
{
    QFile file(fileName);
    if (!file.exists())
        return builtIn;
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("A(z) \"%1\" levélsablon nem olvasható: %2").arg(fileName, file.errorString()));
    return QString::fromUtf8(file.read(kMaxTemplateBytes));
}

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

} // namespace

InvoiceRecipient invoiceRecipient(DataModule& data, const QString& invoiceNumber)
{
    const InvoiceFacts facts = readFacts(data, invoiceNumber);
    return {facts.addresses, facts.printed};
}

MailText invoiceMailText(DataModule& data, const QString& invoiceNumber)
{
    const InvoiceFacts f = readFacts(data, invoiceNumber);
    QString text = templateText(kInvoiceMailTemplate, kBuiltInTemplate);
    const nav::InvoiceAmounts amounts = nav::readInvoiceAmounts(data, f.number);
    const bool forint = nav::currencyCode(f.currency) == u"HUF";
    const Money payable = amounts.gross();
    const QList<std::pair<QString, QString>> values{
        {QStringLiteral("{kiallito}"), f.issuer},
        {QStringLiteral("{vevo}"), f.customer},
        {QStringLiteral("{szamlaszam}"), f.number},
        {QStringLiteral("{osszeg}"), forint ? payable.wholeText(true) : payable.groupedText()},
        {QStringLiteral("{penznem}"), f.currency.isEmpty() ? QStringLiteral("Ft") : f.currency},
        {QStringLiteral("{hatarido}"), f.dueDate}};
    for (const auto& [key, value] : values)
        text.replace(key, value);
    return splitMail(text, QStringLiteral("Számla: %1").arg(f.number));
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

    QTemporaryDir folder;
    if (!folder.isValid())
        throw FileError(QStringLiteral("Az e-mail melléklete nem készíthető el: nincs ideiglenes mappa."));
    const QString fileName = QStringLiteral("K%1.pdf").arg(facts.number);
    const QString pdfPath = folder.filePath(fileName);
    reports::PdfReportPresenter presenter(pdfPath);
    ScreenContext printing{context.data, context.state, context.ui, context.opener, &presenter};

    SendResult result;
    bool attempted = false;
    auto send = [&] {
        attempted = true;
        QFile pdf(pdfPath);
        if (!pdf.open(QIODevice::ReadOnly))
            throw FileError(QStringLiteral("Az e-mail melléklete nem olvasható: %1").arg(pdf.errorString()));
        result = sendPdfMail(settings, outcome.to, text.subject, text.body, pdf.readAll(), fileName);
        if (!result.sent)
            throw NotSent{};
    };
    // An invoice not yet issued is issued by this sending as an electronic invoice (the print's
    // checks and questions first), and only after the server took the message; one issued before
    // goes as the print makes its copy.
    try {
        PrintInvoice(printing, facts.number,
                     InvoiceHandover{.mode = PrintMode::Print, .appearance = nav::InvoiceAppearance::Electronic,
                                     .beforeIssue = send});
        if (presenter.presentedCount() == 0)
            return outcome; // refused or not confirmed: the print told the operator why
        if (!attempted)
            send();
    } catch (const NotSent&) {
        outcome.message = result.fullMessage();
        return outcome;
    }
    outcome.sent = true;
    outcome.message = QStringLiteral("A(z) %1 számú számla elküldve: %2.")
                          .arg(facts.number, outcome.to.join(QStringLiteral(", ")));
    // The message is out whatever happens now: a log that cannot be written is said beside it.
    try {
        logSent(context.data, facts.number, outcome.to, result);
    } catch (const Error& e) {
        logFailure(lcMail(), e);
        outcome.message += QStringLiteral("\nA küldés naplózása nem sikerült (üzenetazonosító: %1).").arg(result.messageId);
    }
    return outcome;
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
        QString text = builtIn;
        text.replace(QStringLiteral("{vevo}"), customerName);
        text.replace(QStringLiteral("{kiallito}"), readFacts(context.data, numbers.value(0)).issuer);
        const MailText mail = splitMail(text, QStringLiteral("Fizetési felszólítás"));
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
            for (const QString& number : numbers)
                logSent(context.data, number, outcome.to, result, QStringLiteral("FELSZOLITAS"));
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
              QStringLiteral(" emFelhasznalo, emFajta FROM szlaemail WHERE emBszam = :p0 ORDER BY emID DESC")});
    q.setText(QStringLiteral("p0"), invoiceNumber.trimmed());
    q.open();
    std::vector<SentMail> out;
    for (int row = 0; row < q.rowCount(); ++row)
        out.push_back({QDateTime::fromString(q.text(row, 0), QStringLiteral("yyyy-MM-dd HH:mm:ss")), q.text(row, 1),
                       q.text(row, 2), q.text(row, 3), q.text(row, 4), q.text(row, 5) == u"FELSZOLITAS"});
    return out;
}

} // namespace orvena::mail
