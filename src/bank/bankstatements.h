#pragma once
// Statement entries in the database: storing a read file once (its account an issuer's), the
// invoices a credit may pay (best first), booking a credit as payments through the payment path
// and undoing it. QtCore only; the screen and the command line build on it.
#include "statementfile.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace orvena {
class Connection;
}

namespace orvena::bank {

// The issuers (zKod) whose account (zIBAN, zBankszla or zBankszla2) is this account.
QStringList issuersOfAccount(Connection& connection, const QString& account);

// Asked when a statement's account is no single issuer's: the issuer code to file it under
// (candidates: the issuers owning it, or every issuer when none does), or empty to stop.
using IssuerChooser = std::function<QString(const QString& account, const QStringList& candidates)>;
// Told while entries are stored: how many of how many.
using Progress = std::function<void(int done, int total)>;

struct ImportResult {
    bool ok = false;
    QString message;            // Hungarian: the summary, or why nothing was stored
    int statements = 0;
    int stored = 0;             // entry rows new in this import
    int alreadyStored = 0;      // rows an earlier import stored
    std::vector<qint64> newEntries; // their ktID
};

// Reads, checks and stores a statement file in one transaction: either every new entry is
// stored or none. An entry stored before (same account, statement and bank reference) is
// counted, never stored twice.
ImportResult importStatement(Connection& connection, const QByteArray& bytes, const QString& fileName,
                             const IssuerChooser& chooseIssuer, const Progress& progress = {});

// One stored entry row (one transaction of a bank entry).
struct EntryRow {
    qint64 id = 0;
    QString statement;
    QString bankReference;
    bool credit = true;
    bool reversal = false;
    bool booked = false;
    qint64 amount = 0; // fillér, positive
    QString currency;
    QDate bookingDate;
    QDate valueDate;
    QString name;
    QString account;
    QString remittance; // the free text and the structured reference
};

EntryRow loadEntry(Connection& connection, qint64 id);
// The entries as the screen lists them: open credits first, then the other open entries, the
// booked ones (withBooked) last; at most limit.
std::vector<EntryRow> loadEntries(Connection& connection, bool withBooked, int limit = 5000);

// An issued invoice with something still to pay.
struct OpenInvoice {
    QString number;
    QString customer;     // vKod
    QString customerName;
    QString currency;     // as the invoice states it ("Ft", "HUF", "EUR")
    qint64 balance = 0;   // fillér
    QDate due;
};

// What the matching knows of the invoices: those open and the accounts each customer paid from.
struct MatchingData {
    std::vector<OpenInvoice> open;
    // customer code -> account keys (see accountKey) of its earlier payments and its master data
    QMultiHash<QString, QString> customerAccounts;
};
MatchingData loadMatchingData(Connection& connection);

struct Allocation {
    QString invoice;
    qint64 amount = 0; // fillér
    bool operator==(const Allocation&) const = default;
};

struct Suggestion {
    std::vector<Allocation> allocations;
    int score = 0;
    QString reason; // Hungarian, for the screen
    // The invoice numbers are in the remittance and the amount equals their balances exactly.
    bool exact = false;
};

// The invoices a credit may pay, best first; nothing for a debit, a reversal or a booked entry.
std::vector<Suggestion> suggestMatches(const EntryRow& entry, const MatchingData& data);

// The open invoices' numbers found in a remittance text, in order of appearance (the stored
// number or its printed form with the "K" before it).
QStringList invoiceNumbersIn(const QString& text, const std::vector<OpenInvoice>& open);

// Books a credit as payments of the allocated invoices, in one transaction: the entry is
// locked and must still be open, each payment goes through the payment path (its invoice
// locked, its balance checked) and names the entry. Empty on success, otherwise the Hungarian
// reason; then nothing was written.
QString bookEntry(Connection& connection, qint64 entryId, const std::vector<Allocation>& allocations);
// Undoes a booked entry: its payments are marked deleted and the entry is open again.
QString undoEntry(Connection& connection, qint64 entryId);

// The amount in program form with the currency: "12 345,00 HUF".
QString amountText(qint64 filler, const QString& currency);

} // namespace orvena::bank

namespace orvena::bank {

// The unattended booking of a file's new entries: a credit is booked only when its remittance
// names open invoices and its amount equals their balances exactly.
struct ExactBookingResult {
    QStringList booked; // one line each: the entry and the invoices it paid
    QStringList left;   // one line each: an entry left for the screen, and why
    QStringList failed; // a booking refused at write time (another workstation was first)
};
ExactBookingResult bookExactMatches(Connection& connection, const std::vector<qint64>& entries, bool book);

// One line describing an entry: date, direction, amount, counterparty, remittance.
QString entryLine(const EntryRow& entry);

} // namespace orvena::bank
