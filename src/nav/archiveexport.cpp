#include "archiveexport.h"

#include "invoiceissue.h"

#include "db/datamodule.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/outputfile.h"
#include "db/query.h"
#include "db/resultset.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace orvena::nav {

namespace {

QString csvField(QString text)
{
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    if (text.contains(u';') || text.contains(u'"'))
        return u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}

// A stored DECIMAL as the index shows it: decimal comma, two decimals.
QString amountText(const QString& stored)
{
    if (stored.trimmed().isEmpty())
        return {};
    QString t = stored.trimmed().replace(u'.', u',');
    qsizetype comma = t.indexOf(u',');
    if (comma < 0) {
        comma = t.size();
        t += u',';
    }
    t = t.left(comma + 3);
    while (t.size() < comma + 3)
        t += u'0';
    return t;
}

QString dateText(const QString& stored)
{
    return stored.trimmed().replace(u'-', u'.');
}

QString kindText(const QString& operation)
{
    const QString op = operation.trimmed().toUpper();
    if (op == u"STORNO")
        return QStringLiteral("storno");
    if (op == u"MODIFY" || op == u"HELYESBITES")
        return QStringLiteral("helyesbítő");
    if (op.isEmpty())
        return QStringLiteral("számla");
    return op.toLower();
}

struct Item {
    QString fileName;
    QByteArray bytes;
};

// The archived files of the invoices issued in [from, to] and the index.csv naming them; the
// files whose stored hash no longer matches are added to `mismatched`.
std::vector<Item> archivedItems(DataModule& data, const QDate& from, const QDate& to, int& invoices,
                                QStringList& mismatched)
{
    // The invoice's sums as issued; an archived invoice the books no longer hold (a restore of an
    // older backup) is found by the day it was archived.
    Query q(data.connection(), QStringLiteral("ARCHIVE_EXPORT"));
    q.setSql({QStringLiteral("SELECT a.aID, a.aBszam, a.aElektronikus, a.aPdf, a.aPdfSha, a.aXml, a.aXmlSha,"),
              QStringLiteral(" DATE_FORMAT(a.aKeszult, '%Y.%m.%d %H:%i:%s') AS keszult, o.oMuvelet, o.oRkelt, o.oTkelt,"),
              QStringLiteral(" o.oFkelt, o.oPnem, o.oNetto, o.oAfa, o.oNetto + o.oAfa AS brutto,"),
              QStringLiteral(" (SELECT vNeve FROM vevo WHERE vKod = o.ovKod ORDER BY vID LIMIT 1) AS vevo"),
              QStringLiteral("FROM szlaarchiv a LEFT JOIN szlaosszeg o ON o.oBszam = a.aBszam"),
              QStringLiteral("WHERE COALESCE(o.oRkelt, DATE(a.aKeszult)) BETWEEN :p0 AND :p1"),
              QStringLiteral("ORDER BY a.aBszam, a.aID")});
    q.setText(QStringLiteral("p0"), from.toString(QStringLiteral("yyyy-MM-dd")));
    q.setText(QStringLiteral("p1"), to.toString(QStringLiteral("yyyy-MM-dd")));
    q.open();

    std::vector<Item> items;
    QSet<QString> names;
    QString csv = QStringLiteral("Számlaszám;Fajta;Megjelenés;Kelte;Teljesítés;Fizetési határidő;Vevő;Pénznem;Nettó;"
                                 "ÁFA;Bruttó;PDF-fájl;PDF SHA-256;XML-fájl;XML SHA-256;Megőrizve\r\n");
    const ResultSet* rows = q.result();
    for (int row = 0; rows && row < q.rowCount(); ++row) {
        q.setCurrentRow(row);
        const QString number = q.fieldText(QStringLiteral("aBszam")).trimmed();
        QString base = u'K' + number;
        if (names.contains(base)) // issued again under the same number (books restored from an older backup)
            base += u'_' + q.fieldText(QStringLiteral("aID"));
        names.insert(base);
        QStringList fileNames, hashes;
        auto add = [&](int column, int shaColumn, const QString& extension) {
            if (rows->isNull(row, column)) {
                fileNames << QString();
                hashes << QString();
                return;
            }
            const QByteArray bytes = rows->raw(row, column);
            const QString hash = QString::fromLatin1(sha256Hex(bytes));
            if (hash != rows->text(row, shaColumn).trimmed())
                mismatched << QStringLiteral("%1.%2").arg(base, extension);
            items.push_back({base + u'.' + extension, bytes});
            fileNames << items.back().fileName;
            hashes << hash;
        };
        add(3, 4, QStringLiteral("pdf"));
        add(5, 6, QStringLiteral("xml"));
        csv += QStringList{u'K' + number,
                           kindText(q.fieldText(QStringLiteral("oMuvelet"))),
                           q.fieldText(QStringLiteral("aElektronikus")) == u"1" ? QStringLiteral("elektronikus")
                                                                              : QStringLiteral("papír"),
                           dateText(q.fieldText(QStringLiteral("oRkelt"))),
                           dateText(q.fieldText(QStringLiteral("oTkelt"))),
                           dateText(q.fieldText(QStringLiteral("oFkelt"))),
                           csvField(q.fieldText(QStringLiteral("vevo")).trimmed()),
                           q.fieldText(QStringLiteral("oPnem")).trimmed(),
                           amountText(q.fieldText(QStringLiteral("oNetto"))),
                           amountText(q.fieldText(QStringLiteral("oAfa"))),
                           amountText(q.fieldText(QStringLiteral("brutto"))),
                           fileNames.at(0), hashes.at(0), fileNames.at(1), hashes.at(1),
                           q.fieldText(QStringLiteral("keszult"))}
                   .join(u';')
               + QStringLiteral("\r\n");
        ++invoices;
    }
    items.push_back({QStringLiteral("index.csv"), QByteArray("\xEF\xBB\xBF") + csv.toUtf8()});
    return items;
}

// Every file written into the folder, or none: each target is checked first, and what was
// written is removed when a later one fails. The reason is set in out.message on failure.
bool writeItems(const QDir& dir, const std::vector<Item>& items, ArchiveExportOutcome& out)
{
    for (const Item& item : items)
        if (const QString problem = outputFileProblem(dir.filePath(item.fileName)); !problem.isEmpty()) {
            out.message = problem + QStringLiteral(" Egy fájl sem íródott ki.");
            return false;
        }
    for (const Item& item : items) {
        const QString path = dir.filePath(item.fileName);
        try {
            OutputFile::write(path, item.bytes);
        } catch (const FileError& e) {
            for (const QString& written : out.files)
                QFile::remove(written);
            out.files.clear();
            out.message = e.text() + QStringLiteral(" Egy fájl sem maradt a mappában.");
            logFailure(lcNav(), e, out.message);
            return false;
        }
        out.files << path;
    }
    return true;
}

} // namespace

ArchiveExportOutcome exportArchive(DataModule& data, const QDate& from, const QDate& to, const QString& folder)
{
    ArchiveExportOutcome out;
    if (!from.isValid() || !to.isValid() || from > to) {
        out.message = QStringLiteral("Érvénytelen dátumtartomány.");
        return out;
    }
    if (folder.trimmed().isEmpty()) {
        out.message = QStringLiteral("Meg kell adni a célmappát.");
        return out;
    }
    QStringList mismatched;
    const std::vector<Item> items = archivedItems(data, from, to, out.invoices, mismatched);
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        out.message = QStringLiteral("A(z) %1 mappa nem hozható létre.").arg(folder);
        return out;
    }
    if (!writeItems(dir, items, out))
        return out;
    out.ok = mismatched.isEmpty();
    out.message = QStringLiteral("Az archívum kiírva: %1 számla (%2 fájl) és az index.csv a(z) %3 mappában.")
                      .arg(out.invoices)
                      .arg(items.size() - 1)
                      .arg(QDir::toNativeSeparators(dir.absolutePath()));
    if (!mismatched.isEmpty())
        out.message += QStringLiteral("\nA megőrzéskor feljegyzett lenyomattól eltér (a tárolt fájl megváltozott): %1")
                           .arg(mismatched.join(QStringLiteral(", ")));
    return out;
}

} // namespace orvena::nav
