// The reporting protocol without the database: published signature values, the token cipher,
// request documents against the official schemas, and the HTTPS client against the stand-in.
#include "support/navschemas.h"
#include "support/navstandin.h"

#include "navsend/navclient.h"
#include "navsend/navcrypto.h"
#include "navsend/navgzip.h"
#include "navsend/navprotocol.h"

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace orvena;
using namespace orvena::nav;
using orvena::test::NavSchemas;
using orvena::test::NavStandIn;

namespace {

QString sharedNav()
{
    const QString schemas = NavSchemas::schemaDir();
    return schemas.isEmpty() ? QString() : schemas + QStringLiteral("/..");
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const NavStandIn::User kUser{QStringLiteral("tesztuser00001"), QStringLiteral("Jelszó-123"), QStringLiteral("12345676"),
                             QStringLiteral("ab-cdef-0123456789abcdeFGHIJKLMNOP"), QStringLiteral("0123456789ABCDEF")};

Credentials credentialsOf(const NavStandIn::User& u)
{
    return {u.login, passwordHash(u.password), u.taxpayerId + QStringLiteral("-2-06"), u.signatureKey, u.exchangeKey};
}

} // namespace

class TestNavProtocol : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void publishedSignatures_data();
    void publishedSignatures();
    void workedExampleIndexHashes();
    void passwordHashIsUpperCaseSha512();
    void tokenDecryptionRoundTrip();
    void requestsValidateAgainstSchemas();
    void manageInvoiceCarriesDocumentByteForByte();
    void requestIdsAreUniqueAndWellFormed();
    void clientAgainstStandIn();
    void clientRefusesUntrustedCertificate();
    void clientReportsServiceFaults();
    void answersThatAreNotTheServicesWord_data();
    void answersThatAreNotTheServicesWord();
    void taxpayerQuery();

private:
    NavStandIn m_server;
};

void TestNavProtocol::initTestCase()
{
    if (NavSchemas::schemaDir().isEmpty())
        QSKIP("the official schemas are not available");
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    m_server.addUser(kUser);
    m_server.exportEnvironment();
}

void TestNavProtocol::publishedSignatures_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tokenExchange") << "tokenExchange.xml"
                                   << "B4B5E0F197BFFD3DF69BCC98D3BE775F65FD5445EEF95C9D6B6C59425F2B81C4F6DA1FD563B0C7E7D98AF"
                                      "1E1725E5C63C2803B5D3A93D1C02ED354AC92F2CC94";
    QTest::newRow("manageInvoice") << "manageInvoice.xml"
                                   << "A111DD79CAE8E76EAD02E4E7C2D0C866292E50EDDF38D3E7312F1B950B53C08CBBFE12AD07DA10FB187"
                                      "6597DF49F2B6B7A9932B28933728B2E5E29AD05D20EED";
    QTest::newRow("queryTransactionStatus") << "queryTransactionStatus.xml" << QString();
    QTest::newRow("queryTaxpayer") << "queryTaxpayer.xml" << QString();
    QTest::newRow("worked example") << QString()
                                    << "60BC80609EE3B8F42FE904200A49A1921A1DADA08D55319ACD40C59F626514B74EEA49011D37260"
                                       "0A10DBCF8199D590DA9C2841D987308F2D83DAE17C2470C42";
}

void TestNavProtocol::publishedSignatures()
{
    QFETCH(QString, sample);
    QFETCH(QString, expected);
    if (sample.isEmpty()) {
        const QDateTime t = QDateTime::fromString(QStringLiteral("2017-12-30T18:25:45.000Z"), Qt::ISODateWithMs);
        QCOMPARE(requestSignature(QStringLiteral("TSTKFT1222564"), t, QStringLiteral("ce-8f5e-215119fa7dd621DLMRHRLH2S"),
                                  {{QStringLiteral("CREATE"), "QWJjZDEyMzQ="}, {QStringLiteral("MODIFY"), "RGNiYTQzMjE="}}),
                 expected);
        return;
    }
    const QByteArray text = readFile(sharedNav() + QStringLiteral("/samples/") + sample);
    QVERIFY(!text.isEmpty());
    const XmlNode root = parseXml(text);
    if (expected.isEmpty()) // the sample carries its own value
        expected = root.textAt(u"user/requestSignature");
    const QDateTime t = QDateTime::fromString(root.textAt(u"header/timestamp"), Qt::ISODateWithMs);
    std::vector<SignedOperation> ops;
    for (const XmlNode* op : root.child(u"invoiceOperations").childrenNamed(u"invoiceOperation"))
        ops.push_back({op->textAt(u"invoiceOperation"), op->textAt(u"invoiceData").toLatin1()});
    QCOMPARE(requestSignature(root.textAt(u"header/requestId"), t, QStringLiteral("ac-ac3a-7f661bff7d342N43CYX4U9FG"), ops),
             expected);
    QCOMPARE(root.textAt(u"user/requestSignature"), expected);
}

void TestNavProtocol::workedExampleIndexHashes()
{
    QCOMPARE(sha3_512Hex("CREATEQWJjZDEyMzQ="),
             QStringLiteral("4317798460962869BC67F07C48EA7E4A3AFA301513CEB87B8EB94ECF92BC220A89C480F87F0860E85E29A3B"
                            "6C0463D4F29712C5AD48104A6486CE839DC2F24CB"));
    QCOMPARE(signatureTimestamp(QDateTime::fromString(QStringLiteral("2017-12-30T19:25:45.000+01:00"), Qt::ISODateWithMs)),
             QStringLiteral("20171230182545"));
}

void TestNavProtocol::passwordHashIsUpperCaseSha512()
{
    const QString h = passwordHash(QStringLiteral("Jelszó-123"));
    QCOMPARE(h.size(), 128);
    QCOMPARE(h, h.toUpper());
    QCOMPARE(h, QString::fromLatin1(QCryptographicHash::hash(QStringLiteral("Jelszó-123").toUtf8(),
                                                             QCryptographicHash::Sha512).toHex().toUpper()));
}

void TestNavProtocol::tokenDecryptionRoundTrip()
{
    // Encrypted by the openssl command line, as the service would, decrypted by the program.
    const QByteArray key = "FEDCBA9876543210";
    const QByteArray token = "0b5d9a41-3c1f-4a6e-9d3e-77aa0f5a2b11ZXC9QW2ER";
    QProcess p;
    p.start(QStringLiteral("openssl"), {QStringLiteral("enc"), QStringLiteral("-aes-128-ecb"), QStringLiteral("-K"),
                                        QString::fromLatin1(key.toHex()), QStringLiteral("-base64"), QStringLiteral("-A")});
    p.write(token);
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray cipher = QByteArray::fromBase64(p.readAllStandardOutput().trimmed());
    QCOMPARE(cipher.size() % 16, 0);
    QCOMPARE(aes128EcbDecrypt(cipher, key).value_or(QByteArray()), token);
    // and the program's own encryption (the stand-in's) gives the same bytes
    QCOMPARE(aes128EcbEncrypt(token, key), cipher);
    // a wrong key or a key of the wrong length never yields the token
    QVERIFY(aes128EcbDecrypt(cipher, "FEDCBA9876543211").value_or(QByteArray()) != token);
    QVERIFY(!aes128EcbDecrypt(cipher, "short").has_value());
}

void TestNavProtocol::requestsValidateAgainstSchemas()
{
    const Credentials c = credentialsOf(kUser);
    const QByteArray invoice = readFile(sharedNav() + QStringLiteral("/samples/Belfoldi_termekertekesites.xml"));
    QVERIFY(!invoice.isEmpty());
    const QByteArray pdfHash = QCryptographicHash::hash("%PDF-1.4", QCryptographicHash::Sha256).toHex();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<QPair<const char*, QByteArray>> docs = {
        {"token", buildTokenExchange(c, RequestHeader::fresh())},
        {"manage", buildManageInvoice(c, RequestHeader::fresh(), QStringLiteral("TOKEN-1"),
                                      {{QStringLiteral("CREATE"), invoice, pdfHash},
                                       {QStringLiteral("STORNO"), invoice}})},
        {"status", buildQueryTransactionStatus(c, RequestHeader::fresh(), QStringLiteral("3F6B2W9Q1ZX"), true)},
        {"list", buildQueryTransactionList(c, RequestHeader::fresh(), now.addSecs(-600), now, 1)},
        {"taxpayer", buildQueryTaxpayer(c, RequestHeader::fresh(), QStringLiteral("23456789"))}};
    for (const auto& [name, doc] : docs)
        QVERIFY2(NavSchemas::validate(doc).isEmpty(), qPrintable(QString::fromLatin1(name) + u'\n'
                                                                 + NavSchemas::validate(doc).join(u'\n')));
    // The validator itself refuses what breaks the schema.
    QByteArray broken = docs[0].second;
    broken.replace("<common:requestVersion>3.0</common:requestVersion>", "");
    QVERIFY(!NavSchemas::validate(broken).isEmpty());
    // The software block and the user's tax number as the service expects them.
    const XmlNode root = parseXml(docs[0].second);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-Z\\-]{18}$")).match(root.textAt(u"software/softwareId")).hasMatch());
    QCOMPARE(root.textAt(u"user/taxNumber"), QStringLiteral("12345676"));
    QVERIFY(root.textAt(u"header/timestamp").endsWith(u'Z'));
    // an e-mailed invoice's PDF hash beside its data, a paper invoice without one
    const XmlNode manage = parseXml(docs[1].second);
    const auto ops = manage.child(u"invoiceOperations").childrenNamed(u"invoiceOperation");
    QCOMPARE(ops.size(), size_t(2));
    QCOMPARE(ops.front()->textAt(u"electronicInvoiceHash"), QString::fromLatin1(pdfHash.toUpper()));
    QVERIFY(docs[1].second.contains("cryptoType=\"SHA-256\""));
    QCOMPARE(ops.back()->textAt(u"electronicInvoiceHash"), QString());
}

void TestNavProtocol::manageInvoiceCarriesDocumentByteForByte()
{
    // Odd bytes on purpose: CR LF, a BOM-less UTF-8 "ő", trailing spaces.
    const QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<InvoiceData>ő  </InvoiceData>\r\n  ";
    const RequestHeader h = RequestHeader::fresh();
    const Credentials c = credentialsOf(kUser);
    const XmlNode root = parseXml(buildManageInvoice(c, h, QStringLiteral("T"), {{QStringLiteral("CREATE"), doc}}));
    QCOMPARE(root.textAt(u"invoiceOperations/compressedContent"), QStringLiteral("true"));
    const XmlNode& op = root.child(u"invoiceOperations").child(u"invoiceOperation");
    const QByteArray sent = QByteArray::fromBase64(op.textAt(u"invoiceData").toLatin1());
    QCOMPARE(sent.left(3), QByteArray("\x1f\x8b\x08")); // a gzip member (deflate)
    QCOMPARE(gzipDecompress(sent, 1000).value_or(QByteArray()), doc);
    QVERIFY(!gzipDecompress(sent, doc.size() - 1)); // never beyond the ceiling
    QCOMPARE(op.textAt(u"index"), QStringLiteral("1"));
    // The signature covers the compressed data as it stands in the request.
    QCOMPARE(root.textAt(u"user/requestSignature"),
             requestSignature(h.requestId, h.timestamp, c.signatureKey,
                              {{QStringLiteral("CREATE"), op.textAt(u"invoiceData").toLatin1()}}));
}

void TestNavProtocol::requestIdsAreUniqueAndWellFormed()
{
    QSet<QString> seen;
    const QRegularExpression pattern(QStringLiteral("^[+a-zA-Z0-9_]{1,30}$"));
    for (int i = 0; i < 5000; ++i) {
        const QString id = newRequestId();
        QVERIFY2(pattern.match(id).hasMatch(), qPrintable(id));
        QVERIFY2(!seen.contains(id), qPrintable(id));
        seen.insert(id);
    }
}

void TestNavProtocol::clientAgainstStandIn()
{
    Client client(baseUrl(Environment::Test), credentialsOf(kUser));
    client.setTimeout(10000);
    const TokenResult token = client.tokenExchange();
    QVERIFY2(!token.token.isEmpty(), qPrintable(token.failureText()));
    const QByteArray invoice = readFile(sharedNav() + QStringLiteral("/samples/Belfoldi_termekertekesites.xml"));
    const Exchange sent = client.manageInvoice(token.token, {{QStringLiteral("CREATE"), invoice}});
    QVERIFY2(sent.ok(), qPrintable(sent.failureText() + QString::fromUtf8(sent.response)));
    const QString tx = sent.root.textAt(u"transactionId");
    QVERIFY(!tx.isEmpty());
    // sent compressed, received (decompressed and schema-checked) as issued
    QVERIFY(m_server.transactions().last().invoices[0].compressed);
    QCOMPARE(m_server.transactions().last().invoices[0].document, invoice);
    // a token serves once
    const Exchange again = client.manageInvoice(token.token, {{QStringLiteral("CREATE"), invoice}});
    QCOMPARE(again.result.errorCode, QStringLiteral("INVALID_EXCHANGE_TOKEN"));
    m_server.clearLog();

    m_server.setPollsBeforeDone(1);
    Exchange status = client.queryTransactionStatus(tx);
    QVERIFY(status.ok());
    QCOMPARE(readProcessingResults(status.root).at(0).invoiceStatus, QStringLiteral("PROCESSING"));
    status = client.queryTransactionStatus(tx, true);
    const auto results = readProcessingResults(status.root);
    QCOMPARE(results.size(), size_t(1));
    QCOMPARE(results[0].invoiceStatus, QStringLiteral("DONE"));
    QCOMPARE(results[0].originalRequest, invoice);
    QCOMPARE(invoiceNumberOf(results[0].originalRequest), invoiceNumberOf(invoice));

    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Exchange list = client.queryTransactionList(now.addSecs(-600), now.addSecs(5));
    QVERIFY(list.ok());
    const TransactionList l = readTransactionList(list.root);
    QCOMPARE(l.availablePage, 1);
    QCOMPARE(l.transactions.size(), size_t(1));
    QCOMPARE(l.transactions[0].transactionId, tx);
    QVERIFY2(m_server.violations().isEmpty(), qPrintable(m_server.violations().join(u'\n')));
}

void TestNavProtocol::clientRefusesUntrustedCertificate()
{
    const QByteArray ca = qgetenv("ORVENA_NAV_CA");
    qunsetenv("ORVENA_NAV_CA");
    Client client(baseUrl(Environment::Test), credentialsOf(kUser));
    client.setTimeout(10000);
    const TokenResult r = client.tokenExchange();
    qputenv("ORVENA_NAV_CA", ca);
    QVERIFY(r.token.isEmpty());
    QCOMPARE(r.exchange.outcome, Outcome::NotSent);
    QVERIFY(r.failureText().startsWith(QStringLiteral("A NAV szolgáltatása nem érhető el")));
    QCOMPARE(m_server.requestCount(QStringLiteral("tokenExchange")), 0);
}

void TestNavProtocol::clientReportsServiceFaults()
{
    m_server.clearLog();
    {
        NavStandIn::User wrong = kUser;
        wrong.password = QStringLiteral("rossz jelszó");
        Client client(baseUrl(Environment::Test), credentialsOf(wrong));
        const TokenResult r = client.tokenExchange();
        QCOMPARE(r.exchange.httpStatus, 401);
        QVERIFY2(r.failureText().contains(QStringLiteral("technikai felhasználót vagy a jelszót")), qPrintable(r.failureText()));
    }
    {
        NavStandIn::User wrong = kUser;
        wrong.signatureKey = QStringLiteral("nem-ez-a-kulcs");
        Client client(baseUrl(Environment::Test), credentialsOf(wrong));
        const TokenResult r = client.tokenExchange();
        QCOMPARE(r.exchange.result.errorCode, QStringLiteral("INVALID_REQUEST_SIGNATURE"));
        QVERIFY(r.failureText().contains(QStringLiteral("aláíró kulcsot")));
    }
    {
        NavStandIn::User wrong = kUser;
        wrong.exchangeKey = QStringLiteral("FFFFFFFFFFFFFFFF");
        Client client(baseUrl(Environment::Test), credentialsOf(wrong));
        const TokenResult r = client.tokenExchange();
        QVERIFY(r.exchange.ok());
        QVERIFY(r.token.isEmpty() || r.token.size() != 40);
    }
    QCOMPARE(m_server.violations().size(), 1); // the wrong signature key, and nothing else
    m_server.clearLog();
    Client client(baseUrl(Environment::Test), credentialsOf(kUser));
    m_server.addFault(QStringLiteral("tokenExchange"), NavStandIn::Fault::Maintenance);
    TokenResult r = client.tokenExchange();
    QVERIFY(r.exchange.maintenance());
    QVERIFY(r.failureText().contains(QStringLiteral("karbantartás")));

    m_server.setTimeoutHold(3000);
    m_server.addFault(QStringLiteral("tokenExchange"), NavStandIn::Fault::Timeout);
    client.setTimeout(700);
    r = client.tokenExchange();
    QCOMPARE(r.exchange.outcome, Outcome::NoAnswer);
    QVERIFY(r.failureText().contains(QStringLiteral("nem válaszolt")));

    std::atomic<bool> cancel{false};
    client.setCancelFlag(&cancel);
    client.setTimeout(20000);
    m_server.addFault(QStringLiteral("tokenExchange"), NavStandIn::Fault::Timeout);
    QTimer::singleShot(300, [&cancel] { cancel = true; });
    QElapsedTimer timer;
    timer.start();
    r = client.tokenExchange();
    QVERIFY(timer.elapsed() < 2500);
    QCOMPARE(r.exchange.outcome, Outcome::Cancelled);
    QVERIFY2(m_server.violations().isEmpty(), qPrintable(m_server.violations().join(u'\n')));
}

void TestNavProtocol::answersThatAreNotTheServicesWord_data()
{
    QTest::addColumn<QString>("url");    // "" the stand-in, "plain" a plain-text listener on the loopback
    QTest::addColumn<int>("fault");      // -1 none
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("said");   // in the failure text
    using F = NavStandIn::Fault;
    QTest::newRow("5xx with an XML body") << "" << int(F::StoredServerError) << int(Outcome::Unclear) << "HTTP 500";
    QTest::newRow("foreign document") << "" << int(F::StoredForeignAnswer) << int(Outcome::Unclear)
                                      << "nem a NAV szolgáltatásának válasza: Hiba";
    QTest::newRow("another request's id") << "" << int(F::StoredOtherRequestId) << int(Outcome::Unclear)
                                           << "más kérésre szól";
    QTest::newRow("redirect not followed") << "" << int(F::Redirect) << int(Outcome::Unclear) << "máshová irányított";
    QTest::newRow("answer over the size limit") << "" << int(F::HugeAnswer) << int(Outcome::Unclear)
                                                << "a válasz nagyobb 1 MB-nál";
    QTest::newRow("http to another machine") << "http://192.0.2.7/invoiceService/v3" << -1 << int(Outcome::NotSent)
                                             << "titkosítatlan http:// cím";
    QTest::newRow("other scheme") << "ftp://127.0.0.1/invoiceService/v3" << -1 << int(Outcome::NotSent)
                                  << "nem https:// cím";
    QTest::newRow("http on the loopback") << "plain" << -1 << -1 << "";
}

void TestNavProtocol::answersThatAreNotTheServicesWord()
{
    QFETCH(QString, url);
    QFETCH(int, fault);
    QFETCH(int, outcome);
    QFETCH(QString, said);
    m_server.reset();
    QTcpServer plain; // takes the connection and closes it
    int connections = 0;
    if (url == u"plain") {
        QVERIFY(plain.listen(QHostAddress::LocalHost));
        connect(&plain, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* s = plain.nextPendingConnection()) {
                ++connections;
                s->close();
            }
        });
        url = QStringLiteral("http://127.0.0.1:%1/invoiceService/v3").arg(plain.serverPort());
    }
    Client client(url.isEmpty() ? baseUrl(Environment::Test) : url, credentialsOf(kUser));
    client.setTimeout(10000);
    client.setMaxAnswerBytes(1024 * 1024);
    m_server.setHugeAnswerBytes(3 * 1024 * 1024);
    if (fault >= 0)
        m_server.addFault(QStringLiteral("tokenExchange"), NavStandIn::Fault(fault));
    const TokenResult r = client.tokenExchange();
    QVERIFY(r.token.isEmpty());
    if (outcome < 0) { // allowed: the request went out in the plain
        // Qt may try once more on a connection closed before any answer
        QVERIFY(connections >= 1);
        QVERIFY(!r.failureText().contains(QStringLiteral("http://")));
        return;
    }
    QCOMPARE(int(r.exchange.outcome), outcome);
    QVERIFY2(r.failureText().contains(said), qPrintable(r.failureText()));
    QCOMPARE(m_server.requestCount(QStringLiteral("tokenExchange")), url.isEmpty() ? 1 : 0);
    QCOMPARE(m_server.requestCount(QStringLiteral("redirected")), 0);
    QVERIFY2(m_server.violations().isEmpty(), qPrintable(m_server.violations().join(u'\n')));
}

void TestNavProtocol::taxpayerQuery()
{
    m_server.addTaxpayer(QStringLiteral("23456789"), QStringLiteral("Kovács és Társa Bt."), QStringLiteral("1052"),
                         QStringLiteral("Budapest"), QStringLiteral("Váci"), QStringLiteral("utca"), QStringLiteral("8."));
    Client client(baseUrl(Environment::Test), credentialsOf(kUser));
    Exchange e = client.queryTaxpayer(QStringLiteral("23456789"));
    QVERIFY(e.ok());
    TaxpayerInfo info = readTaxpayer(e.root);
    QVERIFY(info.valid);
    QCOMPARE(info.name, QStringLiteral("Kovács és Társa Bt."));
    QCOMPARE(info.address, QStringLiteral("1052 Budapest, Váci utca 8."));
    QCOMPARE(info.taxNumber, QStringLiteral("23456789-2-06"));
    e = client.queryTaxpayer(QStringLiteral("99999999"));
    info = readTaxpayer(e.root);
    QVERIFY(info.answered);
    QVERIFY(!info.valid);
    QVERIFY(info.name.isEmpty());
}

QTEST_GUILESS_MAIN(TestNavProtocol)
#include "tst_navprotocol.moc"
