#include "invoicemailtext.h"

#include "billing/amounts.h"
#include "db/datamodule.h"
#include "db/errors.h"
#include "masterdata/customers.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
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

} // namespace

InvoiceMailFacts invoiceMailFacts(DataModule& data, const QString& invoiceNumber)
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
    InvoiceMailFacts f;
    f.number = q.fieldText(QStringLiteral("fBszam"));
    f.printed = q.fieldText(QStringLiteral("fPrn")) == u"I";
    f.currency = q.fieldText(QStringLiteral("fPnem")).trimmed();
    f.dueDate = q.fieldText(QStringLiteral("fFkelt"));
    f.issuer = q.fieldText(QStringLiteral("kiallito")).trimmed();
    f.customer = q.fieldText(QStringLiteral("vevo")).trimmed();
    f.addresses = q.fieldText(QStringLiteral("email")).trimmed();
    return f;
}

InvoiceRecipient invoiceRecipient(DataModule& data, const QString& invoiceNumber)
{
    const InvoiceMailFacts facts = invoiceMailFacts(data, invoiceNumber);
    return {facts.addresses, facts.printed};
}

MailText invoiceMailText(DataModule& data, const QString& invoiceNumber)
{
    const InvoiceMailFacts f = invoiceMailFacts(data, invoiceNumber);
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

MailText reminderMailText(const QString& customerName, const QString& issuer)
{
    return fillMail(templateText(kReminderMailTemplate, kBuiltInReminder),
                    {{QStringLiteral("{vevo}"), customerName}, {QStringLiteral("{kiallito}"), issuer}},
                    QStringLiteral("Fizetési felszólítás"));
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
