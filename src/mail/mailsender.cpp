#include "mailsender.h"

#include "db/errors.h"
#include "db/logging.h"

#include <QLocale>
#include <QUrl>
#include <QUuid>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace orvena::mail {

namespace {

constexpr long kConnectTimeoutSeconds = 20;
constexpr long kTimeoutSeconds = 300;

// Base64 in lines of 76 characters, each ended by CR LF.
QByteArray base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    out.reserve(encoded.size() + encoded.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < encoded.size(); i += 76)
        out += encoded.mid(i, 76) + "\r\n";
    return out;
}

// A header value: plain when it is printable ASCII, otherwise encoded words (RFC 2047) of at most
// 45 bytes of UTF-8 each, never splitting a character.
QByteArray headerText(const QString& text)
{
    bool plain = true;
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e)
            plain = false;
    if (plain)
        return text.toLatin1();
    QByteArray out;
    QByteArray chunk;
    auto flush = [&] {
        if (chunk.isEmpty())
            return;
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString one(text.at(i));
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            one += text.at(++i);
        const QChar c = one.at(0);
        const QByteArray bytes = (c == u'\r' || c == u'\n') ? QByteArray(" ") : one.toUtf8();
        if (chunk.size() + bytes.size() > 45)
            flush();
        chunk += bytes;
    }
    flush();
    return out;
}

QByteArray safeFileName(const QString& name)
{
    QByteArray out;
    for (const QChar c : name) {
        const bool keep = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
                          || c == u'_' || c == u'.';
        out += keep ? static_cast<char>(c.unicode()) : '_';
    }
    return out.isEmpty() ? QByteArray("melleklet") : out;
}

QByteArray rfc2822Date(const QDateTime& date)
{
    const int offset = date.offsetFromUtc() / 60;
    // The sign as a character: QString::arg would take a char16_t for a number.
    const QString zone = QString(QChar(offset < 0 ? u'-' : u'+'))
                         + QStringLiteral("%1%2")
                               .arg(std::abs(offset) / 60, 2, 10, QChar(u'0'))
                               .arg(std::abs(offset) % 60, 2, 10, QChar(u'0'));
    return (QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + zone).toLatin1();
}

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Upload {
    QByteArray data;
    qsizetype position = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* user)
{
    auto* upload = static_cast<Upload*>(user);
    const qsizetype room = static_cast<qsizetype>(size * count);
    const qsizetype n = std::min(room, upload->data.size() - upload->position);
    memcpy(buffer, upload->data.constData() + upload->position, static_cast<size_t>(n));
    upload->position += n;
    return static_cast<size_t>(n);
}

// The server's lines as they arrive (libcurl's debug stream of incoming headers), and whether it
// has invited the message (354) and what it said after that.
// Asked by libcurl while it works: a nonzero answer abandons the transfer ("Mégsem").
int checkCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* cancelled = static_cast<const std::atomic<bool>*>(user);
    return cancelled && cancelled->load() ? 1 : 0;
}

struct Conversation {
    QStringList answers;
    bool dataInvited = false;
    QStringList afterData;
};

int collectAnswers(CURL*, curl_infotype type, char* data, size_t size, void* user)
{
    if (type == CURLINFO_HEADER_IN) {
        auto* talk = static_cast<Conversation*>(user);
        const QString line = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
        if (line.isEmpty())
            return 0;
        talk->answers.append(line);
        if (talk->dataInvited)
            talk->afterData.append(line);
        else if (line.startsWith(QStringLiteral("354")))
            talk->dataInvited = true;
    }
    return 0;
}

struct CurlDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

QString failureText(CURLcode code, const SmtpSettings& settings)
{
    const QString server = QStringLiteral("%1:%2").arg(settings.host).arg(settings.effectivePort());
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("A levelezőkiszolgáló neve (%1) nem található.").arg(settings.host);
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("A levelezőkiszolgáló (%1) nem érhető el.").arg(server);
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("A levelezőkiszolgáló (%1) nem válaszolt %2 másodpercen belül.")
            .arg(server)
            .arg(settings.timeout);
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("A levelezőkiszolgáló (%1) nem fogadta el a bejelentkezést: hibás a felhasználónév "
                              "vagy a jelszó.")
            .arg(server);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR:
        return QStringLiteral("A levelezőkiszolgálóval (%1) nem jött létre biztonságos kapcsolat: a tanúsítványa nem "
                              "ellenőrizhető, vagy a titkosítás nem sikerült.")
            .arg(server);
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("A levelezőkiszolgáló (%1) nem támogatja a titkosított kapcsolatot (STARTTLS).")
            .arg(server);
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("A küldést megszakította (%1).").arg(server);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return QStringLiteral("Megszakadt a kapcsolat a levelezőkiszolgálóval (%1).").arg(server);
    default:
        break;
    }
    return QStringLiteral("A levelezőkiszolgáló (%1) nem fogadta el a levelet.").arg(server);
}

} // namespace

QString SendResult::fullMessage() const
{
    if (sent)
        return {};
    QString text = (outcome == Outcome::Unknown ? QStringLiteral("Nem tudni, hogy az e-mail elment-e. ")
                                                : QStringLiteral("Az e-mail nem ment el. "))
                   + error;
    if (!detail.isEmpty())
        text += QStringLiteral("\nA kiszolgáló válasza: ") + detail;
    return text;
}

QByteArray composeMessage(const QString& from, const OutgoingMail& mail, const QString& messageId,
                          const QDateTime& date)
{
    const QByteArray boundary = "=_orvena_" + QUuid::createUuid().toByteArray(QUuid::Id128);
    QByteArray m;
    m += "From: " + from.toLatin1() + "\r\n";
    QByteArrayList to;
    for (const QString& address : mail.to)
        to << asciiMailAddress(address);
    m += "To: " + to.join(", ") + "\r\n";
    m += "Subject: " + headerText(mail.subject) + "\r\n";
    m += "Date: " + rfc2822Date(date) + "\r\n";
    m += "Message-ID: " + messageId.toLatin1() + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n";
    m += "\r\n";
    m += "--" + boundary + "\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: base64\r\n\r\n";
    QString body = mail.body;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(u'\n', QStringLiteral("\r\n"));
    m += base64Lines(body.toUtf8());
    for (const Attachment& a : mail.attachments) {
        const QByteArray name = safeFileName(a.fileName);
        m += "--" + boundary + "\r\n";
        m += "Content-Type: " + a.mimeType + "; name=\"" + name + "\"\r\n";
        m += "Content-Transfer-Encoding: base64\r\n";
        m += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n";
        m += base64Lines(a.content);
    }
    m += "--" + boundary + "--\r\n";
    return m;
}

QString newMessageId(const SmtpSettings& settings)
{
    QString domain = settings.from.section(u'@', -1).trimmed();
    const QByteArray ascii = QUrl::toAce(domain);
    domain = ascii.isEmpty() ? QStringLiteral("localhost") : QString::fromLatin1(ascii);
    return QStringLiteral("<%1@%2>").arg(QUuid::createUuid().toString(QUuid::WithoutBraces), domain);
}

namespace {

// The connection's security, credentials and time limits (libcurl keeps its own copies of the
// texts).
void setConnectionOptions(CURL* h, const SmtpSettings& settings, bool implicitTls)
{
    const QByteArray user = settings.user.toUtf8();
    const QByteArray password = settings.password.toUtf8();
    const QByteArray ca = settings.ca.toLocal8Bit();
    // Encrypted from the start or after STARTTLS, never falling back to plain text; plain only
    // towards this machine (the settings refuse it otherwise).
    if (!implicitTls)
        curl_easy_setopt(h, CURLOPT_USE_SSL, settings.security == SmtpSettings::Security::None
                                                 ? static_cast<long>(CURLUSESSL_NONE)
                                                 : static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!ca.isEmpty()) {
        // The named authority besides the system's.
        curl_easy_setopt(h, CURLOPT_CAINFO, ca.constData());
        curl_easy_setopt(h, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    if (!user.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }
    // A server that falls silent (at any step, also after the message) is given up after the
    // settings' timeout; a slow upload of a large attachment is not cut while it moves.
    const long silence = std::max(1, settings.timeout);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, std::min(kConnectTimeoutSeconds, silence));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, silence);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, silence);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, std::max(kTimeoutSeconds, silence));
}

// Why a conversation failed, in the operator's words (result.error) and the server's or the
// library's (result.detail); a message handed over whole without an answer is an unknown outcome.
void describeFailure(SendResult& result, CURLcode code, const Conversation& talk, const Upload& upload,
                     const SmtpSettings& settings, const char* errorBuffer)
{
    const QStringList& answers = talk.answers;
    // The server's own refusal when it gave one (a 4xx or 5xx answer), else the library's words.
    QString serverWords;
    for (const QString& line : answers)
        if (line.startsWith(u'4') || line.startsWith(u'5'))
            serverWords = line;
    result.error = failureText(code, settings);
    // The whole message handed over after the server's invitation, and no answer to it: the
    // server may have taken it. A message cut short lacks its end mark and is never delivered.
    if (talk.dataInvited && upload.position == upload.data.size() && talk.afterData.isEmpty()) {
        result.outcome = SendResult::Outcome::Unknown;
        result.error = code == CURLE_OPERATION_TIMEDOUT
                           ? QStringLiteral("A levelezőkiszolgáló (%1:%2) a levél átadása után %3 másodpercig nem "
                                            "igazolta vissza az átvételt.")
                                 .arg(settings.host)
                                 .arg(settings.effectivePort())
                                 .arg(settings.timeout)
                           : QStringLiteral("A levél átadása után megszakadt a kapcsolat a levelezőkiszolgálóval "
                                            "(%1:%2), mielőtt az visszaigazolta volna az átvételt.")
                                 .arg(settings.host)
                                 .arg(settings.effectivePort());
    } else if (!serverWords.isEmpty() && (code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR)) {
        result.error = QStringLiteral("A levelezőkiszolgáló (%1:%2) visszautasította a levelet.")
                           .arg(settings.host)
                           .arg(settings.effectivePort());
    }
    const QString library = QString::fromUtf8(errorBuffer).trimmed();
    result.detail = serverWords.isEmpty() ? (library.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : library)
                                          : serverWords;
}

} // namespace

SendResult sendMail(const SmtpSettings& settings, const OutgoingMail& mail, const std::atomic<bool>* cancelled)
{
    if (const QString problem = settings.problem(); !problem.isEmpty())
        throw Error(problem);
    const QStringList from = parseMailAddresses(settings.from);
    if (from.size() != 1)
        throw Error(QStringLiteral("A feladó címe (from) egyetlen e-mail-cím legyen."));
    const QStringList to = parseMailAddresses(mail.to.join(u';'));
    initialiseCurl();

    SendResult result;
    result.messageId = mail.messageId.isEmpty() ? newMessageId(settings) : mail.messageId;
    OutgoingMail addressed = mail;
    addressed.to = to;
    Upload upload{composeMessage(from.front(), addressed, result.messageId, QDateTime::currentDateTime()), 0};

    const std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    if (!handle)
        throw Error(QStringLiteral("Az e-mail küldése nem indítható el."));
    CURL* h = handle.get();
    const bool implicitTls = settings.security == SmtpSettings::Security::Tls;
    const QByteArray url = QStringLiteral("%1://%2:%3")
                               .arg(implicitTls ? QStringLiteral("smtps") : QStringLiteral("smtp"),
                                    settings.host.contains(u':') ? u'[' + settings.host + u']' : settings.host)
                               .arg(settings.effectivePort())
                               .toUtf8();
    const QByteArray sender = '<' + asciiMailAddress(from.front()) + '>';
    std::unique_ptr<curl_slist, ListDeleter> recipients;
    for (const QString& r : to)
        recipients.reset(curl_slist_append(recipients.release(), ('<' + asciiMailAddress(r) + '>').constData()));
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Conversation talk;

    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, sender.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload.data.size()));
    setConnectionOptions(h, settings, implicitTls);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, collectAnswers);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &talk);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    // The operator's "Mégsem" ends the conversation at the next moment libcurl looks (about once
    // a second while it waits, at once while data moves).
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, checkCancelled);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, cancelled);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, cancelled ? 0L : 1L);

    const CURLcode code = curl_easy_perform(h);
    const QStringList& answers = talk.answers;
    result.serverAnswer = answers.isEmpty() ? QString() : answers.back();
    if (code == CURLE_OK) {
        result.sent = true;
        result.outcome = SendResult::Outcome::Sent;
        return result;
    }
    describeFailure(result, code, talk, upload, settings, errorBuffer);
    qCWarning(lcMail()) << "SMTP:" << result.error << result.detail;
    return result;
}

SendResult sendPdfMail(const SmtpSettings& settings, const QStringList& to, const QString& subject,
                       const QString& body, const QByteArray& pdf, const QString& fileName,
                       const QString& messageId, const std::atomic<bool>* cancelled)
{
    OutgoingMail mail;
    mail.messageId = messageId;
    mail.to = to;
    mail.subject = subject;
    mail.body = body;
    mail.attachments.push_back({fileName, QByteArrayLiteral("application/pdf"), pdf});
    return sendMail(settings, mail, cancelled);
}

} // namespace orvena::mail
