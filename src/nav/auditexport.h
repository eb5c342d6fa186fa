#pragma once
// The tax-audit data export: the invoice-data document of every invoice issued in a date range
// (by issue date) or a range of invoice numbers, one file per invoice named by its printed
// number, and a summary osszesito.csv. The stored document of an issued invoice is written as
// issued; an invoice issued before documents were stored gets one built now. Either every
// file is written or none.
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
    bool ok = false;
    int count = 0;
    QString message; // Hungarian: the result with the count, or every reason nothing was written
    QStringList files;
};

AuditExportOutcome exportAuditData(DataModule& data, const AuditExportRange& range, const QString& folder);

} // namespace nav
} // namespace orvena
