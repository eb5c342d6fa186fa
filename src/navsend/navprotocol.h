#pragma once
// The documents of the reporting protocol: the signed request envelopes this program sends and
// the answers it reads. No network here (see navclient.h).
#include "navcrypto.h"
#include "navxmltree.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace orvena::nav {

inline constexpr const char* kApiNamespace = "http://schemas.nav.gov.hu/OSA/3.0/api";
inline constexpr const char* kCommonNamespace = "http://schemas.nav.gov.hu/NTCA/1.0/common";
inline constexpr int kMaxBatch = 100;
// The service takes a POST body of at most 10 megabytes, and an invoice document of at most
// 15 megabytes once decompressed.
inline constexpr qint64 kMaxRequestBytes = 10'000'000;
inline constexpr qint64 kMaxInvoiceBytes = 15'000'000;

// A technical user of one issuer, as stored in szallito.
struct Credentials {
    QString login;
    QString passwordHash;  // SHA-512 of the password, upper-case hex
    QString taxNumber;     // the issuer's tax number; its first 8 digits identify the taxpayer
    QString signatureKey;
    QString exchangeKey;
    // The first eight digits of the tax number, whatever its written form.
    QString taxpayerId() const;
    // Hungarian list of what is missing for a request ("" when complete).
    QString missing() const;
};

// The program's identification, fixed in the program.
struct SoftwareInfo {
    QString id;
    QString name;
    QString operation;
    QString mainVersion;
    QString devName;
    QString devContact;
    QString devCountryCode;
};
const SoftwareInfo& softwareInfo();

// requestId: a time stamp to the millisecond, a process counter and random letters, so ids stay
// unique for one taxpayer across runs and parallel programs ([+a-zA-Z0-9_]{1,30}).
QString newRequestId();

struct RequestHeader {
    QString requestId;
    QDateTime timestamp; // UTC
    static RequestHeader fresh();
};

// Timestamps in requests: yyyy-MM-ddTHH:mm:ss.zzzZ.
QString xmlTimestamp(const QDateTime& utc);

struct InvoiceOperation {
    InvoiceOperation(QString op, QByteArray doc, QByteArray hash = {})
        : operation(std::move(op)), document(std::move(doc)), electronicHash(std::move(hash))
    {
    }
    QString operation;   // CREATE, STORNO
    QByteArray document; // the invoice-data XML; the service receives it byte for byte
    // An electronic invoice's SHA-256 of its PDF as sent (hexadecimal), reported as
    // electronicInvoiceHash; empty for a paper invoice.
    QByteArray electronicHash;
};

// The invoiceData text of a document: gzip-compressed (the request says compressedContent),
// then BASE64. The request signature hashes this text, i.e. the compressed form.
QByteArray encodedInvoiceData(const QByteArray& document);
// The request's size grows by about this much per invoice beside its invoiceData text.
inline constexpr qint64 kOperationOverhead = 256;
// A request's size without its invoice operations, with room to spare.
inline constexpr qint64 kEnvelopeOverhead = 8192;

QByteArray buildTokenExchange(const Credentials& c, const RequestHeader& h);
QByteArray buildManageInvoice(const Credentials& c, const RequestHeader& h, const QString& exchangeToken,
                              const std::vector<InvoiceOperation>& operations);
QByteArray buildQueryTransactionStatus(const Credentials& c, const RequestHeader& h, const QString& transactionId,
                                       bool returnOriginalRequest);
QByteArray buildQueryTransactionList(const Credentials& c, const RequestHeader& h, const QDateTime& fromUtc,
                                     const QDateTime& toUtc, int page);
QByteArray buildQueryTaxpayer(const Credentials& c, const RequestHeader& h, const QString& taxpayerId);
// The issuer's outgoing invoices issued between the two days (at most kMaxDigestDays apart), one page.
QByteArray buildQueryInvoiceDigest(const Credentials& c, const RequestHeader& h, const QDate& from, const QDate& to,
                                   int page);
// The whole data of one outgoing invoice of this number.
QByteArray buildQueryInvoiceData(const Credentials& c, const RequestHeader& h, const QString& invoiceNumber);
// The longest span of issue dates one digest query may cover, both days counted.
inline constexpr int kMaxDigestDays = 35;

// --- answers ---

struct ValidationMessage {
    bool technical = false;
    QString resultCode; // ERROR, WARN, INFO (business); ERROR, CRITICAL (technical)
    QString errorCode;
    QString message;
    QString pointer; // tag / value / line, when given
    QString describe() const;
};

// The part every answer has: result code, error code and message; for a GeneralErrorResponse
// also its technical validation messages.
struct BasicResult {
    QString root; // the answer's root element
    QString funcCode;
    QString errorCode;
    QString message;
    std::vector<ValidationMessage> technical;
    bool ok() const { return funcCode == u"OK"; }
};
BasicResult readBasicResult(const XmlNode& root);

struct ProcessingResult {
    int index = 0;
    QString invoiceStatus; // RECEIVED, PROCESSING, SAVED, DONE, ABORTED
    std::vector<ValidationMessage> messages;
    QByteArray originalRequest; // decoded (and decompressed), when asked for
    bool hasWarnings() const;
};
std::vector<ProcessingResult> readProcessingResults(const XmlNode& root);

struct TransactionEntry {
    QString transactionId;
    QDateTime insDate;
    QString requestStatus;
    int itemCount = 0;
};
struct TransactionList {
    int currentPage = 0;
    int availablePage = 0;
    std::vector<TransactionEntry> transactions;
};
TransactionList readTransactionList(const XmlNode& root);

struct TaxpayerInfo {
    bool answered = false;
    bool valid = false;
    QString name;
    QString shortName;
    QString taxNumber; // 8-1-2 form
    QString address;   // the seat's address (or the first one given) in one line
};
TaxpayerInfo readTaxpayer(const XmlNode& root);

// One invoice of the authority's digest list.
struct InvoiceDigest {
    QString invoiceNumber;
    QString operation; // CREATE, MODIFY, STORNO
    QString issueDate, deliveryDate; // yyyy-MM-dd as given
    QString customerTaxNumber;       // 8 digits, when given
    QString customerName;
    QString currency;
    QString net, netHuf, vat, vatHuf; // decimals as given
};
struct InvoiceDigestList {
    int currentPage = 0;
    int availablePage = 0;
    std::vector<InvoiceDigest> invoices;
};
InvoiceDigestList readInvoiceDigest(const XmlNode& root);
// The invoice-data document of a queryInvoiceData answer (decompressed when it says so); empty
// when the authority has no such invoice or the data cannot be read.
QByteArray readInvoiceDataDocument(const XmlNode& root);

// The invoice number inside an invoice-data document ("" when it has none).
QString invoiceNumberOf(const QByteArray& invoiceDocument);

} // namespace orvena::nav
