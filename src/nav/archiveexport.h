#pragma once
// The archive of issued invoices for an auditor: for every invoice issued in a date range (by issue
// date), the PDF kept when it was issued (the very file e-mailed, for an electronic invoice) and
// its invoice-data document, byte for byte as kept, and an index index.csv naming each invoice's
// number, kind, appearance, dates, customer, totals and the SHA-256 of each file. Every file goes
// through the one output-file writer; a file that cannot be written leaves none behind. A kept file
// whose bytes no longer match the hash noted when it was kept is written and named in the message.
#include <QDate>
#include <QString>
#include <QStringList>

namespace orvena {

class DataModule;

namespace nav {

struct ArchiveExportOutcome {
    bool ok = false; // every file was written and matched its hash
    int invoices = 0;
    QString message; // Hungarian
    QStringList files;
};

ArchiveExportOutcome exportArchive(DataModule& data, const QDate& from, const QDate& to, const QString& folder);

} // namespace nav
} // namespace orvena
