#include "invoiceissue.h"

#include "db/datamodule.h"
#include "db/invoicesums.h"
#include "db/sqlname.h"
#include "db/stepchain.h"

namespace orvena::nav {

IssueCheck checkInvoice(DataModule& data, const QString& invoiceNumber, InvoiceAppearance appearance)
{
    IssueCheck check;
    check.document = buildInvoiceDocument(data, invoiceNumber, 0, appearance);
    check.problems = check.document.problems;
    if (check.problems.isEmpty()) {
        const ValidationResult v = validateInvoiceData(check.document.xml);
        if (!v.valid) {
            check.problems = v.problems;
            check.document.xml.clear(); // an invalid document is never used
        }
    } else {
        check.document.xml.clear();
    }
    return check;
}

QString problemMessage(const QString& invoiceNumber, const QStringList& problems)
{
    QString text = QString::fromUtf8("A(z) %1 számú számla adóhatósági adatszolgáltatása nem készíthető el:")
                       .arg(invoiceNumber);
    for (const QString& p : problems)
        text += QStringLiteral("\n- ") + p;
    return text;
}

QString refusalMessage(const QString& invoiceNumber, const QStringList& problems)
{
    return problemMessage(invoiceNumber, problems)
           + QString::fromUtf8("\nA számla nem lett nyomtatottnak jelölve, továbbra is módosítható.");
}

QString issueQuestion(const QString& invoiceNumber, const QStringList& questions)
{
    QString text = QString::fromUtf8("A(z) %1 számú számla adatai szokatlanok:").arg(invoiceNumber);
    for (const QString& question : questions)
        text += QStringLiteral("\n- ") + question;
    return text + QString::fromUtf8("\nBiztosan kiállítja a számlát?");
}

QString issueInvoice(DataModule& data, const QString& invoiceNumber)
{
    const IssueCheck check = checkInvoice(data, invoiceNumber);
    if (check.refused())
        return refusalMessage(invoiceNumber, check.problems);
    markIssued(data, check);
    return {};
}

void markIssued(DataModule& data, const IssueCheck& check)
{
    Query q(data.connection(), QStringLiteral("markIssued"));
    StepChain chain(q);
    chain.run([&] {
        chain.begin();
        q.setSql({QStringLiteral("UPDATE Szlafej SET fprn = \"I\" WHERE fBszam = :p1")});
        q.setText(QStringLiteral("p1"), check.document.number);
        q.execute();
        // the figures' sums of the invoice, issued with it
        recordInvoiceSums(data.connection(), check.document.number);
        if (check.valid()) {
            const InvoiceDocument& d = check.document;
            // The document's UTF-8 bytes go in escaped but unconverted, so they are stored unchanged;
            // the other values are plain ASCII.
            Connection& c = data.connection();
            auto text = [&c](const QString& t) { return quotedLiteralBytes(c, t.toLatin1()); };
            QByteArray sql = "INSERT INTO szlanav (nBszam, nMuvelet, nEredeti, nModIndex, nXml, nKeszult, nAllapot) VALUES (";
            sql += text(d.number) + ", " + text(d.correction ? QStringLiteral("MODIFY") : d.storno ? QStringLiteral("STORNO") : QStringLiteral("CREATE")) + ", ";
            sql += d.storno ? text(d.original) + ", " + QByteArray::number(d.modificationIndex) : QByteArray("NULL, NULL");
            sql += ", " + quotedLiteralBytes(c, d.xml) + ", NOW(), ";
            sql += text(check.reporting() ? QStringLiteral("KULDENDO") : QStringLiteral("NEM_KULDENDO"));
            sql += ") ON DUPLICATE KEY UPDATE nBszam = nBszam";
            c.execute(sql);
        }
        chain.commit();
    });
}

std::optional<QByteArray> storedDocument(DataModule& data, const QString& invoiceNumber)
{
    Query q(data.connection(), QStringLiteral("storedDocument"));
    q.setSql({QStringLiteral("SELECT nXml FROM szlanav WHERE nBszam = :p0")});
    q.setText(QStringLiteral("p0"), invoiceNumber.trimmed());
    q.open();
    if (q.isEmpty() || !q.result() || q.result()->isNull(0, 0))
        return std::nullopt;
    return q.result()->raw(0, 0);
}

QByteArray documentFor(DataModule& data, const QString& invoiceNumber, QStringList* problems)
{
    if (auto stored = storedDocument(data, invoiceNumber))
        return *stored;
    const IssueCheck check = checkInvoice(data, invoiceNumber);
    if (problems)
        *problems = check.problems;
    return check.document.xml;
}

} // namespace orvena::nav
