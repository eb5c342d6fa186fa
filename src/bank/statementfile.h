#pragma once
// Bank statements as the internet banks export them: ISO 20022 camt.053 (XML, versions 001.02
// and 001.08) and SWIFT MT940 (text in UTF-8, ISO 8859-2 or code page 852). A file is read
// whole into memory and checked before anything is stored; a faulty one yields a Hungarian
// message and no statement. QtCore only (libxml2 for the XML form).
#include <QByteArray>
#include <QDate>
#include <QString>
#include <vector>

namespace orvena::bank {

// Files beyond these are refused before they are parsed: a real daily statement is a few
// hundred kilobytes and a few thousand entries.
inline constexpr qsizetype kMaxFileBytes = 32 * 1024 * 1024;
inline constexpr int kMaxEntries = 100000;
inline constexpr int kMaxPartsPerEntry = 1000;

// One transaction of an entry (a batch entry holds several).
struct StatementPart {
    qint64 amount = 0;    // fillér, positive
    QString endToEndId;   // the payer's own reference
    QString name;         // the counterparty: the payer of a credit, the payee of a debit
    QString account;      // the counterparty's IBAN or account number as given
    QString remittance;   // free remittance text
    QString reference;    // structured creditor reference
};

struct StatementEntry {
    qint64 amount = 0;    // fillér, positive
    bool credit = true;   // its effect on the balance: true adds, false takes away
    bool reversal = false; // the bank's reversal of an earlier entry
    QString currency;
    QString bankReference; // the bank's own reference of the entry; may be empty
    QDate bookingDate;
    QDate valueDate;
    std::vector<StatementPart> parts; // at least one
};

struct Statement {
    QString id;        // the statement's identification (camt Stmt/Id, MT940 :28C: or :20:)
    QString account;   // the account as the file gives it (IBAN or domestic number)
    QString currency;
    qint64 opening = 0; // signed, fillér
    qint64 closing = 0;
    QDate openingDate;
    QDate closingDate;
    std::vector<StatementEntry> entries;
};

struct StatementFile {
    QString format;   // "camt.053.001.02", "camt.053.001.08", "MT940"
    QString encoding; // the text's encoding as detected ("UTF-8", "ISO-8859-2", "CP852")
    std::vector<Statement> statements;
    QString error;    // Hungarian; set when the file cannot be used, and then nothing else is
    bool ok() const { return error.isEmpty(); }
};

// Reads a statement file of either form (told apart by its content) and checks every statement
// in it: opening balance plus credits less debits equals the closing balance.
StatementFile readStatementFile(const QByteArray& bytes);
StatementFile readCamt053(const QByteArray& bytes);
StatementFile readMt940(const QByteArray& bytes);

// "1234,56" or "1234.56" (no sign, at most two decimals) in fillér; false when malformed.
bool parseStatementAmount(const QString& text, qint64& filler);

// The digits that identify a Hungarian account: the 24-digit domestic number of a HU IBAN or of
// a 16- or 24-digit domestic account number (blanks and hyphens ignored); a foreign IBAN as
// written in capitals without blanks; empty for an empty text.
QString accountKey(const QString& account);

} // namespace orvena::bank
