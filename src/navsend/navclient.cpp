#include "navclient.h"

#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

#include <cstring>

namespace orvena::nav {

namespace {

QSslConfiguration sslConfiguration()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QString extra = qEnvironmentVariable("ORVENA_NAV_CA");
    if (!extra.isEmpty()) {
        QFile file(extra);
        if (file.open(QIODevice::ReadOnly)) {
            const auto certificates = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
            if (!certificates.isEmpty())
                config.addCaCertificates(certificates);
        }
    }
    return config;
}

bool neverConnected(QNetworkReply::NetworkError e)
{
    switch (e) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::ProtocolUnknownError:
        return true;
    default:
        return false;
    }
}

// The request body as a device that cannot be rewound. Qt's HTTP layer quietly sends a request
// again when the server closes the connection without an answer; for a report that would be a
// second report of the same invoices. With nothing to rewind, such a close ends the request as
// unanswered instead, and the queue settles it through the transaction list.
class OneShotBody : public QIODevice {
public:
    explicit OneShotBody(QByteArray data, QObject* parent) : QIODevice(parent), m_data(std::move(data))
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos + QIODevice::bytesAvailable(); }
    qint64 size() const override { return m_data.size(); }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min(max, m_data.size() - m_pos);
        if (n <= 0)
            return m_pos >= m_data.size() ? -1 : 0;
        std::memcpy(out, m_data.constData() + m_pos, static_cast<size_t>(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};

// Why a document is not the service's answer to this request ("" when it is): its root must be
// the operation's answer or one of the general error answers, and all of them but the bare
// exception echo the request's id.
QString foreignDocument(const Exchange& ex)
{
    if (ex.root.isNull())
        return QStringLiteral("a válasz nem XML-dokumentum, HTTP %1").arg(ex.httpStatus);
    const QString api = QString::fromLatin1(kApiNamespace);
    const QString common = QString::fromLatin1(kCommonNamespace);
    const QString own = ex.operation.left(1).toUpper() + ex.operation.mid(1) + QStringLiteral("Response");
    const bool known = (ex.root.namespaceUri == api && (ex.root.name == own || ex.root.name == u"GeneralErrorResponse"))
                       || (ex.root.namespaceUri == common
                           && (ex.root.name == u"GeneralExceptionResponse" || ex.root.name == u"GeneralErrorHeaderResponse"));
    if (!known)
        return QStringLiteral("a válasz nem a NAV szolgáltatásának válasza: %1").arg(ex.root.name);
    if (ex.root.name != u"GeneralExceptionResponse" && ex.root.textAt(u"header/requestId") != ex.requestId)
        return QStringLiteral("a válasz más kérésre szól: %1").arg(ex.root.textAt(u"header/requestId"));
    return {};
}

// Why an answer cannot be taken as the service's word on this request ("" when it can).
QString untrustworthy(const Exchange& ex, const QString& foreign)
{
    if (ex.httpStatus >= 500)
        return QStringLiteral("HTTP %1").arg(ex.httpStatus);
    if (ex.httpStatus >= 300 && ex.httpStatus < 400)
        return QStringLiteral("a szolgáltatás máshová irányított, HTTP %1").arg(ex.httpStatus);
    if (ex.httpStatus < 200)
        return QStringLiteral("HTTP %1").arg(ex.httpStatus);
    return foreign;
}

} // namespace

QString urlRefusal(const QString& text)
{
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && scheme == u"https" && !url.host().isEmpty())
        return {};
    if (url.isValid() && scheme == u"http") {
        const QString host = url.host();
        if (host.compare(u"localhost", Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback())
            return {};
        return QStringLiteral("a szolgáltatás címe (%1) titkosítatlan http:// cím; ilyen csak a saját gépre mutathat")
            .arg(url.toString(QUrl::RemoveUserInfo));
    }
    return QStringLiteral("a szolgáltatás címe (%1) nem https:// cím").arg(url.toString(QUrl::RemoveUserInfo));
}

QString baseUrl(Environment environment)
{
    const QString over = qEnvironmentVariable("ORVENA_NAV_URL");
    if (!over.isEmpty())
        return over.endsWith(u'/') ? over.chopped(1) : over;
    return environment == Environment::Production
               ? QStringLiteral("https://api.onlineszamla.nav.gov.hu/invoiceService/v3")
               : QStringLiteral("https://api-test.onlineszamla.nav.gov.hu/invoiceService/v3");
}

std::optional<Environment> environmentFromMode(const QString& mode)
{
    const QString m = mode.trimmed().toUpper();
    if (m == u"TEST")
        return Environment::Test;
    if (m == u"PROD")
        return Environment::Production;
    return std::nullopt;
}

bool Exchange::maintenance() const
{
    return result.errorCode == u"MAINTENANCE_MODE" || httpStatus == 527 || httpStatus == 503;
}

QString Exchange::failureText() const
{
    if (ok())
        return {};
    switch (outcome) {
    case Outcome::NotSent:
        return QStringLiteral("A NAV szolgáltatása nem érhető el (%1).").arg(networkError);
    case Outcome::NoAnswer:
        return QStringLiteral("A NAV nem válaszolt időben (%1).").arg(networkError);
    case Outcome::Cancelled:
        return QStringLiteral("A kérés megszakadt, mert a program bezárult.");
    case Outcome::Answered:
    case Outcome::Unclear:
        break;
    }
    if (maintenance())
        return QStringLiteral("A NAV rendszere karbantartás miatt szünetel (MAINTENANCE_MODE).");
    QString text;
    if (result.errorCode == u"INVALID_SECURITY_USER")
        text = QStringLiteral("A NAV nem fogadta el a technikai felhasználót vagy a jelszót");
    else if (result.errorCode == u"INVALID_REQUEST_SIGNATURE")
        text = QStringLiteral("A NAV szerint a kérés aláírása hibás (ellenőrizze az aláíró kulcsot)");
    else if (result.errorCode == u"INVALID_EXCHANGE_TOKEN")
        text = QStringLiteral("A NAV nem fogadta el az adatszolgáltatási tokent (ellenőrizze a cserekulcsot)");
    else if (result.errorCode == u"NOT_REGISTERED_CUSTOMER" || result.errorCode == u"INVALID_CUSTOMER")
        text = QStringLiteral("A kibocsátó adószáma nincs regisztrálva a NAV Online Számla rendszerében");
    else if (result.errorCode == u"INVALID_USER_RELATION")
        text = QStringLiteral("A technikai felhasználó nem ehhez az adószámhoz tartozik");
    else if (result.errorCode == u"FORBIDDEN")
        text = QStringLiteral("A technikai felhasználónak nincs joga ehhez a művelethez");
    else if (result.errorCode == u"INVALID_TIMESTAMP")
        text = QStringLiteral("A gép órája egy napnál többet tér el a NAV idejétől");
    else if (outcome == Outcome::Unclear)
        text = QStringLiteral("A NAV válasza nem értelmezhető (%1)").arg(networkError);
    else
        text = QStringLiteral("A NAV hibát jelzett");
    QStringList details;
    if (!result.errorCode.isEmpty())
        details << result.errorCode;
    if (!result.message.isEmpty())
        details << result.message;
    for (const ValidationMessage& m : result.technical)
        details << m.describe();
    if (!details.isEmpty())
        text += QStringLiteral(": ") + details.join(QStringLiteral("; "));
    return text + u'.';
}

QString TokenResult::failureText() const
{
    if (!token.isEmpty())
        return {};
    if (exchange.ok())
        return QStringLiteral("A NAV által küldött token nem fejthető vissza a cserekulccsal (ellenőrizze a "
                              "cserekulcsot).");
    return exchange.failureText();
}

Client::Client(const QString& baseUrl, Credentials credentials)
    : m_baseUrl(baseUrl), m_credentials(std::move(credentials)), m_network(std::make_unique<QNetworkAccessManager>())
{
}

Client::~Client() = default;

namespace {

// The request of one post: XML both ways, HTTP/1.1, no redirect followed, our TLS settings, the
// body sent as it is read (no second copy in memory).
QNetworkRequest postRequest(const QString& target, qint64 bodySize)
{
    QNetworkRequest request{QUrl(target)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/xml"));
    request.setRawHeader("Accept", "application/xml");
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // A redirect is an answer of its own (and not the service's): the request is never sent on.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setSslConfiguration(sslConfiguration());
    request.setTransferTimeout(0);
    request.setHeader(QNetworkRequest::ContentLengthHeader, bodySize);
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    return request;
}

// What a post's reply brought: the answer as read, how much of the body went out, and why the
// transfer stopped early, if it did.
struct Transfer {
    QByteArray answer;
    qint64 uploaded = 0;
    bool timedOut = false;
    bool cancelled = false;
    bool tooLarge = false;
};

// Waits for the reply to end, taking the answer as it arrives, so one larger than maxBytes is
// dropped before it fills the memory; the deadline and the cancel flag abort it.
Transfer receive(QNetworkReply* reply, qint64 maxBytes, int timeoutMs, const std::atomic<bool>* cancel)
{
    Transfer t;
    auto take = [&] {
        while (!t.tooLarge && reply->bytesAvailable() > 0) {
            const QByteArray chunk = reply->read(std::min<qint64>(reply->bytesAvailable(), 1 << 20));
            if (t.answer.size() + chunk.size() > maxBytes) {
                t.tooLarge = true;
                t.answer.clear();
                reply->abort();
                return;
            }
            t.answer += chunk;
        }
    };
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::uploadProgress, &loop,
                     [&t](qint64 sent, qint64) { t.uploaded = std::max(t.uploaded, sent); });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!t.tooLarge && length.isValid() && length.toLongLong() > maxBytes) {
            t.tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        t.timedOut = true;
        reply->abort();
    });
    deadline.start(timeoutMs);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (cancel && cancel->load()) {
            t.cancelled = true;
            reply->abort();
        }
    });
    watch.start(50);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();
    watch.stop();
    if (reply->isOpen())
        take();
    return t;
}

} // namespace

Exchange Client::post(const QString& operation, const QString& requestId, const QByteArray& body)
{
    Exchange ex;
    ex.operation = operation;
    ex.requestId = requestId;
    ex.request = body;

    const QString target = m_baseUrl + u'/' + operation;
    if (const QString refusal = urlRefusal(target); !refusal.isEmpty()) {
        ex.outcome = Outcome::NotSent;
        ex.networkError = refusal;
        return ex;
    }
    auto* device = new OneShotBody(body, nullptr);
    QNetworkReply* reply = m_network->post(postRequest(target, body.size()), device);
    device->setParent(reply);
    const Transfer t = receive(reply, m_maxAnswerBytes, m_timeoutMs, m_cancel);
    ex.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    ex.networkError = reply->errorString();
    reply->deleteLater();

    if (t.tooLarge && !t.timedOut && !t.cancelled) {
        ex.outcome = Outcome::Unclear;
        ex.networkError = QStringLiteral("a válasz nagyobb %1 MB-nál").arg(m_maxAnswerBytes / (1024 * 1024));
        return ex;
    }
    if (ex.httpStatus > 0 && !t.timedOut && !t.cancelled) {
        ex.response = t.answer;
        ex.root = parseXml(ex.response);
        const QString foreign = foreignDocument(ex);
        if (foreign.isEmpty()) // a foreign document's codes are not the authority's
            ex.result = readBasicResult(ex.root);
        ex.networkError = untrustworthy(ex, foreign);
        ex.outcome = ex.networkError.isEmpty() ? Outcome::Answered : Outcome::Unclear;
        return ex;
    }
    if (t.cancelled)
        ex.outcome = t.uploaded > 0 ? Outcome::Cancelled : Outcome::NotSent;
    else if (t.timedOut)
        ex.outcome = Outcome::NoAnswer;
    else
        ex.outcome = neverConnected(error) && t.uploaded == 0 ? Outcome::NotSent : Outcome::NoAnswer;
    if (t.timedOut)
        ex.networkError = QStringLiteral("%1 mp alatt nem jött válasz").arg(m_timeoutMs / 1000.0, 0, 'g', 3);
    return ex;
}

TokenResult Client::tokenExchange()
{
    const RequestHeader h = RequestHeader::fresh();
    TokenResult r;
    r.exchange = post(QStringLiteral("tokenExchange"), h.requestId, buildTokenExchange(m_credentials, h));
    if (!r.exchange.ok())
        return r;
    const QByteArray encoded = QByteArray::fromBase64(r.exchange.root.textAt(u"encodedExchangeToken").toLatin1());
    const auto plain = aes128EcbDecrypt(encoded, m_credentials.exchangeKey.toUtf8());
    if (plain && !plain->isEmpty())
        r.token = QString::fromUtf8(*plain);
    return r;
}

Exchange Client::manageInvoice(const QString& exchangeToken, const std::vector<InvoiceOperation>& operations)
{
    return manageInvoice(exchangeToken, operations, RequestHeader::fresh());
}

Exchange Client::manageInvoice(const QString& exchangeToken, const std::vector<InvoiceOperation>& operations,
                               const RequestHeader& h)
{
    return post(QStringLiteral("manageInvoice"), h.requestId,
                buildManageInvoice(m_credentials, h, exchangeToken, operations));
}

Exchange Client::queryTransactionStatus(const QString& transactionId, bool returnOriginalRequest)
{
    const RequestHeader h = RequestHeader::fresh();
    return post(QStringLiteral("queryTransactionStatus"), h.requestId,
                buildQueryTransactionStatus(m_credentials, h, transactionId, returnOriginalRequest));
}

Exchange Client::queryTransactionList(const QDateTime& fromUtc, const QDateTime& toUtc, int page)
{
    const RequestHeader h = RequestHeader::fresh();
    return post(QStringLiteral("queryTransactionList"), h.requestId,
                buildQueryTransactionList(m_credentials, h, fromUtc, toUtc, page));
}

Exchange Client::queryTaxpayer(const QString& taxpayerId)
{
    const RequestHeader h = RequestHeader::fresh();
    return post(QStringLiteral("queryTaxpayer"), h.requestId, buildQueryTaxpayer(m_credentials, h, taxpayerId));
}

Exchange Client::queryInvoiceDigest(const QDate& from, const QDate& to, int page)
{
    const RequestHeader h = RequestHeader::fresh();
    return post(QStringLiteral("queryInvoiceDigest"), h.requestId,
                buildQueryInvoiceDigest(m_credentials, h, from, to, page));
}

Exchange Client::queryInvoiceData(const QString& invoiceNumber)
{
    const RequestHeader h = RequestHeader::fresh();
    return post(QStringLiteral("queryInvoiceData"), h.requestId,
                buildQueryInvoiceData(m_credentials, h, invoiceNumber));
}

} // namespace orvena::nav
