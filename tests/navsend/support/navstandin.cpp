#include "navstandin.h"

#include "navschemas.h"

#include "navsend/navcrypto.h"
#include "navsend/navgzip.h"
#include "navsend/navprotocol.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>
#include <QXmlStreamWriter>

namespace orvena::test {

namespace {

const QString kApi = QStringLiteral("http://schemas.nav.gov.hu/OSA/3.0/api");
const QString kCommon = QStringLiteral("http://schemas.nav.gov.hu/NTCA/1.0/common");
const QString kBase = QStringLiteral("http://schemas.nav.gov.hu/OSA/3.0/base");

QString hashHex(QCryptographicHash::Algorithm a, const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, a).toHex().toUpper());
}

QString stamp(const QDateTime& t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QDateTime readStamp(const QString& text)
{
    QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    return t.isValid() ? t.toUTC() : QDateTime::fromString(text, Qt::ISODate).toUTC();
}

const char* reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 307: return "Temporary Redirect";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 503: return "Service Unavailable";
    default: return "Internal Server Error";
    }
}

// Writes an answer: root, the request's header echoed, the result, the request's software.
class Answer {
public:
    Answer(const char* root, const nav::XmlNode& request, const QString& funcCode, const QString& errorCode = {},
           const QString& message = {})
        : w(&body)
    {
        w.writeStartDocument();
        w.writeNamespace(kCommon, QStringLiteral("common"));
        w.writeNamespace(kBase, QStringLiteral("base"));
        w.writeDefaultNamespace(kApi);
        w.writeStartElement(kApi, QString::fromLatin1(root));
        const nav::XmlNode& header = request.child(u"header");
        w.writeStartElement(kCommon, QStringLiteral("header"));
        w.writeTextElement(kCommon, QStringLiteral("requestId"),
                           header.textAt(u"requestId").isEmpty() ? QStringLiteral("UNKNOWN")
                                                                 : header.textAt(u"requestId"));
        w.writeTextElement(kCommon, QStringLiteral("timestamp"),
                           readStamp(header.textAt(u"timestamp")).isValid() ? header.textAt(u"timestamp")
                                                                            : stamp(QDateTime::currentDateTimeUtc()));
        w.writeTextElement(kCommon, QStringLiteral("requestVersion"), QStringLiteral("3.0"));
        w.writeTextElement(kCommon, QStringLiteral("headerVersion"), QStringLiteral("1.0"));
        w.writeEndElement();
        w.writeStartElement(kCommon, QStringLiteral("result"));
        w.writeTextElement(kCommon, QStringLiteral("funcCode"), funcCode);
        if (!errorCode.isEmpty())
            w.writeTextElement(kCommon, QStringLiteral("errorCode"), errorCode);
        if (!message.isEmpty())
            w.writeTextElement(kCommon, QStringLiteral("message"), message);
        w.writeEndElement();
        const nav::XmlNode& software = request.child(u"software");
        w.writeStartElement(kApi, QStringLiteral("software"));
        for (const nav::XmlNode& c : software.children)
            w.writeTextElement(kApi, c.name, c.text);
        if (software.children.empty()) {
            for (const char* tag : {"softwareId", "softwareName", "softwareOperation", "softwareMainVersion",
                                    "softwareDevName", "softwareDevContact"})
                w.writeTextElement(kApi, QString::fromLatin1(tag),
                                   tag == std::string_view("softwareId") ? QStringLiteral("000000000000000000")
                                   : tag == std::string_view("softwareOperation") ? QStringLiteral("LOCAL_SOFTWARE")
                                                                                  : QStringLiteral("-"));
        }
        w.writeEndElement();
    }
    void text(const QString& name, const QString& value, const QString& ns = kApi) { w.writeTextElement(ns, name, value); }
    QByteArray finish()
    {
        w.writeEndElement();
        w.writeEndDocument();
        return body;
    }
    QByteArray body;
    QXmlStreamWriter w;
};

} // namespace

NavStandIn::NavStandIn(QObject* parent) : QObject(parent) {}

NavStandIn::~NavStandIn()
{
    m_server.reset(); // its sockets report their disconnection to this object while it is whole
}

bool NavStandIn::certificates()
{
    const QString dir = m_dir.path();
    QFile ext(QDir(dir).filePath(QStringLiteral("server.ext")));
    if (!ext.open(QIODevice::WriteOnly))
        return false;
    ext.write("basicConstraints=CA:FALSE\nsubjectAltName=IP:127.0.0.1,DNS:localhost\n"
              "extendedKeyUsage=serverAuth\nkeyUsage=digitalSignature,keyEncipherment\n");
    ext.close();
    const QList<QStringList> steps = {
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", "ca.key",
         "-out", "ca.pem", "-days", "2", "-subj", "/CN=Orvena teszt CA", "-addext",
         "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"},
        {"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", "server.key",
         "-out", "server.csr", "-subj", "/CN=127.0.0.1"},
        {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-out",
         "server.pem", "-days", "2", "-extfile", "server.ext"}};
    for (const QStringList& args : steps) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start(QStringLiteral("openssl"), args);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            m_error = QStringLiteral("openssl %1: %2").arg(args.first(), QString::fromLocal8Bit(p.readAllStandardError()));
            return false;
        }
    }
    return true;
}

bool NavStandIn::start()
{
    if (!m_dir.isValid() || !certificates())
        return false;
    QFile certFile(QDir(m_dir.path()).filePath(QStringLiteral("server.pem")));
    QFile keyFile(QDir(m_dir.path()).filePath(QStringLiteral("server.key")));
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("certificate files missing");
        return false;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(QSslCertificate(certFile.readAll(), QSsl::Pem));
    config.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Ec, QSsl::Pem));
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server = std::make_unique<QSslServer>();
    m_server->setSslConfiguration(config);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &NavStandIn::onNewConnection);
    if (!m_server->listen(QHostAddress::LocalHost, 0)) {
        m_error = m_server->errorString();
        return false;
    }
    return true;
}

QString NavStandIn::baseUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1/invoiceService/v3").arg(m_server ? m_server->serverPort() : 0);
}

QString NavStandIn::caFile() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("ca.pem"));
}

void NavStandIn::exportEnvironment() const
{
    qputenv("ORVENA_NAV_URL", baseUrl().toUtf8());
    qputenv("ORVENA_NAV_CA", caFile().toUtf8());
}

void NavStandIn::addUser(const User& user)
{
    m_users.insert(user.login, user);
}

void NavStandIn::addTaxpayer(const QString& taxpayerId, const QString& name, const QString& postalCode,
                             const QString& city, const QString& streetName, const QString& placeCategory,
                             const QString& number)
{
    m_taxpayers.insert(taxpayerId, {name, postalCode, city, streetName, placeCategory, number});
}

void NavStandIn::addFault(const QString& operation, Fault fault, int times)
{
    for (int i = 0; i < times; ++i)
        m_faults[operation].push_back(fault);
}

int NavStandIn::requestCount(const QString& operation) const
{
    int n = 0;
    for (const Request& r : m_requests)
        n += r.operation == operation ? 1 : 0;
    return n;
}

int NavStandIn::timesReported(const QString& invoiceNumber) const
{
    int n = 0;
    for (const Transaction& t : m_transactions)
        for (const Invoice& i : t.invoices)
            n += i.number == invoiceNumber ? 1 : 0;
    return n;
}

void NavStandIn::clearLog()
{
    m_requests.clear();
    m_violations.clear();
}

void NavStandIn::reset()
{
    clearLog();
    m_transactions.clear();
    m_verdicts.clear();
    m_faults.clear();
    m_tokens.clear();
    m_pollsBeforeDone = 1;
    m_copies.clear();
    m_dropped.clear();
    m_digestPageSize = 2;
}

void NavStandIn::onNewConnection()
{
    while (QTcpSocket* s = m_server->nextPendingConnection()) {
        auto* socket = qobject_cast<QSslSocket*>(s);
        if (!socket)
            continue;
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QSslSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket);
    }
}

void NavStandIn::onReadyRead(QSslSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    QHash<QByteArray, QByteArray> headers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = headers.value("content-length").toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return;
    const QByteArray body = buffer.mid(headerEnd + 4, length);
    buffer.clear();
    handle(socket, requestLine.value(0), requestLine.value(1), headers, body);
}

void NavStandIn::reply(QSslSocket* socket, int status, const QByteArray& body, const QByteArray& extraHeaders)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n" + extraHeaders;
    head += "Content-Type: application/xml;charset=UTF-8\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\nConnection: close\r\n\r\n";
    socket->write(head + body);
    socket->flush();
    socket->disconnectFromHost();
}

QByteArray NavStandIn::errorBody(const nav::XmlNode& request, const QString& funcCode, const QString& errorCode,
                                 const QString& message, const QStringList& technical)
{
    Answer a("GeneralErrorResponse", request, funcCode, errorCode, message);
    for (const QString& t : technical) {
        a.w.writeStartElement(kApi, QStringLiteral("technicalValidationMessages"));
        a.text(QStringLiteral("validationResultCode"), QStringLiteral("ERROR"), kCommon);
        a.text(QStringLiteral("validationErrorCode"), QStringLiteral("SCHEMA_VIOLATION"), kCommon);
        a.text(QStringLiteral("message"), t.left(1000), kCommon);
        a.w.writeEndElement();
    }
    return a.finish();
}

void NavStandIn::handle(QSslSocket* socket, const QByteArray& method, const QByteArray& path,
                        const QHash<QByteArray, QByteArray>& headers, const QByteArray& body)
{
    Request record;
    record.operation = QString::fromLatin1(path.mid(path.lastIndexOf('/') + 1));
    record.body = body;
    auto finish = [&](int status, const QString& errorCode, const QByteArray& answer) {
        record.httpStatus = status;
        record.errorCode = errorCode;
        m_requests.append(record);
        reply(socket, status, answer);
    };
    const nav::XmlNode empty;
    if (body.size() > nav::kMaxRequestBytes) {
        m_violations << QStringLiteral("%1: body of %2 bytes").arg(record.operation).arg(body.size());
        finish(413, QStringLiteral("REQUEST_TOO_LARGE"), QByteArray());
        return;
    }
    if (!path.startsWith("/invoiceService/v3/") || method != "POST") {
        m_violations << QStringLiteral("%1 %2").arg(QString::fromLatin1(method), QString::fromLatin1(path));
        finish(404, QString(), QByteArray());
        return;
    }
    if (!headers.value("content-type").startsWith("application/xml")
        || !headers.value("accept").contains("application/xml")) {
        m_violations << QStringLiteral("%1: Content-Type '%2', Accept '%3'")
                            .arg(record.operation, QString::fromLatin1(headers.value("content-type")),
                                 QString::fromLatin1(headers.value("accept")));
        finish(415, QString(), QByteArray());
        return;
    }
    const nav::XmlNode req = nav::parseXml(body);
    record.requestId = req.textAt(u"header/requestId");
    if (req.isNull()) {
        m_violations << record.operation + QStringLiteral(": not well-formed");
        finish(400, QStringLiteral("INVALID_REQUEST"),
               errorBody(empty, QStringLiteral("ERROR"), QStringLiteral("INVALID_REQUEST"), QStringLiteral("not XML")));
        return;
    }
    const QStringList problems = NavSchemas::validate(body);
    if (!problems.isEmpty()) {
        m_violations << record.operation + QStringLiteral(" schema: ") + problems.join(u'\n');
        finish(400, QStringLiteral("INVALID_REQUEST"),
               errorBody(req, QStringLiteral("ERROR"), QStringLiteral("INVALID_REQUEST"),
                         QStringLiteral("schema violation"), problems));
        return;
    }
    const QString expectedRoot = record.operation.left(1).toUpper() + record.operation.mid(1) + QStringLiteral("Request");
    if (req.name != expectedRoot) {
        m_violations << QStringLiteral("%1 sent to %2").arg(req.name, record.operation);
        finish(500, QStringLiteral("OPERATION_FAILED"),
               errorBody(req, QStringLiteral("ERROR"), QStringLiteral("OPERATION_FAILED"), QStringLiteral("wrong endpoint")));
        return;
    }
    auto reject = [&](int status, const QString& code, const QString& message, bool violation = true) {
        if (violation)
            m_violations << QStringLiteral("%1: %2 %3").arg(record.operation, code, message);
        finish(status, code, errorBody(req, QStringLiteral("ERROR"), code, message));
    };
    const nav::XmlNode& user = req.child(u"user");
    const nav::XmlNode& header = req.child(u"header");
    if (header.textAt(u"requestVersion") != u"3.0")
        return reject(400, QStringLiteral("INVALID_REQUEST_VERSION"), QStringLiteral("3.0 expected"));
    if (!header.textAt(u"headerVersion").isEmpty() && header.textAt(u"headerVersion") != u"1.0")
        return reject(400, QStringLiteral("INVALID_HEADER_VERSION"), QStringLiteral("1.0 expected"));
    if (user.child(u"passwordHash").attributes.value(QStringLiteral("cryptoType")) != u"SHA-512")
        return reject(400, QStringLiteral("INVALID_PASSWORD_HASH_CRYPTO"), QStringLiteral("SHA-512 expected"));
    if (user.child(u"requestSignature").attributes.value(QStringLiteral("cryptoType")) != u"SHA3-512")
        return reject(400, QStringLiteral("INVALID_REQUEST_SIGNATURE_HASH_CRYPTO"), QStringLiteral("SHA3-512 expected"));
    const auto found = m_users.constFind(user.textAt(u"login"));
    if (found == m_users.constEnd()
        || user.textAt(u"passwordHash") != hashHex(QCryptographicHash::Sha512, found->password.toUtf8()))
        return reject(401, QStringLiteral("INVALID_SECURITY_USER"), QStringLiteral("login or password hash"), false);
    const User& u = *found;
    if (user.textAt(u"taxNumber") != u.taxpayerId)
        return reject(500, QStringLiteral("INVALID_USER_RELATION"), QStringLiteral("tax number"), false);
    const QDateTime timestamp = readStamp(header.textAt(u"timestamp"));
    if (!header.textAt(u"timestamp").endsWith(u'Z') || !timestamp.isValid()
        || qAbs(timestamp.secsTo(QDateTime::currentDateTimeUtc())) > 86400)
        return reject(400, QStringLiteral("INVALID_TIMESTAMP"), header.textAt(u"timestamp"));

    const QString requestId = header.textAt(u"requestId");
    QByteArray base = requestId.toUtf8() + timestamp.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1()
                      + u.signatureKey.toUtf8();
    if (record.operation == u"manageInvoice") {
        for (const nav::XmlNode* op : req.child(u"invoiceOperations").childrenNamed(u"invoiceOperation"))
            base += hashHex(QCryptographicHash::Sha3_512,
                            op->textAt(u"invoiceOperation").toLatin1() + op->textAt(u"invoiceData").toLatin1())
                        .toLatin1();
    }
    if (user.textAt(u"requestSignature") != hashHex(QCryptographicHash::Sha3_512, base))
        return reject(400, QStringLiteral("INVALID_REQUEST_SIGNATURE"), QStringLiteral("signature mismatch"));
    if (m_usedRequestIds[u.taxpayerId].contains(requestId))
        return reject(400, QStringLiteral("REQUEST_ID_NOT_UNIQUE"), requestId);

    std::optional<Fault> fault;
    auto& queue = m_faults[record.operation];
    if (!queue.empty()) {
        fault = queue.front();
        queue.pop_front();
    }
    if (fault) {
        switch (*fault) {
        case Fault::WrongSignature:
            return reject(400, QStringLiteral("INVALID_REQUEST_SIGNATURE"), QStringLiteral("signature mismatch"), false);
        case Fault::Maintenance:
            return reject(503, QStringLiteral("MAINTENANCE_MODE"), QStringLiteral("maintenance"), false);
        case Fault::Duplicate:
            return reject(400, QStringLiteral("REQUEST_ID_NOT_UNIQUE"), requestId, false);
        case Fault::ServerError:
            return reject(500, QStringLiteral("OPERATION_FAILED"), QStringLiteral("failure"), false);
        case Fault::Timeout:
            record.httpStatus = 0;
            m_requests.append(record);
            QTimer::singleShot(m_timeoutHold, socket, [socket] { socket->abort(); });
            return;
        case Fault::Redirect:
            record.httpStatus = 307;
            m_requests.append(record);
            reply(socket, 307, QByteArray(),
                  "Location: " + baseUrl().toUtf8() + "/redirected\r\n");
            return;
        case Fault::HugeAnswer: {
            record.httpStatus = 200;
            m_requests.append(record);
            // No length: the answer runs until the connection closes.
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nConnection: close\r\n\r\n"
                          "<?xml version=\"1.0\"?><!--");
            const QByteArray filler(64 * 1024, 'x');
            for (qint64 sent = 0; sent < m_hugeAnswerBytes && socket->state() == QAbstractSocket::ConnectedState;
                 sent += filler.size())
                socket->write(filler);
            socket->write("-->");
            socket->disconnectFromHost();
            return;
        }
        case Fault::LostAnswer:
        case Fault::StoredServerError:
        case Fault::StoredForeignAnswer:
        case Fault::StoredOtherRequestId:
            break;
        }
    }

    int status = 200;
    QString errorCode;
    QByteArray answer;
    bool stored = true;
    if (record.operation == u"tokenExchange")
        answer = answerTokenExchange(req, u);
    else if (record.operation == u"manageInvoice")
        answer = answerManageInvoice(req, u, &status, &errorCode, &stored);
    else if (record.operation == u"queryTransactionStatus")
        answer = answerStatus(req, u);
    else if (record.operation == u"queryTransactionList")
        answer = answerList(req, u, &status, &errorCode);
    else if (record.operation == u"queryTaxpayer")
        answer = answerTaxpayer(req);
    else if (record.operation == u"queryInvoiceDigest")
        answer = answerDigest(req, u, &status, &errorCode);
    else if (record.operation == u"queryInvoiceData")
        answer = answerInvoiceData(req, u);
    else
        return reject(404, QStringLiteral("OPERATION_FAILED"), record.operation);
    if (status == 200)
        m_usedRequestIds[u.taxpayerId].insert(requestId);
    if (fault == Fault::LostAnswer) {
        record.httpStatus = 0;
        m_requests.append(record);
        socket->abort();
        return;
    }
    if (fault == Fault::StoredServerError)
        return finish(500, QStringLiteral("OPERATION_FAILED"),
                      errorBody(req, QStringLiteral("ERROR"), QStringLiteral("OPERATION_FAILED"), QStringLiteral("failure")));
    if (fault == Fault::StoredForeignAnswer)
        return finish(200, QString(),
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Hiba><funcCode>ERROR</funcCode>"
                      "<errorCode>GATEWAY</errorCode><message>proxy</message></Hiba>\n");
    if (fault == Fault::StoredOtherRequestId)
        return finish(400, QStringLiteral("INVALID_REQUEST"),
                      errorBody(req, QStringLiteral("ERROR"), QStringLiteral("INVALID_REQUEST"), QStringLiteral("other"))
                          .replace(requestId.toUtf8(), "OV0000000000000000000MASIK0000"));
    finish(status, errorCode, answer);
}

QByteArray NavStandIn::answerTokenExchange(const nav::XmlNode& req, const User& user)
{
    QString token = QStringLiteral("%1-%2").arg(QRandomGenerator::global()->generate64(), 0, 16)
                        .arg(QRandomGenerator::global()->generate64(), 0, 36)
                        .toUpper();
    const QDateTime from = QDateTime::currentDateTimeUtc();
    m_tokens.insert(token, {user.taxpayerId, from.addSecs(300), false});
    Answer a("TokenExchangeResponse", req, QStringLiteral("OK"));
    a.text(QStringLiteral("encodedExchangeToken"),
           QString::fromLatin1(nav::aes128EcbEncrypt(token.toUtf8(), user.exchangeKey.toUtf8()).toBase64()));
    a.text(QStringLiteral("tokenValidityFrom"), stamp(from));
    a.text(QStringLiteral("tokenValidityTo"), stamp(from.addSecs(300)));
    return a.finish();
}

QByteArray NavStandIn::answerManageInvoice(const nav::XmlNode& req, const User& user, int* status,
                                           QString* errorCode, bool* stored)
{
    auto fail = [&](int s, const QString& code, const QString& message) {
        *status = s;
        *errorCode = code;
        *stored = false;
        m_violations << QStringLiteral("manageInvoice: %1 %2").arg(code, message);
        return errorBody(req, QStringLiteral("ERROR"), code, message);
    };
    const QString tokenText = req.textAt(u"exchangeToken");
    auto token = m_tokens.find(tokenText);
    if (token == m_tokens.end() || token->used || token->taxpayerId != user.taxpayerId
        || token->validTo < QDateTime::currentDateTimeUtc())
        return fail(400, QStringLiteral("INVALID_EXCHANGE_TOKEN"),
                    token == m_tokens.end() ? QStringLiteral("unknown token") : QStringLiteral("token used or expired"));
    token->used = true;
    const nav::XmlNode& ops = req.child(u"invoiceOperations");
    const bool compressed = ops.textAt(u"compressedContent") == u"true";
    Transaction t;
    t.id = QStringLiteral("%1%2").arg(QDateTime::currentMSecsSinceEpoch() % 100000000, 8, 10, QLatin1Char('0'))
               .arg(m_nextTransaction++, 6, 10, QLatin1Char('0'));
    t.taxpayerId = user.taxpayerId;
    t.login = user.login;
    t.insDate = QDateTime::currentDateTimeUtc();
    QSet<QString> numbers;
    // what the authority holds before this request (it is stored only after the loop)
    const QMap<QString, Copy> copies = authorityCopy(user.taxpayerId);
    int expected = 1;
    for (const nav::XmlNode* op : ops.childrenNamed(u"invoiceOperation")) {
        if (op->textAt(u"index").toInt() != expected++)
            return fail(400, QStringLiteral("INDEX_NOT_SEQUENTIAL"), op->textAt(u"index"));
        Invoice inv;
        inv.transactionId = t.id;
        inv.index = expected - 1;
        inv.operation = op->textAt(u"invoiceOperation");
        inv.sent = QByteArray::fromBase64(op->textAt(u"invoiceData").toLatin1());
        inv.compressed = compressed;
        inv.document = inv.sent;
        QStringList problems;
        if (compressed) {
            // As the service does: gzip only, and at most 15 MB once decompressed.
            const auto plain = nav::gzipDecompress(inv.sent, nav::kMaxInvoiceBytes);
            if (!plain)
                problems << QStringLiteral("DECOMPRESSION_ERROR");
            inv.document = plain.value_or(QByteArray());
        }
        inv.number = nav::invoiceNumberOf(inv.document);
        if (problems.isEmpty())
            problems = NavSchemas::validate(inv.document);
        inv.verdict = m_verdicts.value(inv.number, Verdict::Accept);
        if (!problems.isEmpty()) {
            m_violations << QStringLiteral("invoice %1 schema: %2").arg(inv.number, problems.join(u'\n'));
            inv.verdict = Verdict::Reject;
        }
        if (numbers.contains(inv.number))
            m_violations << QStringLiteral("invoice %1 twice in one request").arg(inv.number);
        if (inv.verdict == Verdict::Reject)
            inv.errorCode = QStringLiteral("INVALID_VAT_DATA");
        if (copies.contains(inv.number)) {
            inv.verdict = Verdict::Reject;
            inv.errorCode = QStringLiteral("INVOICE_NUMBER_NOT_UNIQUE");
        }
        numbers.insert(inv.number);
        t.invoices.append(inv);
    }
    m_transactions.append(t);
    Answer a("ManageInvoiceResponse", req, QStringLiteral("OK"));
    a.text(QStringLiteral("transactionId"), t.id);
    return a.finish();
}

QByteArray NavStandIn::answerStatus(const nav::XmlNode& req, const User& user)
{
    Answer a("QueryTransactionStatusResponse", req, QStringLiteral("OK"));
    const QString id = req.textAt(u"transactionId");
    const bool original = req.textAt(u"returnOriginalRequest") == u"true";
    for (Transaction& t : m_transactions) {
        if (t.id != id || t.taxpayerId != user.taxpayerId)
            continue;
        const bool done = ++t.statusQueries > m_pollsBeforeDone;
        a.w.writeStartElement(kApi, QStringLiteral("processingResults"));
        for (const Invoice& inv : t.invoices) {
            a.w.writeStartElement(kApi, QStringLiteral("processingResult"));
            a.text(QStringLiteral("index"), QString::number(inv.index));
            a.text(QStringLiteral("invoiceStatus"), !done                             ? QStringLiteral("PROCESSING")
                                                    : inv.verdict == Verdict::Reject ? QStringLiteral("ABORTED")
                                                                                     : QStringLiteral("DONE"));
            if (done && inv.verdict != Verdict::Accept) {
                const bool reject = inv.verdict == Verdict::Reject;
                a.w.writeStartElement(kApi, QStringLiteral("businessValidationMessages"));
                a.text(QStringLiteral("validationResultCode"), reject ? QStringLiteral("ERROR") : QStringLiteral("WARN"));
                const bool duplicate = inv.errorCode == u"INVOICE_NUMBER_NOT_UNIQUE";
                a.text(QStringLiteral("validationErrorCode"),
                       reject ? inv.errorCode : QStringLiteral("INCORRECT_CITY_ZIP_CODE"));
                a.text(QStringLiteral("message"), duplicate ? QStringLiteral("A számlaszám már szerepel a rendszerben.")
                                                  : reject  ? QStringLiteral("Az áfa adatok hibásak.")
                                                            : QStringLiteral("Az irányítószám és a település nem egyezik."));
                a.w.writeEndElement();
            }
            a.text(QStringLiteral("compressedContentIndicator"), inv.compressed ? QStringLiteral("true")
                                                                                : QStringLiteral("false"));
            if (original) // returned as it came
                a.text(QStringLiteral("originalRequest"), QString::fromLatin1(inv.sent.toBase64()));
            a.w.writeEndElement();
        }
        a.text(QStringLiteral("originalRequestVersion"), QStringLiteral("3.0"));
        a.w.writeEndElement();
        break;
    }
    return a.finish();
}

QByteArray NavStandIn::answerList(const nav::XmlNode& req, const User& user, int* status, QString* errorCode)
{
    const QDateTime from = readStamp(req.textAt(u"insDate/dateTimeFrom"));
    const QDateTime to = readStamp(req.textAt(u"insDate/dateTimeTo"));
    if (from > to || from.daysTo(to) > 35) {
        *status = 400;
        *errorCode = from > to ? QStringLiteral("BAD_QUERY_PARAM_OVERLAP") : QStringLiteral("BAD_QUERY_PARAM_RANGE_EXCEEDED");
        m_violations << QStringLiteral("queryTransactionList: ") + *errorCode;
        return errorBody(req, QStringLiteral("ERROR"), *errorCode, QStringLiteral("interval"));
    }
    QList<const Transaction*> hits;
    for (const Transaction& t : m_transactions)
        if (t.taxpayerId == user.taxpayerId && t.insDate >= from && t.insDate <= to)
            hits.append(&t);
    const int pageSize = 2;
    const int pages = static_cast<int>((hits.size() + pageSize - 1) / pageSize);
    const int page = req.textAt(u"page").toInt();
    Answer a("QueryTransactionListResponse", req, QStringLiteral("OK"));
    a.w.writeStartElement(kApi, QStringLiteral("transactionListResult"));
    a.text(QStringLiteral("currentPage"), QString::number(page));
    a.text(QStringLiteral("availablePage"), QString::number(pages));
    for (qsizetype i = (page - 1) * pageSize; i >= 0 && i < hits.size() && i < page * pageSize; ++i) {
        const Transaction* t = hits[i];
        a.w.writeStartElement(kApi, QStringLiteral("transaction"));
        a.text(QStringLiteral("insDate"), stamp(t->insDate));
        a.text(QStringLiteral("insCusUser"), t->login);
        a.text(QStringLiteral("source"), QStringLiteral("M2M"));
        a.text(QStringLiteral("transactionId"), t->id);
        a.text(QStringLiteral("requestStatus"), QStringLiteral("FINISHED"));
        a.text(QStringLiteral("technicalAnnulment"), QStringLiteral("false"));
        a.text(QStringLiteral("originalRequestVersion"), QStringLiteral("3.0"));
        a.text(QStringLiteral("itemCount"), QString::number(t->invoices.size()));
        a.w.writeEndElement();
    }
    a.w.writeEndElement();
    return a.finish();
}

void NavStandIn::setAuthorityCopy(const QString& number, const QString& operation, const QByteArray& document)
{
    m_dropped.remove(number);
    m_copies.insert(number, {operation, document, QString(), 0, QDateTime::currentDateTimeUtc()});
}

void NavStandIn::dropAuthorityCopy(const QString& number)
{
    m_copies.remove(number);
    m_dropped.insert(number);
}

QMap<QString, NavStandIn::Copy> NavStandIn::authorityCopy(const QString& taxpayerId) const
{
    QMap<QString, Copy> copies;
    for (const Transaction& t : m_transactions) {
        if (t.taxpayerId != taxpayerId)
            continue;
        for (const Invoice& inv : t.invoices)
            if (inv.verdict != Verdict::Reject && !m_dropped.contains(inv.number))
                copies.insert(inv.number, {inv.operation, inv.document, t.id, inv.index, t.insDate});
    }
    for (auto it = m_copies.constBegin(); it != m_copies.constEnd(); ++it)
        copies.insert(it.key(), it.value());
    return copies;
}

namespace {

QString textOf(const nav::XmlNode& root, QStringView name)
{
    const nav::XmlNode* n = root.find(name);
    return n ? n->text : QString();
}

} // namespace

QByteArray NavStandIn::answerDigest(const nav::XmlNode& req, const User& user, int* status, QString* errorCode)
{
    const nav::XmlNode& dates = req.child(u"invoiceQueryParams").child(u"mandatoryQueryParams").child(u"invoiceIssueDate");
    const QDate from = QDate::fromString(dates.textAt(u"dateFrom"), Qt::ISODate);
    const QDate to = QDate::fromString(dates.textAt(u"dateTo"), Qt::ISODate);
    if (req.textAt(u"invoiceDirection") != u"OUTBOUND" || dates.isNull() || !from.isValid() || !to.isValid()
        || from > to || from.daysTo(to) > 35) {
        *status = 400;
        *errorCode = from > to ? QStringLiteral("BAD_QUERY_PARAM_OVERLAP") : QStringLiteral("BAD_QUERY_PARAM_RANGE_EXCEEDED");
        m_violations << QStringLiteral("queryInvoiceDigest: ") + *errorCode;
        return errorBody(req, QStringLiteral("ERROR"), *errorCode, QStringLiteral("interval"));
    }
    struct Hit {
        QString number;
        Copy copy;
        nav::XmlNode data;
    };
    QList<Hit> hits;
    const QMap<QString, Copy> copies = authorityCopy(user.taxpayerId);
    for (auto it = copies.constBegin(); it != copies.constEnd(); ++it) {
        nav::XmlNode data = nav::parseXml(it->document);
        const QDate issued = QDate::fromString(textOf(data, u"invoiceIssueDate"), Qt::ISODate);
        if (issued.isValid() && issued >= from && issued <= to)
            hits.append({it.key(), *it, data});
    }
    const int pages = std::max(1, static_cast<int>((hits.size() + m_digestPageSize - 1) / m_digestPageSize));
    const int page = req.textAt(u"page").toInt();
    Answer a("QueryInvoiceDigestResponse", req, QStringLiteral("OK"));
    a.w.writeStartElement(kApi, QStringLiteral("invoiceDigestResult"));
    a.text(QStringLiteral("currentPage"), QString::number(page));
    a.text(QStringLiteral("availablePage"), QString::number(pages));
    for (qsizetype i = (page - 1) * m_digestPageSize; i >= 0 && i < hits.size() && i < page * m_digestPageSize; ++i) {
        const Hit& h = hits[i];
        const nav::XmlNode* customer = h.data.find(u"customerInfo");
        const nav::XmlNode* summary = h.data.find(u"invoiceSummary");
        auto amount = [summary](QStringView name) { return summary ? textOf(*summary, name) : QString(); };
        a.w.writeStartElement(kApi, QStringLiteral("invoiceDigest"));
        a.text(QStringLiteral("invoiceNumber"), h.number);
        a.text(QStringLiteral("invoiceOperation"), h.copy.operation);
        a.text(QStringLiteral("invoiceCategory"), QStringLiteral("NORMAL"));
        a.text(QStringLiteral("invoiceIssueDate"), textOf(h.data, u"invoiceIssueDate"));
        a.text(QStringLiteral("supplierTaxNumber"), user.taxpayerId);
        a.text(QStringLiteral("supplierName"), textOf(h.data.child(u"invoiceMain"), u"supplierName"));
        if (customer && customer->find(u"taxpayerId"))
            a.text(QStringLiteral("customerTaxNumber"), customer->find(u"taxpayerId")->text);
        if (customer && customer->find(u"customerName"))
            a.text(QStringLiteral("customerName"), customer->find(u"customerName")->text);
        a.text(QStringLiteral("invoiceDeliveryDate"), textOf(h.data, u"invoiceDeliveryDate"));
        a.text(QStringLiteral("currency"), textOf(h.data, u"currencyCode"));
        a.text(QStringLiteral("invoiceNetAmount"), amount(u"invoiceNetAmount"));
        a.text(QStringLiteral("invoiceNetAmountHUF"), amount(u"invoiceNetAmountHUF"));
        a.text(QStringLiteral("invoiceVatAmount"), amount(u"invoiceVatAmount"));
        a.text(QStringLiteral("invoiceVatAmountHUF"), amount(u"invoiceVatAmountHUF"));
        a.text(QStringLiteral("insDate"), stamp(h.copy.insDate));
        a.w.writeEndElement();
    }
    a.w.writeEndElement();
    return a.finish();
}

QByteArray NavStandIn::answerInvoiceData(const nav::XmlNode& req, const User& user)
{
    const nav::XmlNode& query = req.child(u"invoiceNumberQuery");
    if (query.textAt(u"invoiceDirection") != u"OUTBOUND")
        m_violations << QStringLiteral("queryInvoiceData: direction ") + query.textAt(u"invoiceDirection");
    Answer a("QueryInvoiceDataResponse", req, QStringLiteral("OK"));
    const QMap<QString, Copy> copies = authorityCopy(user.taxpayerId);
    const auto found = copies.constFind(query.textAt(u"invoiceNumber"));
    if (found != copies.constEnd()) {
        a.w.writeStartElement(kApi, QStringLiteral("invoiceDataResult"));
        a.text(QStringLiteral("invoiceData"), QString::fromLatin1(nav::gzipCompress(found->document).toBase64()));
        a.w.writeStartElement(kApi, QStringLiteral("auditData"));
        a.text(QStringLiteral("insdate"), stamp(found->insDate));
        a.text(QStringLiteral("insCusUser"), user.login);
        a.text(QStringLiteral("source"), QStringLiteral("M2M"));
        if (!found->transactionId.isEmpty()) {
            a.text(QStringLiteral("transactionId"), found->transactionId);
            a.text(QStringLiteral("index"), QString::number(found->index));
        }
        a.text(QStringLiteral("originalRequestVersion"), QStringLiteral("3.0"));
        a.w.writeEndElement();
        a.text(QStringLiteral("compressedContentIndicator"), QStringLiteral("true"));
        a.w.writeEndElement();
    }
    return a.finish();
}

QByteArray NavStandIn::answerTaxpayer(const nav::XmlNode& req)
{
    const QString id = req.textAt(u"taxNumber");
    Answer a("QueryTaxpayerResponse", req, QStringLiteral("OK"));
    const auto found = m_taxpayers.constFind(id);
    a.text(QStringLiteral("taxpayerValidity"), found == m_taxpayers.constEnd() ? QStringLiteral("false")
                                                                               : QStringLiteral("true"));
    if (found != m_taxpayers.constEnd()) {
        a.w.writeStartElement(kApi, QStringLiteral("taxpayerData"));
        a.text(QStringLiteral("taxpayerName"), found->name);
        a.w.writeStartElement(kApi, QStringLiteral("taxNumberDetail"));
        a.text(QStringLiteral("taxpayerId"), id, kBase);
        a.text(QStringLiteral("vatCode"), QStringLiteral("2"), kBase);
        a.text(QStringLiteral("countyCode"), QStringLiteral("06"), kBase);
        a.w.writeEndElement();
        a.text(QStringLiteral("incorporation"), QStringLiteral("ORGANIZATION"));
        a.w.writeStartElement(kApi, QStringLiteral("taxpayerAddressList"));
        a.w.writeStartElement(kApi, QStringLiteral("taxpayerAddressItem"));
        a.text(QStringLiteral("taxpayerAddressType"), QStringLiteral("HQ"));
        a.w.writeStartElement(kApi, QStringLiteral("taxpayerAddress"));
        a.text(QStringLiteral("countryCode"), QStringLiteral("HU"), kBase);
        a.text(QStringLiteral("postalCode"), found->postalCode, kBase);
        a.text(QStringLiteral("city"), found->city, kBase);
        a.text(QStringLiteral("streetName"), found->streetName, kBase);
        a.text(QStringLiteral("publicPlaceCategory"), found->placeCategory, kBase);
        if (!found->number.isEmpty())
            a.text(QStringLiteral("number"), found->number, kBase);
        a.w.writeEndElement();
        a.w.writeEndElement();
        a.w.writeEndElement();
        a.w.writeEndElement();
    }
    return a.finish();
}

} // namespace orvena::test
