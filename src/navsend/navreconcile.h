#pragma once
// Reconciling the books with the authority's copy: the issuer's outgoing invoices the authority
// holds for a period of issue dates (its digest list, every page, the period cut into spans the
// service allows) against the invoices issued here and the reports they were issued with. Each
// difference is one row saying what differs and what to do: an invoice issued here but missing
// there, one there but not here (issued by another program, or books restored from an old
// backup), amounts, dates, customer tax number or operation that differ (confirmed on the
// authority's full data of that invoice), reports still waiting or rejected.
//
// The books are read first (readBooks, on the caller's connection); reconcile() then only talks
// to the network, so a window runs it on a worker thread with its own client.
#include "navclient.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

namespace orvena {
class Connection;
}

namespace orvena::nav {

// The figures one report states, as the schema writes them (dates yyyy-MM-dd, decimals with ".").
struct ReportedFields {
    QString operation, issueDate, deliveryDate, customerTaxNumber, currency, net, netHuf, vat, vatHuf;
};
// The fields of an invoice-data document (operation from its invoiceReference: CREATE when none,
// MODIFY otherwise; the caller knows a storno's).
ReportedFields reportedFieldsOf(const QByteArray& document);

// Whether two invoice-data documents say the same (the same elements and texts, whatever the
// formatting).
bool sameInvoiceData(const QByteArray& a, const QByteArray& b);
// The compared fields on which two documents differ, each "name: itt X, a NAV-nál Y".
QStringList differingFieldTexts(const QByteArray& ours, const QByteArray& theirs);

struct BookInvoice {
    QString number;   // as reported: "K" + fBszam
    QString state;    // szlanav.nAllapot; empty when the invoice has no report row
    QString message;  // szlanav.nUzenet
    bool hasReport = false;
    ReportedFields fields;
};

struct Books {
    QString issuerCode;
    QString issuerName;
    QString mode; // zNavMod
    Credentials credentials;
    QDate from, to;
    std::vector<BookInvoice> invoices;
};

// The issuer of a reconciliation: `code`, or the one issuer that reports when `code` is empty.
// Empty with `problem` (Hungarian) set when there is none.
QString reconcileIssuer(Connection& connection, const QString& code, QString* problem);
// The issued invoices of the issuer with issue dates in the period and their reports. Throws DbError.
Books readBooks(Connection& connection, const QString& issuerCode, const QDate& from, const QDate& to);

// The spans of at most kMaxDigestDays days that cover the period, in order.
std::vector<std::pair<QDate, QDate>> digestSpans(const QDate& from, const QDate& to);

struct Difference {
    QString number;
    QString what;      // what differs, in Hungarian
    QString books;     // the books' value
    QString authority; // the authority's value
    QString action;    // what to do
};

struct Reconciliation {
    std::vector<Difference> differences;
    int booksCount = 0;
    int authorityCount = 0;
    QString failure; // Hungarian; set when the authority could not be asked to the end
    bool complete() const { return failure.isEmpty(); }
    bool matches() const { return complete() && differences.empty(); }
    // One Hungarian sentence for the operator and the command line.
    QString summary() const;
};

// Asks the authority and compares. Network only; safe on a worker thread with its own client.
Reconciliation reconcile(const Books& books, Client& client, const std::atomic<bool>* cancel = nullptr);

// The CSV of the differences (header line, one line per difference), for the output-file writer.
QStringList reconciliationHeaders();
QByteArray reconciliationCsv(const Reconciliation& result);

} // namespace orvena::nav
