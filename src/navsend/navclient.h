#pragma once
// The HTTPS client of the reporting service. Every call builds a fresh signed request, posts it
// with Content-Type and Accept application/xml and waits for the answer in a local event loop
// (use it from a worker thread, or accept that the caller's window keeps painting but waits).
// The server certificate is always verified: against the system's CAs, plus the one named by
// ORVENA_NAV_CA. ORVENA_NAV_URL replaces the base URL of both environments; a plain http://
// URL is refused unless it names this machine's loopback address (the requests carry the
// password hash). Redirects are not followed, and an answer is read up to a limit.
#include "navprotocol.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>

class QNetworkAccessManager;

namespace orvena::nav {

enum class Environment { Test, Production };

// The service's base URL for the environment (…/invoiceService/v3), or ORVENA_NAV_URL.
QString baseUrl(Environment environment);
// TEST / PROD as stored in zNavMod; nothing for OFF or anything else.
std::optional<Environment> environmentFromMode(const QString& mode);

// How one exchange with the service ended.
enum class Outcome {
    Answered, // an HTTP answer came back (read the result for success)
    NotSent,  // no connection was made: the request certainly did not arrive
    NoAnswer, // the request went out (or may have) but no answer came: it may have arrived
    Cancelled, // the program is closing; treated like NoAnswer by callers that sent data
    // An answer came that is not the service's word on this request: a server error (5xx), a
    // redirect, a document that is not one of the service's answers or that answers another
    // request id, or one too large to read. Like NoAnswer, the request may have arrived.
    Unclear
};

// Why a service URL is not used ("" when it is): anything but https://, except http:// to the
// loopback address.
QString urlRefusal(const QString& url);

// An answer larger than this is not read (the largest real answer, a status query returning
// a full request, stays near the request limit of 10 MB).
inline constexpr qint64 kMaxAnswerBytes = 32LL * 1024 * 1024;

struct Exchange {
    QString operation;
    QString requestId;
    QByteArray request;
    Outcome outcome = Outcome::NotSent;
    int httpStatus = 0;
    QByteArray response;
    XmlNode root;
    BasicResult result;
    QString networkError;

    // OK answer from the service.
    bool ok() const { return outcome == Outcome::Answered && result.ok(); }
    bool maintenance() const;
    // A one-line Hungarian description of a failure (empty when ok()).
    QString failureText() const;
};

struct TokenResult {
    Exchange exchange;
    QString token; // decrypted; empty on failure
    QString failureText() const;
};

class Client {
public:
    Client(const QString& baseUrl, Credentials credentials);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // How long an answer is awaited (default 60 s, the service's own absolute limit).
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // Answers larger than this end the call as Outcome::Unclear (default kMaxAnswerBytes).
    void setMaxAnswerBytes(qint64 bytes) { m_maxAnswerBytes = bytes; }
    // While waiting, the call gives up (Outcome::Cancelled) as soon as the flag turns true.
    void setCancelFlag(const std::atomic<bool>* flag) { m_cancel = flag; }
    const Credentials& credentials() const { return m_credentials; }

    TokenResult tokenExchange();
    Exchange manageInvoice(const QString& exchangeToken, const std::vector<InvoiceOperation>& operations);
    // With a header made beforehand, so the request id can be recorded before anything is sent.
    Exchange manageInvoice(const QString& exchangeToken, const std::vector<InvoiceOperation>& operations,
                           const RequestHeader& header);
    Exchange queryTransactionStatus(const QString& transactionId, bool returnOriginalRequest = false);
    Exchange queryTransactionList(const QDateTime& fromUtc, const QDateTime& toUtc, int page = 1);
    Exchange queryTaxpayer(const QString& taxpayerId);
    Exchange queryInvoiceDigest(const QDate& from, const QDate& to, int page = 1);
    Exchange queryInvoiceData(const QString& invoiceNumber);

    // Posts a prepared body to an operation (used by the calls above).
    Exchange post(const QString& operation, const QString& requestId, const QByteArray& body);

private:
    QString m_baseUrl;
    Credentials m_credentials;
    int m_timeoutMs = 60000;
    qint64 m_maxAnswerBytes = kMaxAnswerBytes;
    const std::atomic<bool>* m_cancel = nullptr;
    std::unique_ptr<QNetworkAccessManager> m_network;
};

} // namespace orvena::nav
