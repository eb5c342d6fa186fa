#include "auditexport.h"

#include "invoiceissue.h"

#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/outputfile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>

namespace orvena::nav {

namespace {

QString csvField(QString text)
{
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return text;
}

QString csvDate(const QDate& d)
{
    return d.isValid() ? d.toString(QStringLiteral("yyyy.MM.dd")) : QString();
}

// The summary's fields as the written document states them (the first element of each name).
QHash<QString, QString> documentFields(const QByteArray& xml)
{
    static const QStringList wanted{QStringLiteral("invoiceIssueDate"),    QStringLiteral("invoiceDeliveryDate"),
                                    QStringLiteral("paymentDate"),         QStringLiteral("customerName"),
                                    QStringLiteral("invoiceNetAmountHUF"), QStringLiteral("invoiceVatAmountHUF"),
                                    QStringLiteral("invoiceGrossAmountHUF")};
    QHash<QString, QString> fields;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::Invalid) {
        if (!reader.isStartElement())
            continue;
        const QString name = reader.name().toString();
        if (wanted.contains(name) && !fields.contains(name))
            fields.insert(name, reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed());
    }
    return fields;
}

QString csvDocumentDate(const QString& isoDate)
{
    return csvDate(QDate::fromString(isoDate, Qt::ISODate));
}

QString csvDocumentAmount(QString amount)
{
    return amount.replace(u'.', u',');
}

// What is wrong with the range and the folder, before anything is read.
QStringList rangeProblems(const AuditExportRange& range, const QString& folder)
{
    QStringList problems;
    if (folder.trimmed().isEmpty())
        problems << QString::fromUtf8("Nincs megadva a mappa.");
    if (range.byNumber) {
        if (range.fromNumber.trimmed().isEmpty() || range.toNumber.trimmed().isEmpty())
            problems << QString::fromUtf8("Nincs megadva a számlaszám-tartomány.");
        else if (range.fromNumber.trimmed().toLongLong() > range.toNumber.trimmed().toLongLong())
            problems << QString::fromUtf8("A tartomány kezdő számlaszáma nagyobb a záró számlaszámnál.");
    } else {
        if (!range.from.isValid() || !range.to.isValid())
            problems << QString::fromUtf8("Nincs megadva érvényes dátumtartomány (éééé.hh.nn).");
        else if (range.from > range.to)
            problems << QString::fromUtf8("A tartomány kezdő dátuma későbbi a záró dátumnál.");
    }
    return problems;
}

// The numbers of the issued (printed) invoices of the range, in order.
QStringList issuedNumbers(DataModule& data, const AuditExportRange& range)
{
    Query list(data.connection(), QStringLiteral("NAV_EXPORT"));
    if (range.byNumber) {
        list.setSql({QStringLiteral("SELECT fBszam FROM szlafej WHERE fPrn = \"I\" AND"),
                     QStringLiteral(" CAST(fBszam AS UNSIGNED) BETWEEN :p0 AND :p1 GROUP BY fBszam ORDER BY fBszam")});
        list.setInteger(QStringLiteral("p0"), range.fromNumber.trimmed().toLongLong());
        list.setInteger(QStringLiteral("p1"), range.toNumber.trimmed().toLongLong());
    } else {
        list.setSql({QStringLiteral("SELECT fBszam FROM szlafej WHERE fPrn = \"I\" AND fRkelt BETWEEN :p0 AND :p1"),
                     QStringLiteral(" GROUP BY fBszam ORDER BY fBszam")});
        list.setText(QStringLiteral("p0"), range.from.toString(Qt::ISODate));
        list.setText(QStringLiteral("p1"), range.to.toString(Qt::ISODate));
    }
    list.open();
    QStringList numbers;
    for (int r = 0; r < list.rowCount(); ++r)
        numbers << list.text(r, 0);
    return numbers;
}

struct Item {
    QString fileName;
    QByteArray xml;
};

// The files to write and the summary's rows; problems lists every invoice left out with its reasons.
struct Collected {
    std::vector<Item> items;
    QString csv = QString::fromUtf8("Számlaszám;Kelte;Teljesítés;Fizetési határidő;Vevő;Nettó (Ft);ÁFA (Ft);"
                                    "Bruttó (Ft);Állapot;Nem írható ki, mert\r\n");
    QStringList problems;
};

// The document an invoice is written with: the stored one of an issued invoice, else one built
// now if it is valid. Empty when there is none; problems then says why.
QByteArray exportedDocument(DataModule& data, const QString& number, const InvoiceDocument& doc, QStringList& problems)
{
    problems = doc.problems;
    if (auto stored = storedDocument(data, number)) {
        problems.clear();
        return *stored;
    }
    if (!problems.isEmpty())
        return {};
    const ValidationResult v = validateInvoiceData(doc.xml);
    problems = v.problems;
    return v.valid ? doc.xml : QByteArray();
}

// Adds one invoice: its file and summary row, or its reasons for being left out.
void collectInvoice(DataModule& data, Query& state, const QString& number, Collected& out)
{
    const InvoiceDocument doc = buildInvoiceDocument(data, number);
    QStringList docProblems;
    const QByteArray xml = exportedDocument(data, number, doc, docProblems);
    state.setText(QStringLiteral("p0"), number);
    state.open();
    const QString stateText = state.isEmpty() ? QStringLiteral("UTOLAG") : state.fieldText(QStringLiteral("nAllapot"));
    if (xml.isEmpty()) {
        if (docProblems.isEmpty())
            docProblems << QString::fromUtf8("A számla adatszolgáltatási dokumentuma nem készíthető el.");
        for (const QString& p : docProblems)
            out.problems << QStringLiteral("K%1: %2").arg(number, p);
        out.csv += QStringList{u'K' + number, csvDate(doc.issueDate), csvDate(doc.deliveryDate), csvDate(doc.dueDate),
                               csvField(doc.customerName), QString(), QString(), QString(), stateText,
                               csvField(docProblems.join(u' '))}
                       .join(u';')
                   + QStringLiteral("\r\n");
        return;
    }
    out.items.push_back({QStringLiteral("K%1.xml").arg(number), xml});
    // What the file says, not what the invoice's lines say today.
    const QHash<QString, QString> f = documentFields(xml);
    const QString customer = f.value(QStringLiteral("customerName"), doc.customerName);
    out.csv += QStringList{u'K' + number,
                           csvDocumentDate(f.value(QStringLiteral("invoiceIssueDate"))),
                           csvDocumentDate(f.value(QStringLiteral("invoiceDeliveryDate"))),
                           csvDocumentDate(f.value(QStringLiteral("paymentDate"))),
                           csvField(customer),
                           csvDocumentAmount(f.value(QStringLiteral("invoiceNetAmountHUF"))),
                           csvDocumentAmount(f.value(QStringLiteral("invoiceVatAmountHUF"))),
                           csvDocumentAmount(f.value(QStringLiteral("invoiceGrossAmountHUF"))),
                           stateText,
                           QString()}
                   .join(u';')
               + QStringLiteral("\r\n");
}

// Writes every item into dir, all or none: a name taken by a folder, a device or a link is
// refused before anything is written, and a failed write removes what was written. Returns the
// message of a failure, empty when every file was written (their paths then in files).
QString writeAll(const QDir& dir, const std::vector<Item>& items, QStringList& files)
{
    for (const Item& item : items) {
        if (const QString problem = outputFileProblem(dir.filePath(item.fileName)); !problem.isEmpty())
            return problem + QString::fromUtf8(" Egy fájl sem íródott ki.");
    }
    for (const Item& item : items) {
        const QString path = dir.filePath(item.fileName);
        try {
            OutputFile::write(path, item.xml);
        } catch (const FileError& e) {
            for (const QString& written : files)
                QFile::remove(written);
            files.clear();
            const QString message = e.text() + QString::fromUtf8(" Egy fájl sem maradt a mappában.");
            logFailure(lcNav(), e, message);
            return message;
        }
        files << path;
    }
    return {};
}

} // namespace

AuditExportOutcome exportAuditData(DataModule& data, const AuditExportRange& range, const QString& folder)
{
    AuditExportOutcome out;
    if (const QStringList problems = rangeProblems(range, folder); !problems.isEmpty()) {
        out.message = problems.join(u'\n');
        return out;
    }
    const QStringList numbers = issuedNumbers(data, range);
    if (numbers.isEmpty()) {
        out.ok = true;
        out.message = QString::fromUtf8("A megadott tartományban nincs kiállított (nyomtatott) számla; nem készült fájl.");
        return out;
    }

    // Every invoice that has a valid document is written; the others are listed with their
    // reasons, in the message and in the summary.
    Collected collected;
    Query state(data.connection(), QStringLiteral("NAV_EXPORT_STATE"));
    state.setSql({QStringLiteral("SELECT nAllapot FROM szlanav WHERE nBszam = :p0")});
    for (const QString& number : numbers)
        collectInvoice(data, state, number, collected);

    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        out.message = QString::fromUtf8("A(z) %1 mappa nem hozható létre.").arg(folder);
        return out;
    }
    collected.items.push_back({QStringLiteral("osszesito.csv"), QByteArray("\xEF\xBB\xBF") + collected.csv.toUtf8()});
    if (const QString failure = writeAll(dir, collected.items, out.files); !failure.isEmpty()) {
        out.message = failure;
        return out;
    }
    const QStringList& problems = collected.problems;
    out.count = static_cast<int>(collected.items.size()) - 1;
    out.ok = problems.isEmpty();
    out.message = QString::fromUtf8("Az adóhatósági adatszolgáltatás elkészült: %1 számla és az osszesito.csv a(z) %2 "
                                    "mappában.")
                      .arg(out.count)
                      .arg(QDir::toNativeSeparators(dir.absolutePath()));
    if (!problems.isEmpty())
        out.message += QString::fromUtf8("\nNem íródott ki %1 számla (az osszesito.csv is felsorolja):\n- ")
                           .arg(numbers.size() - out.count)
                       + problems.join(QStringLiteral("\n- "));
    return out;
}

} // namespace orvena::nav
