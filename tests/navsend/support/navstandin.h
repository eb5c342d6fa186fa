#pragma once
// A local stand-in for the tax authority's reporting service, for tests only: HTTPS on
// 127.0.0.1 with a certificate signed by a test CA that is generated (openssl command line) when
// the server starts. It checks every request as the service does — the 10 MB body limit, schema
// of the envelope and of every invoice document (gzip-decompressed when the request says so),
// password hash, request signature, request-id uniqueness per taxpayer, timestamp, single-use
// exchange tokens, sequential indices — and answers as the test asks.
#include "navsend/navxmltree.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <memory>

class QSslServer;
class QSslSocket;

namespace orvena::test {

class NavStandIn : public QObject {
    Q_OBJECT
public:
    // The fate of one invoice in the asynchronous processing.
    enum class Verdict { Accept, Warn, Reject };
    // A fault answered instead of the normal processing of one request.
    enum class Fault {
        WrongSignature, // INVALID_REQUEST_SIGNATURE, nothing stored
        Maintenance,    // HTTP 503 MAINTENANCE_MODE, nothing stored
        Timeout,        // no answer at all, nothing stored (the client gives up)
        LostAnswer,     // processed and stored, but the connection closes without an answer
        Duplicate,      // REQUEST_ID_NOT_UNIQUE, nothing stored
        ServerError,    // HTTP 500 OPERATION_FAILED, nothing stored
        StoredServerError, // processed and stored, then HTTP 500 with a GeneralErrorResponse
        StoredForeignAnswer, // processed and stored, then HTTP 200 with a document of another kind
        StoredOtherRequestId, // processed and stored, then a refusal naming another request id
        Redirect,       // HTTP 307 to another address, nothing stored
        HugeAnswer      // HTTP 200 streaming hugeAnswerBytes() without a length, nothing stored
    };

    struct User {
        QString login;
        QString password;
        QString taxpayerId; // 8 digits
        QString signatureKey;
        QString exchangeKey; // 16 characters
    };
    struct Invoice {
        QString transactionId;
        int index = 0;
        QString operation;
        QString number;
        QByteArray document; // as issued (decompressed when it came compressed)
        QByteArray sent;     // the invoiceData as it came, decoded from BASE64
        bool compressed = false;
        Verdict verdict = Verdict::Accept;
        QString errorCode; // of a rejection (INVALID_VAT_DATA unless the number was reported before)
    };
    struct Transaction {
        QString id;
        QString taxpayerId;
        QString login;
        QDateTime insDate;
        QList<Invoice> invoices;
        int statusQueries = 0;
    };
    struct Request {
        QString operation;
        QString requestId;
        QByteArray body;
        int httpStatus = 0;
        QString errorCode;
    };

    explicit NavStandIn(QObject* parent = nullptr);
    ~NavStandIn() override;

    // Generates the certificates and listens; false (with error()) on failure.
    bool start();
    QString error() const { return m_error; }
    QString baseUrl() const;  // https://127.0.0.1:<port>/invoiceService/v3
    QString caFile() const;   // the test CA (PEM)
    // Sets ORVENA_NAV_URL and ORVENA_NAV_CA for the program under test.
    void exportEnvironment() const;

    void addUser(const User& user);
    void addTaxpayer(const QString& taxpayerId, const QString& name, const QString& postalCode,
                     const QString& city, const QString& streetName, const QString& placeCategory,
                     const QString& number);

    // --- what the test asks for ---
    void setVerdict(const QString& invoiceNumber, Verdict verdict) { m_verdicts[invoiceNumber] = verdict; }
    // The next request of this operation gets the fault instead of its normal answer.
    void addFault(const QString& operation, Fault fault, int times = 1);
    // Status queries answered PROCESSING before an invoice's result is known.
    void setPollsBeforeDone(int polls) { m_pollsBeforeDone = polls; }
    // Delay (ms) for Timeout faults before the connection is dropped.
    void setTimeoutHold(int milliseconds) { m_timeoutHold = milliseconds; }
    void setHugeAnswerBytes(qint64 bytes) { m_hugeAnswerBytes = bytes; }

    // The authority's copy of the outgoing invoices (what queryInvoiceDigest and queryInvoiceData
    // answer from): every invoice of a stored report that was not rejected, the latest per number,
    // changed by these. A number reported again while its copy stands is rejected with
    // INVOICE_NUMBER_NOT_UNIQUE, as the service does.
    // Adds or replaces an invoice (reported by another program, or with other content).
    void setAuthorityCopy(const QString& number, const QString& operation, const QByteArray& document);
    // The authority holds no invoice of this number.
    void dropAuthorityCopy(const QString& number);
    // Digest entries per page (default 2, so a test's few invoices span pages).
    void setDigestPageSize(int size) { m_digestPageSize = size; }

    // --- what happened ---
    const QList<Request>& requests() const { return m_requests; }
    int requestCount(const QString& operation) const;
    const QList<Transaction>& transactions() const { return m_transactions; }
    // How many times an invoice number was received in stored manageInvoice transactions.
    int timesReported(const QString& invoiceNumber) const;
    // Problems found in requests (schema, signature, ...), for tests that expect none.
    const QStringList& violations() const { return m_violations; }
    void clearLog();
    // Forgets transactions, verdicts, pending faults and the log (users and taxpayers stay).
    void reset();

private:
    struct Pending;
    void onNewConnection();
    void onReadyRead(QSslSocket* socket);
    void handle(QSslSocket* socket, const QByteArray& method, const QByteArray& path,
                const QHash<QByteArray, QByteArray>& headers, const QByteArray& body);
    void reply(QSslSocket* socket, int status, const QByteArray& body, const QByteArray& extraHeaders = {});
    QByteArray errorBody(const nav::XmlNode& request, const QString& funcCode, const QString& errorCode,
                         const QString& message, const QStringList& technical = {});
    QByteArray okHead(const char* root, const nav::XmlNode& request);
    bool certificates();

    QByteArray answerTokenExchange(const nav::XmlNode& req, const User& user);
    QByteArray answerManageInvoice(const nav::XmlNode& req, const User& user, int* status, QString* errorCode,
                                   bool* stored);
    QByteArray answerStatus(const nav::XmlNode& req, const User& user);
    QByteArray answerList(const nav::XmlNode& req, const User& user, int* status, QString* errorCode);
    QByteArray answerTaxpayer(const nav::XmlNode& req);
    QByteArray answerDigest(const nav::XmlNode& req, const User& user, int* status, QString* errorCode);
    QByteArray answerInvoiceData(const nav::XmlNode& req, const User& user);
    struct Copy {
        QString operation;
        QByteArray document;
        QString transactionId;
        int index = 0;
        QDateTime insDate;
    };
    // The authority's copy for the taxpayer, by invoice number.
    QMap<QString, Copy> authorityCopy(const QString& taxpayerId) const;

    std::unique_ptr<QSslServer> m_server;
    QTemporaryDir m_dir;
    QString m_error;
    QHash<QString, User> m_users;
    struct Taxpayer {
        QString name, postalCode, city, streetName, placeCategory, number;
    };
    QHash<QString, Taxpayer> m_taxpayers;
    QHash<QString, Verdict> m_verdicts;
    QHash<QString, std::deque<Fault>> m_faults;
    QHash<QString, QSet<QString>> m_usedRequestIds; // per taxpayer
    struct Token {
        QString taxpayerId;
        QDateTime validTo;
        bool used = false;
    };
    QHash<QString, Token> m_tokens;
    QList<Transaction> m_transactions;
    QList<Request> m_requests;
    QStringList m_violations;
    QHash<QSslSocket*, QByteArray> m_buffers;
    int m_pollsBeforeDone = 1;
    int m_timeoutHold = 1500;
    qint64 m_hugeAnswerBytes = 4 * 1024 * 1024;
    int m_nextTransaction = 1;
    QMap<QString, Copy> m_copies;  // set by the test
    QSet<QString> m_dropped;       // numbers the authority lacks
    int m_digestPageSize = 2;
};

} // namespace orvena::test
