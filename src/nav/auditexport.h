#pragma once
// The tax-audit data export: the invoice-data document of every invoice issued in a date range
// (by issue date) or a range of invoice numbers, one file per invoice named by its printed
// number, and a summary osszesito.csv. The stored document of an issued invoice is written as
// issued; an invoice issued before documents were stored gets one built now. Every invoice with
// a valid document is written; the others are listed with their reasons in the message and in
// the summary, whose dates and amounts are read from the written documents. A file that cannot
// be written leaves none behind.
#include <QDate>
#include <QString>
#include <QStringList>

namespace orvena {

class DataModule;

namespace nav {

struct AuditExportRange {
    bool byNumber = false;
    QDate from, to;                // byNumber false: issue dates, both ends included
    QString fromNumber, toNumber;  // byNumber true: invoice numbers, both ends included
};

struct AuditExportOutcome {
    bool ok = false; // every invoice of the range was written
    int count = 0;   // invoice files written
    QString message; // Hungarian: the result with the count and every invoice left out with its reasons
    QStringList files;
};

AuditExportOutcome exportAuditData(DataModule& data, const AuditExportRange& range, const QString& folder);

} // namespace nav
} // namespace orvena
