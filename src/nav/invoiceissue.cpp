#include "invoiceissue.h"

#include "db/datamodule.h"
#include "db/errors.h"
#include "billing/invoicelinks.h"
#include "billing/invoicesums.h"
#include "billing/openbalance.h"
#include "db/sqlname.h"
#include "db/stepchain.h"

#include <QCryptographicHash>

namespace orvena::nav {

IssueCheck checkInvoice(DataModule& data, const QString& invoiceNumber, InvoiceAppearance appearance)
{
    IssueCheck check;
    check.document = buildInvoiceDocument(data, invoiceNumber, 0, appearance);
    check.problems = check.document.problems;
    check.content = currentIssuedContent(data, invoiceNumber);
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

namespace {

// A storno or correction is checked again inside the issuing transaction, because its document was
// built before the print (an operator may look at the preview for minutes): the original's header
// is locked, so two workstations issuing modifications of one original take turns, and the
// document's modification index must still be free and, for a correction, the original must still
// stand. Throws Error with the Hungarian refusal otherwise (the caller rolls back, nothing is marked).
void recheckModification(DataModule& data, const InvoiceDocument& doc)
{
    Query q(data.connection(), QStringLiteral("markIssuedOriginal"));
    q.setSql({QStringLiteral("SELECT fBszam FROM szlafej WHERE fBszam = :p0 FOR UPDATE")});
    q.setText(QStringLiteral("p0"), doc.original);
    q.open();
    const QString again = QString::fromUtf8("\nA számla nem lett kiállítottnak jelölve: nyomtassa ki újra.");
    if (q.isEmpty())
        throw Error(QString::fromUtf8("A(z) %1 számú számla eredetije (%2) már nem található.").arg(doc.number, doc.original)
                    + again);
    // Locking reads: they see what the other workstation committed while this one waited.
    q.setSql({QStringLiteral("SELECT COUNT(*) FROM szlanav WHERE nEredeti = :p0 AND nBszam <> :p1 AND nModIndex >= :p2 "
                             "LOCK IN SHARE MODE")});
    q.setText(QStringLiteral("p0"), doc.original);
    q.setText(QStringLiteral("p1"), doc.number);
    q.setInteger(QStringLiteral("p2"), doc.modificationIndex);
    q.open();
    if (static_cast<int>(q.integer(0, 0)) > 0)
        throw Error(QString::fromUtf8("A(z) %1 számú számla %2. módosítását közben egy másik munkahely kiállította.")
                        .arg(doc.original)
                        .arg(doc.modificationIndex)
                    + again);
    if (!doc.correction)
        return;
    q.setSql({QStringLiteral("SELECT hBszam FROM szlahivatkozas WHERE hEredeti = :p0 AND hMuvelet = :p1 LOCK IN SHARE MODE")});
    q.setText(QStringLiteral("p0"), doc.original);
    q.setText(QStringLiteral("p1"), kStornoLink);
    q.open();
    if (!q.isEmpty())
        throw Error(QString::fromUtf8("A helyesbített %1 számú számlát a(z) %2 számú storno számla közben érvénytelenítette, "
                                      "helyesbítése nem állítható ki.")
                        .arg(doc.original, q.text(0, 0))
                    + again);
}

} // namespace

QByteArray sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

qint64 markIssued(DataModule& data, const IssueCheck& check, const IssuedFile& file)
{
    Query q(data.connection(), QStringLiteral("markIssued"));
    StepChain chain(q);
    qint64 archiveId = 0;
    chain.run([&] {
        chain.begin();
        if (check.document.storno)
            recheckModification(data, check.document);
        q.setSql({QStringLiteral("UPDATE Szlafej SET fprn = \"I\" WHERE fBszam = :p1")});
        q.setText(QStringLiteral("p1"), check.document.number);
        q.execute();
        // the figures' sums of the invoice and what it printed beside its lines, issued with it
        recordInvoiceSums(data.connection(), check.document.number);
        refreshOpenBalance(data.connection(), check.document.number); // its chain's open balances
        keepIssuedContent(data, check.document.number, check.content);
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
        // The issued invoice as it left: its PDF and its document, byte for byte with their hashes.
        Connection& c = data.connection();
        auto blob = [&c](const QByteArray& bytes) {
            return bytes.isEmpty() ? QByteArray("NULL, NULL")
                                   : quotedLiteralBytes(c, bytes) + ", " + quotedLiteralBytes(c, sha256Hex(bytes));
        };
        const QByteArray xml = check.valid() ? check.document.xml : QByteArray();
        c.execute("INSERT INTO szlaarchiv (aBszam, aElektronikus, aPdf, aPdfSha, aXml, aXmlSha, aKeszult, aFelhasznalo) "
                  "VALUES (" + quotedLiteralBytes(c, check.document.number.toLatin1()) + ", "
                  + (file.electronic && !file.pdf.isEmpty() ? "1" : "0") + ", " + blob(file.pdf) + ", " + blob(xml)
                  + ", NOW(), SUBSTRING_INDEX(USER(), '@', 1))");
        archiveId = static_cast<qint64>(c.lastInsertId());
        if (file.alongside)
            file.alongside(archiveId);
        chain.commit();
    });
    return archiveId;
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
