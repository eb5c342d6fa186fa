#include "navprotocol.h"

#include "navgzip.h"

#include <QAtomicInteger>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#ifndef ORVENA_VERSION_MAJOR
#define ORVENA_VERSION_MAJOR 0
#define ORVENA_VERSION_MINOR 0
#endif

namespace orvena::nav {

namespace {

const QString kCommon = QString::fromLatin1(kCommonNamespace);
const QString kApi = QString::fromLatin1(kApiNamespace);

QString base36(quint64 value, int width)
{
    QString s = QString::number(value, 36).toUpper();
    return s.rightJustified(width, u'0').right(width);
}

class Envelope {
public:
    Envelope(const char* root, const Credentials& c, const RequestHeader& h,
             const std::vector<SignedOperation>& signedOps = {})
        : m_writer(&m_body)
    {
        m_writer.setAutoFormatting(true);
        m_writer.writeStartDocument();
        m_writer.writeNamespace(kCommon, QStringLiteral("common"));
        m_writer.writeDefaultNamespace(kApi);
        m_writer.writeStartElement(kApi, QString::fromLatin1(root));

        m_writer.writeStartElement(kCommon, QStringLiteral("header"));
        common(QStringLiteral("requestId"), h.requestId);
        common(QStringLiteral("timestamp"), xmlTimestamp(h.timestamp));
        common(QStringLiteral("requestVersion"), QStringLiteral("3.0"));
        common(QStringLiteral("headerVersion"), QStringLiteral("1.0"));
        m_writer.writeEndElement();

        m_writer.writeStartElement(kCommon, QStringLiteral("user"));
        common(QStringLiteral("login"), c.login);
        m_writer.writeStartElement(kCommon, QStringLiteral("passwordHash"));
        m_writer.writeAttribute(QStringLiteral("cryptoType"), QStringLiteral("SHA-512"));
        m_writer.writeCharacters(c.passwordHash.toUpper());
        m_writer.writeEndElement();
        common(QStringLiteral("taxNumber"), c.taxpayerId());
        m_writer.writeStartElement(kCommon, QStringLiteral("requestSignature"));
        m_writer.writeAttribute(QStringLiteral("cryptoType"), QStringLiteral("SHA3-512"));
        m_writer.writeCharacters(requestSignature(h.requestId, h.timestamp, c.signatureKey, signedOps));
        m_writer.writeEndElement();
        m_writer.writeEndElement();

        const SoftwareInfo& s = softwareInfo();
        m_writer.writeStartElement(kApi, QStringLiteral("software"));
        api(QStringLiteral("softwareId"), s.id);
        api(QStringLiteral("softwareName"), s.name);
        api(QStringLiteral("softwareOperation"), s.operation);
        api(QStringLiteral("softwareMainVersion"), s.mainVersion);
        api(QStringLiteral("softwareDevName"), s.devName);
        api(QStringLiteral("softwareDevContact"), s.devContact);
        api(QStringLiteral("softwareDevCountryCode"), s.devCountryCode);
        m_writer.writeEndElement();
    }

    QXmlStreamWriter& writer() { return m_writer; }
    void common(const QString& name, const QString& value) { m_writer.writeTextElement(kCommon, name, value); }
    void api(const QString& name, const QString& value) { m_writer.writeTextElement(kApi, name, value); }
    QByteArray finish()
    {
        m_writer.writeEndElement();
        m_writer.writeEndDocument();
        return m_body;
    }

private:
    QByteArray m_body;
    QXmlStreamWriter m_writer;
};

QDateTime readTimestamp(const QString& text)
{
    QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!t.isValid())
        t = QDateTime::fromString(text, Qt::ISODate);
    return t.toUTC();
}

ValidationMessage readMessage(const XmlNode& node, bool technical)
{
    ValidationMessage m;
    m.technical = technical;
    m.resultCode = node.textAt(u"validationResultCode");
    m.errorCode = node.textAt(u"validationErrorCode");
    m.message = node.textAt(u"message");
    const XmlNode& pointer = node.child(u"pointer");
    if (!pointer.isNull()) {
        QStringList parts;
        for (const char* tag : {"tag", "value", "line", "originalInvoiceNumber"}) {
            const QString t = pointer.textAt(QString::fromLatin1(tag));
            if (!t.isEmpty())
                parts << QStringLiteral("%1=%2").arg(QLatin1String(tag), t);
        }
        m.pointer = parts.join(u' ');
    }
    return m;
}

} // namespace

QString Credentials::taxpayerId() const
{
    QString digits;
    for (QChar ch : taxNumber)
        if (ch.isDigit())
            digits += ch;
    return digits.left(8);
}

QString Credentials::missing() const
{
    QStringList m;
    if (login.trimmed().isEmpty())
        m << QStringLiteral("a technikai felhasználó neve");
    if (passwordHash.trimmed().isEmpty())
        m << QStringLiteral("a jelszó");
    if (signatureKey.trimmed().isEmpty())
        m << QStringLiteral("az aláíró kulcs");
    if (exchangeKey.trimmed().isEmpty())
        m << QStringLiteral("a cserekulcs");
    if (taxpayerId().size() != 8)
        m << QStringLiteral("a kibocsátó adószáma");
    return m.join(QStringLiteral(", "));
}

const SoftwareInfo& softwareInfo()
{
    static const SoftwareInfo info{
        QStringLiteral("HU00000000ORVENA%1%2").arg(ORVENA_VERSION_MAJOR).arg(ORVENA_VERSION_MINOR / 10 % 10),
        QStringLiteral("Orvena"),
        QStringLiteral("LOCAL_SOFTWARE"),
        QStringLiteral("%1.%2").arg(ORVENA_VERSION_MAJOR).arg(ORVENA_VERSION_MINOR, 2, 10, QLatin1Char('0')),
        QStringLiteral("Orvena fejlesztői csapat"),
        QStringLiteral("fejlesztes@orvena.hu"),
        QStringLiteral("HU")};
    return info;
}

QString newRequestId()
{
    static QAtomicInteger<quint32> counter(QRandomGenerator::global()->generate());
    const quint32 n = counter.fetchAndAddOrdered(1);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    const quint64 random = QRandomGenerator::system()->generate64();
    // "OV" + 17 + 3 + 8 = 30 characters
    return QStringLiteral("OV") + stamp + base36(n, 3) + base36(random, 8);
}

RequestHeader RequestHeader::fresh()
{
    return {newRequestId(), QDateTime::currentDateTimeUtc()};
}

QString xmlTimestamp(const QDateTime& utc)
{
    return utc.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QByteArray buildTokenExchange(const Credentials& c, const RequestHeader& h)
{
    Envelope e("TokenExchangeRequest", c, h);
    return e.finish();
}

QByteArray encodedInvoiceData(const QByteArray& document)
{
    return gzipCompress(document).toBase64();
}

QByteArray buildManageInvoice(const Credentials& c, const RequestHeader& h, const QString& exchangeToken,
                              const std::vector<InvoiceOperation>& operations)
{
    std::vector<SignedOperation> signedOps;
    for (const InvoiceOperation& op : operations)
        signedOps.push_back({op.operation, encodedInvoiceData(op.document)});
    Envelope e("ManageInvoiceRequest", c, h, signedOps);
    e.api(QStringLiteral("exchangeToken"), exchangeToken);
    QXmlStreamWriter& w = e.writer();
    w.writeStartElement(kApi, QStringLiteral("invoiceOperations"));
    e.api(QStringLiteral("compressedContent"), QStringLiteral("true"));
    for (size_t i = 0; i < signedOps.size(); ++i) {
        w.writeStartElement(kApi, QStringLiteral("invoiceOperation"));
        e.api(QStringLiteral("index"), QString::number(i + 1));
        e.api(QStringLiteral("invoiceOperation"), signedOps[i].operation);
        e.api(QStringLiteral("invoiceData"), QString::fromLatin1(signedOps[i].base64Data));
        if (!operations[i].electronicHash.isEmpty()) {
            w.writeStartElement(kApi, QStringLiteral("electronicInvoiceHash"));
            w.writeAttribute(QStringLiteral("cryptoType"), QStringLiteral("SHA-256"));
            w.writeCharacters(QString::fromLatin1(operations[i].electronicHash.toUpper()));
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    return e.finish();
}

QByteArray buildQueryTransactionStatus(const Credentials& c, const RequestHeader& h, const QString& transactionId,
                                       bool returnOriginalRequest)
{
    Envelope e("QueryTransactionStatusRequest", c, h);
    e.api(QStringLiteral("transactionId"), transactionId);
    e.api(QStringLiteral("returnOriginalRequest"), returnOriginalRequest ? QStringLiteral("true")
                                                                        : QStringLiteral("false"));
    return e.finish();
}

QByteArray buildQueryTransactionList(const Credentials& c, const RequestHeader& h, const QDateTime& fromUtc,
                                     const QDateTime& toUtc, int page)
{
    Envelope e("QueryTransactionListRequest", c, h);
    e.api(QStringLiteral("page"), QString::number(page));
    QXmlStreamWriter& w = e.writer();
    w.writeStartElement(kApi, QStringLiteral("insDate"));
    e.api(QStringLiteral("dateTimeFrom"), xmlTimestamp(fromUtc));
    e.api(QStringLiteral("dateTimeTo"), xmlTimestamp(toUtc));
    w.writeEndElement();
    return e.finish();
}

QByteArray buildQueryTaxpayer(const Credentials& c, const RequestHeader& h, const QString& taxpayerId)
{
    Envelope e("QueryTaxpayerRequest", c, h);
    e.api(QStringLiteral("taxNumber"), taxpayerId);
    return e.finish();
}

QByteArray buildQueryInvoiceDigest(const Credentials& c, const RequestHeader& h, const QDate& from, const QDate& to,
                                   int page)
{
    Envelope e("QueryInvoiceDigestRequest", c, h);
    e.api(QStringLiteral("page"), QString::number(page));
    e.api(QStringLiteral("invoiceDirection"), QStringLiteral("OUTBOUND"));
    QXmlStreamWriter& w = e.writer();
    w.writeStartElement(kApi, QStringLiteral("invoiceQueryParams"));
    w.writeStartElement(kApi, QStringLiteral("mandatoryQueryParams"));
    w.writeStartElement(kApi, QStringLiteral("invoiceIssueDate"));
    e.api(QStringLiteral("dateFrom"), from.toString(Qt::ISODate));
    e.api(QStringLiteral("dateTo"), to.toString(Qt::ISODate));
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndElement();
    return e.finish();
}

QByteArray buildQueryInvoiceData(const Credentials& c, const RequestHeader& h, const QString& invoiceNumber)
{
    Envelope e("QueryInvoiceDataRequest", c, h);
    QXmlStreamWriter& w = e.writer();
    w.writeStartElement(kApi, QStringLiteral("invoiceNumberQuery"));
    e.api(QStringLiteral("invoiceNumber"), invoiceNumber);
    e.api(QStringLiteral("invoiceDirection"), QStringLiteral("OUTBOUND"));
    w.writeEndElement();
    return e.finish();
}

InvoiceDigestList readInvoiceDigest(const XmlNode& root)
{
    InvoiceDigestList list;
    const XmlNode& result = root.child(u"invoiceDigestResult");
    list.currentPage = result.textAt(u"currentPage").toInt();
    list.availablePage = result.textAt(u"availablePage").toInt();
    for (const XmlNode* d : result.childrenNamed(u"invoiceDigest")) {
        InvoiceDigest i;
        i.invoiceNumber = d->textAt(u"invoiceNumber");
        i.operation = d->textAt(u"invoiceOperation");
        i.issueDate = d->textAt(u"invoiceIssueDate");
        i.deliveryDate = d->textAt(u"invoiceDeliveryDate");
        i.customerTaxNumber = d->textAt(u"customerTaxNumber");
        i.customerName = d->textAt(u"customerName");
        i.currency = d->textAt(u"currency");
        i.net = d->textAt(u"invoiceNetAmount");
        i.netHuf = d->textAt(u"invoiceNetAmountHUF");
        i.vat = d->textAt(u"invoiceVatAmount");
        i.vatHuf = d->textAt(u"invoiceVatAmountHUF");
        list.invoices.push_back(i);
    }
    return list;
}

QByteArray readInvoiceDataDocument(const XmlNode& root)
{
    const XmlNode& result = root.child(u"invoiceDataResult");
    if (result.isNull())
        return {};
    const QByteArray decoded = QByteArray::fromBase64(result.textAt(u"invoiceData").toLatin1());
    if (result.textAt(u"compressedContentIndicator") != u"true")
        return decoded;
    return gzipDecompress(decoded, kMaxInvoiceBytes).value_or(QByteArray());
}

QString ValidationMessage::describe() const
{
    QString s = resultCode;
    if (!errorCode.isEmpty())
        s += u' ' + errorCode;
    if (!message.isEmpty())
        s += QStringLiteral(": ") + message;
    if (!pointer.isEmpty())
        s += QStringLiteral(" (") + pointer + u')';
    return s;
}

BasicResult readBasicResult(const XmlNode& root)
{
    BasicResult r;
    r.root = root.name;
    const XmlNode& result = root.child(u"result");
    // A GeneralExceptionResponse carries the result fields directly under its root.
    const XmlNode& source = result.isNull() ? root : result;
    r.funcCode = source.textAt(u"funcCode");
    r.errorCode = source.textAt(u"errorCode");
    r.message = source.textAt(u"message");
    for (const XmlNode* m : root.childrenNamed(u"technicalValidationMessages"))
        r.technical.push_back(readMessage(*m, true));
    return r;
}

bool ProcessingResult::hasWarnings() const
{
    for (const ValidationMessage& m : messages)
        if (m.resultCode == u"WARN" || m.resultCode == u"ERROR")
            return true;
    return false;
}

std::vector<ProcessingResult> readProcessingResults(const XmlNode& root)
{
    std::vector<ProcessingResult> results;
    for (const XmlNode* p : root.child(u"processingResults").childrenNamed(u"processingResult")) {
        ProcessingResult r;
        r.index = p->textAt(u"index").toInt();
        r.invoiceStatus = p->textAt(u"invoiceStatus");
        for (const XmlNode* m : p->childrenNamed(u"technicalValidationMessages"))
            r.messages.push_back(readMessage(*m, true));
        for (const XmlNode* m : p->childrenNamed(u"businessValidationMessages"))
            r.messages.push_back(readMessage(*m, false));
        const QString original = p->textAt(u"originalRequest");
        if (!original.isEmpty()) {
            r.originalRequest = QByteArray::fromBase64(original.toLatin1());
            const QString compressed = p->textAt(u"compressedContentIndicator");
            if (compressed == u"true" || compressed == u"1")
                r.originalRequest = gzipDecompress(r.originalRequest, kMaxInvoiceBytes).value_or(QByteArray());
        }
        results.push_back(std::move(r));
    }
    return results;
}

TransactionList readTransactionList(const XmlNode& root)
{
    TransactionList list;
    const XmlNode& result = root.child(u"transactionListResult");
    list.currentPage = result.textAt(u"currentPage").toInt();
    list.availablePage = result.textAt(u"availablePage").toInt();
    for (const XmlNode* t : result.childrenNamed(u"transaction")) {
        TransactionEntry e;
        e.transactionId = t->textAt(u"transactionId");
        e.insDate = readTimestamp(t->textAt(u"insDate"));
        e.requestStatus = t->textAt(u"requestStatus");
        e.itemCount = t->textAt(u"itemCount").toInt();
        list.transactions.push_back(e);
    }
    return list;
}

TaxpayerInfo readTaxpayer(const XmlNode& root)
{
    TaxpayerInfo info;
    info.answered = readBasicResult(root).ok();
    info.valid = root.textAt(u"taxpayerValidity") == u"true";
    const XmlNode& data = root.child(u"taxpayerData");
    info.name = data.textAt(u"taxpayerName");
    info.shortName = data.textAt(u"taxpayerShortName");
    const XmlNode& detail = data.child(u"taxNumberDetail");
    if (!detail.isNull()) {
        info.taxNumber = detail.textAt(u"taxpayerId");
        if (!detail.textAt(u"vatCode").isEmpty())
            info.taxNumber += u'-' + detail.textAt(u"vatCode") + u'-' + detail.textAt(u"countyCode");
    }
    const XmlNode* chosen = nullptr;
    for (const XmlNode* item : data.child(u"taxpayerAddressList").childrenNamed(u"taxpayerAddressItem")) {
        if (!chosen || item->textAt(u"taxpayerAddressType") == u"HQ")
            chosen = item;
        if (item->textAt(u"taxpayerAddressType") == u"HQ")
            break;
    }
    if (chosen) {
        const XmlNode& a = chosen->child(u"taxpayerAddress");
        QStringList street;
        for (const char* part : {"streetName", "publicPlaceCategory", "number"}) {
            const QString t = a.textAt(QString::fromLatin1(part));
            if (!t.isEmpty())
                street << t;
        }
        QString line = a.textAt(u"postalCode") + u' ' + a.textAt(u"city");
        if (!street.isEmpty())
            line += QStringLiteral(", ") + street.join(u' ');
        QStringList rest;
        for (const char* part : {"building", "staircase", "floor", "door"}) {
            const QString t = a.textAt(QString::fromLatin1(part));
            if (!t.isEmpty())
                rest << t;
        }
        if (!rest.isEmpty())
            line += u' ' + rest.join(u' ');
        info.address = line.trimmed();
    }
    return info;
}

QString invoiceNumberOf(const QByteArray& invoiceDocument)
{
    // The number is the root's first child: read that far, not the whole (perhaps 10 MB) document.
    QXmlStreamReader reader(invoiceDocument);
    int depth = 0;
    while (!reader.atEnd() && reader.readNext() != QXmlStreamReader::Invalid) {
        if (reader.isEndElement())
            --depth;
        if (!reader.isStartElement())
            continue;
        if (++depth == 2 && reader.name() == u"invoiceNumber") {
            const QString number = reader.readElementText().trimmed();
            return reader.hasError() ? QString() : number;
        }
    }
    return {};
}

} // namespace orvena::nav
