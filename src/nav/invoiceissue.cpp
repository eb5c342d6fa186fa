#include "invoiceissue.h"

#include "db/datamodule.h"
#include "db/transaction.h"

namespace orvena::nav {

IssueCheck checkInvoice(DataModule& data, const QString& invoiceNumber)
{
    IssueCheck check;
    check.document = buildInvoiceDocument(data, invoiceNumber);
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

QString issueInvoice(DataModule& data, const QString& invoiceNumber)
{
    const IssueCheck check = checkInvoice(data, invoiceNumber);
    if (check.refused())
        return problemMessage(invoiceNumber, check.problems)
               + QString::fromUtf8("\nA számla nem lett nyomtatottnak jelölve, továbbra is módosítható.");

    Query& q = data.query(QStringLiteral("ZQ12"));
    Transaction transaction(q);
    q.setSql({QStringLiteral("UPDATE Szlafej SET fprn = \"I\" WHERE fBszam = :p1")});
    q.setText(QStringLiteral("p1"), invoiceNumber);
    q.execute();
    if (check.valid()) {
        const InvoiceDocument& d = check.document;
        // The document goes in as a hexadecimal literal: its UTF-8 bytes are stored unchanged.
        q.setSql({QStringLiteral("INSERT INTO szlanav (nBszam, nMuvelet, nEredeti, nModIndex, nXml, nKeszult, nAllapot)"),
                  QStringLiteral("VALUES (:p1, :p2, :p3, :p4, X'") + QString::fromLatin1(d.xml.toHex())
                      + QStringLiteral("', NOW(), :p5)"),
                  QStringLiteral("ON DUPLICATE KEY UPDATE nBszam = nBszam")});
        q.setText(QStringLiteral("p1"), d.number);
        q.setText(QStringLiteral("p2"), d.storno ? QStringLiteral("STORNO") : QStringLiteral("CREATE"));
        if (d.storno) {
            q.setText(QStringLiteral("p3"), d.original);
            q.setInteger(QStringLiteral("p4"), d.modificationIndex);
        } else {
            q.setNull(QStringLiteral("p3"));
            q.setNull(QStringLiteral("p4"));
        }
        q.setText(QStringLiteral("p5"), check.reporting() ? QStringLiteral("KULDENDO") : QStringLiteral("NEM_KULDENDO"));
        q.execute();
    }
    transaction.commit();
    return {};
}

std::optional<QByteArray> storedDocument(DataModule& data, const QString& invoiceNumber)
{
    Query& q = data.query(QStringLiteral("NAV_STORED"));
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
