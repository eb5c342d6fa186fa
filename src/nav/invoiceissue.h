#pragma once
// Issuing an invoice (its first marking as printed) and the invoice-data document that goes
// with it: the document is built, the data the tax authority demands is checked and the
// document is validated against the official schema; the invoice is marked printed and its
// szlanav row written in one transaction. When the issuer reports (mode TEST or PROD), any
// problem refuses the issue; with mode OFF nothing is refused and the row is written only for
// a valid document. What the law and the authority's blocking rules refuse (InvoiceDocument::
// ruleProblems) refuses the issue in every mode; unusual data is put to the operator as a question
// first.
#include "invoicedata.h"
#include "issuedcontent.h"
#include "schemavalidator.h"

#include <functional>
#include <optional>

namespace orvena {

class DataModule;

namespace nav {

struct IssueCheck {
    InvoiceDocument document;
    QStringList problems; // data problems and schema violations
    IssuedContent content; // the printed legal content, kept with the invoice when it is issued
    bool valid() const { return problems.isEmpty() && !document.xml.isEmpty(); }
    bool reporting() const { return document.issuerMode == u"TEST" || document.issuerMode == u"PROD"; }
    bool refused() const { return (reporting() && !valid()) || !document.ruleProblems.isEmpty(); }
    // Asked before the issue (see issueQuestion); empty when there is nothing to confirm.
    const QStringList& questions() const { return document.questions; }
};

// Builds, checks and validates the document of the invoice (nothing is written).
IssueCheck checkInvoice(DataModule& data, const QString& invoiceNumber,
                        InvoiceAppearance appearance = InvoiceAppearance::Paper);

// The one Hungarian message listing every problem of the invoice.
QString problemMessage(const QString& invoiceNumber, const QStringList& problems);
// The same, closed by the sentence that the invoice stays unissued and modifiable.
QString refusalMessage(const QString& invoiceNumber, const QStringList& problems);

// The one Yes/No question listing the unusual data, ending "Biztosan kiállítja a számlát?".
QString issueQuestion(const QString& invoiceNumber, const QStringList& questions);

// What an issue keeps besides its document: the PDF of its original copy (the file an e-mail
// carries when `electronic`), and a step run inside the issuing transaction with the id of the
// archive row (the e-mail's log row, so an issued e-mailed invoice always has its delivery noted).
struct IssuedFile {
    QByteArray pdf; // empty: none was rendered (a presenter that makes no PDF)
    bool electronic = false;
    std::function<void(qint64 archiveId)> alongside;
};

// Marks the checked invoice printed, keeps its printed legal content and, for a valid document,
// writes its szlanav row; keeps the PDF and the document in szlaarchiv; all in one transaction. Returns the archive row's id. Throws
// DbError when a statement fails, Error when a modification was issued meanwhile elsewhere
// (nothing written either way).
qint64 markIssued(DataModule& data, const IssueCheck& check, const IssuedFile& file = {});

// The lower-case hexadecimal SHA-256 of the bytes, as the archive keeps it.
QByteArray sha256Hex(const QByteArray& bytes);

// Marks the invoice printed and writes its szlanav row in one
// transaction, after the checks above. There is no operator to ask here: the questions count as
// answered "Igen" (the print asks them through checkInvoice and issueQuestion). Returns the refusal message when the issue is refused
// (nothing written), an empty text otherwise. Throws DbError when a statement fails (then
// nothing is written either).
QString issueInvoice(DataModule& data, const QString& invoiceNumber);

// The stored document of an issued invoice, when it has one.
std::optional<QByteArray> storedDocument(DataModule& data, const QString& invoiceNumber);

// The document to hand out: the stored one of an issued invoice, otherwise freshly built and
// validated. problems lists why there is none.
QByteArray documentFor(DataModule& data, const QString& invoiceNumber, QStringList* problems);

} // namespace nav
} // namespace orvena
