#include "navqueue.h"
#include "navreconcile.h"

#include "db/codepages.h"
#include "db/connection.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/sqlname.h"
#include "db/stepchain.h"

#include <QElapsedTimer>
#include <QHash>
#include <QThread>

#include <algorithm>
#include <map>

namespace orvena::nav {

namespace {

QString nowText(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The transaction list is searched in windows of this many days (the service allows 35).
constexpr int kListWindowDays = 34;

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v >= 0 ? v : fallback;
}

// Latin-2 bytes of a text from outside (the authority's messages): a character the database's
// code page lacks becomes "?" rather than failing the whole update.
QByteArray lenientLatin2(const QString& text)
{
    if (auto bytes = tryEncode(CodePage::Latin2, text))
        return *bytes;
    QByteArray out;
    for (QChar ch : text)
        out += tryEncode(CodePage::Latin2, QString(ch)).value_or(QByteArray("?"));
    return out;
}

QString messagesText(const std::vector<ValidationMessage>& messages)
{
    QStringList lines;
    for (const ValidationMessage& m : messages)
        lines << m.describe();
    return lines.join(u'\n');
}

} // namespace

QString stateText(const QString& s)
{
    if (s == state::ToSend)
        return QStringLiteral("Küldendő");
    if (s == state::Sent)
        return QStringLiteral("Elküldve");
    if (s == state::Accepted)
        return QStringLiteral("Befogadva");
    if (s == state::Warned)
        return QStringLiteral("Figyelmeztetés");
    if (s == state::Rejected)
        return QStringLiteral("Elutasítva");
    if (s == state::NotReported)
        return QStringLiteral("Nem küldendő");
    if (s == state::ReportedOtherwise)
        return QStringLiteral("Más tartalommal bejelentve");
    return s;
}

QString operationText(const QString& operation)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("CREATE"), QStringLiteral("Kiállítás")},
        {QStringLiteral("STORNO"), QStringLiteral("Sztornó")},
        {QStringLiteral("MODIFY"), QStringLiteral("Módosítás")},
        {QStringLiteral("tokenExchange"), QStringLiteral("Tokenkérés")},
        {QStringLiteral("manageInvoice"), QStringLiteral("Számlaadatok beküldése")},
        {QStringLiteral("queryTransactionStatus"), QStringLiteral("Feldolgozás lekérdezése")},
        {QStringLiteral("queryTransactionList"), QStringLiteral("Tranzakciók lekérdezése")},
        {QStringLiteral("queryTaxpayer"), QStringLiteral("Adószám lekérdezése")},
        {QStringLiteral("KULDES"), QStringLiteral("Elküldve")},
        {QStringLiteral("HIBA"), QStringLiteral("Hiba")},
        {QStringLiteral("MEGVAN"), QStringLiteral("Megérkezett")}};
    const auto it = names.constFind(operation);
    return it != names.constEnd() ? *it : stateText(operation);
}

QueueSettings QueueSettings::fromEnvironment()
{
    QueueSettings s;
    s.requestTimeoutMs = envInt("ORVENA_NAV_TIMEOUT_MS", s.requestTimeoutMs);
    s.pollMs = envInt("ORVENA_NAV_POLL_MS", s.pollMs);
    s.retryMs = envInt("ORVENA_NAV_RETRY_MS", s.retryMs);
    s.lostAnswerWaitMs = envInt("ORVENA_NAV_LOST_WAIT_MS", s.lostAnswerWaitMs);
    return s;
}

QueueCounts queueCounts(Connection& c)
{
    QueueCounts counts;
    const auto rows = c.select("SELECT nAllapot, COUNT(*) FROM szlanav WHERE nAllapot IN ('KULDENDO','ELKULDVE',"
                               "'ELUTASITVA','MASKENT_JELENTVE') GROUP BY nAllapot");
    for (int r = 0; r < rows->rowCount(); ++r) {
        const int n = static_cast<int>(rows->integer(r, 1));
        const QString s = rows->text(r, 0);
        if (s == state::ToSend)
            counts.toSend = n;
        else if (s == state::Sent)
            counts.inFlight = n;
        else
            counts.rejected += n; // a number reported with other content needs the same attention
    }
    return counts;
}

int holdRestoredReports(Connection& c, const QDateTime& backupTimeUtc)
{
    SendQueue q(c);
    const QString text = QStringLiteral("Adatmentés visszaállítása után: a NAV tranzakciólistájából derül ki, hogy a "
                                        "számla jelentése a mentés után megérkezett-e; addig nem küldjük.");
    // Not reported before the backup was made (it was waiting then), nor before its document.
    const QByteArray since = backupTimeUtc.isValid()
                                 ? "COALESCE(GREATEST(nKeszult, " + q.lit(nowText(backupTimeUtc.toLocalTime())) + "), "
                                       + q.lit(nowText(backupTimeUtc.toLocalTime())) + ')'
                                 : QByteArray("COALESCE(nKeszult, NOW() - INTERVAL 1 DAY)");
    int held = 0;
    StepChain chain(c);
    chain.run([&] {
        chain.begin();
        const auto rows = c.select("SELECT nBszam FROM szlanav WHERE nAllapot = 'KULDENDO' FOR UPDATE");
        c.execute("UPDATE szlanav SET nAllapot = 'ELKULDVE', nTranzakcio = NULL, nUtolso = " + since + ", nUzenet = "
                  + q.lit(text) + " WHERE nAllapot = 'KULDENDO'");
        for (int r = 0; r < rows->rowCount(); ++r)
            q.log(rows->text(r, 0), QStringLiteral("Visszaállítás"), QString(), QString(), 0, state::Sent, text);
        chain.commit();
        held = rows->rowCount();
    });
    return held;
}

SendQueue::SendQueue(Connection& connection, QueueSettings settings) : m_db(connection), m_settings(settings) {}

QByteArray SendQueue::lit(const QString& text) const
{
    return quotedLiteralBytes(m_db, lenientLatin2(text));
}

QByteArray SendQueue::inList(const std::vector<Row>& rows) const
{
    QByteArray list = "(";
    for (size_t i = 0; i < rows.size(); ++i)
        list += (i ? "," : "") + lit(rows[i].number);
    return list + ')';
}

void SendQueue::loadIssuers()
{
    m_issuers.clear();
    const auto rows = m_db.select("SELECT zKod, zNavMod, zAdo, zNavLogin, zNavJelszo, zNavAlairo, zNavCsere FROM szallito");
    for (int r = 0; r < rows->rowCount(); ++r) {
        Issuer i;
        i.mode = rows->text(r, 1).trimmed().toUpper();
        i.credentials = {rows->text(r, 3).trimmed(), rows->text(r, 4).trimmed(), rows->text(r, 2),
                         rows->text(r, 5).trimmed(), rows->text(r, 6).trimmed()};
        m_issuers.insert(rows->text(r, 0), i);
    }
    m_onlyReportingIssuer.clear();
    int reporting = 0;
    for (auto it = m_issuers.constBegin(); it != m_issuers.constEnd(); ++it) {
        if (environmentFromMode(it->mode)) {
            ++reporting;
            m_onlyReportingIssuer = it.key();
        }
    }
    if (reporting != 1)
        m_onlyReportingIssuer.clear();
}

std::vector<SendQueue::Row> SendQueue::pendingRows()
{
    const auto rows = m_db.select(
        "SELECT n.nBszam, n.nMuvelet, n.nEredeti, n.nAllapot, n.nTranzakcio, n.nProba, "
        "DATE_FORMAT(n.nUtolso, '%Y-%m-%d %H:%i:%s'), f.fzKod, o.nAllapot "
        "FROM szlanav n LEFT JOIN szlafej f ON f.fBszam = n.nBszam "
        "LEFT JOIN szlanav o ON o.nBszam = n.nEredeti "
        "WHERE n.nAllapot IN ('KULDENDO','ELKULDVE') ORDER BY n.nBszam");
    std::vector<Row> out;
    for (int r = 0; r < rows->rowCount(); ++r) {
        Row row;
        row.number = rows->text(r, 0);
        row.operation = rows->text(r, 1).trimmed().toUpper();
        row.original = rows->text(r, 2).trimmed();
        row.state = rows->text(r, 3);
        row.transaction = rows->text(r, 4).trimmed();
        row.attempts = static_cast<int>(rows->integer(r, 5));
        row.last = QDateTime::fromString(rows->text(r, 6), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!row.last.isValid()) // no time recorded: search the authority's list a day back
            row.last = QDateTime::currentDateTime().addDays(-1);
        row.issuer = rows->text(r, 7);
        // An invoice whose issuer code is missing or unknown goes with the one issuer that reports.
        if (!m_issuers.contains(row.issuer) && !m_onlyReportingIssuer.isEmpty())
            row.issuer = m_onlyReportingIssuer;
        const QString originalState = rows->text(r, 8);
        // A storno or a correction waits while its original is on its way; after a rejected
        // original it cannot go.
        const bool modification = row.operation == u"STORNO" || row.operation == u"MODIFY";
        if (row.state == state::ToSend && modification && !row.original.isEmpty()
            && (originalState == state::ToSend || originalState == state::Sent))
            row.state = QStringLiteral("WAIT");
        else if (row.state == state::ToSend && modification && originalState == state::Rejected)
            row.state = QStringLiteral("BLOCKED");
        out.push_back(row);
    }
    return out;
}

bool SendQueue::due(const QString& key, const QDateTime& now) const
{
    const auto it = m_notBefore.constFind(key);
    return it == m_notBefore.constEnd() || *it <= now;
}

void SendQueue::later(const QString& key, int ms)
{
    m_notBefore.insert(key, QDateTime::currentDateTime().addMSecs(ms));
}

void SendQueue::retryBatch(const std::vector<Row>& rows, bool atOnce)
{
    // One moment for the whole batch, so it goes out together again.
    int attempts = 0;
    for (const Row& r : rows)
        attempts = std::max(attempts, r.attempts + 1);
    const QDateTime when = QDateTime::currentDateTime().addMSecs(atOnce ? 0 : pause(attempts));
    for (const Row& r : rows)
        m_notBefore.insert(QStringLiteral("send:") + r.number, when);
}

int SendQueue::pause(int attempts) const
{
    const int doublings = std::clamp(attempts - 1, 0, 20);
    const qint64 ms = static_cast<qint64>(m_settings.retryMs) << doublings;
    return static_cast<int>(std::min<qint64>(ms, m_settings.retryMaxMs));
}

Client& SendQueue::client(const QString& issuer)
{
    const Issuer& i = m_issuers[issuer];
    auto& slot = m_clients[issuer];
    const QString url = baseUrl(*environmentFromMode(i.mode));
    const Credentials& c = i.credentials;
    if (!slot || slot->credentials().login != c.login || slot->credentials().passwordHash != c.passwordHash
        || slot->credentials().signatureKey != c.signatureKey || slot->credentials().exchangeKey != c.exchangeKey
        || slot->credentials().taxNumber != c.taxNumber || m_clientUrls.value(issuer) != url) {
        slot = std::make_shared<Client>(url, c);
        m_clientUrls.insert(issuer, url);
    }
    slot->setTimeout(m_settings.requestTimeoutMs);
    slot->setCancelFlag(m_cancel);
    return *slot;
}

void SendQueue::log(const QString& number, const QString& operation, const QString& requestId,
                    const QString& transaction, int index, const QString& result, const QString& text)
{
    m_db.execute("INSERT INTO szlanavnaplo (gBszam, gIdo, gMuvelet, gKeres, gTranzakcio, gIndex, gEredmeny, gSzoveg) "
                 "VALUES ("
                 + lit(number) + ',' + lit(nowText(QDateTime::currentDateTime())) + ',' + lit(operation) + ','
                 + (requestId.isEmpty() ? QByteArray("NULL") : lit(requestId)) + ','
                 + (transaction.isEmpty() ? QByteArray("NULL") : lit(transaction)) + ','
                 + (index > 0 ? QByteArray::number(index) : QByteArray("NULL")) + ',' + lit(result) + ','
                 + (text.isEmpty() ? QByteArray("NULL") : lit(text)) + ')');
}

SendQueue::Step SendQueue::step()
{
    const QDateTime now = QDateTime::currentDateTime();
    loadIssuers();
    auto actionable = [this](const Row& r) {
        const auto it = m_issuers.constFind(r.issuer);
        return it != m_issuers.constEnd() && environmentFromMode(it->mode) && it->credentials.missing().isEmpty();
    };
    auto cancelled = [this] { return m_cancel && m_cancel->load(); };

    std::map<QString, std::vector<Row>> lost, toSend;
    std::map<QString, std::vector<Row>> polls;
    for (const Row& r : pendingRows()) {
        if (!actionable(r))
            continue;
        if (r.state == state::Sent && r.transaction.isEmpty()) {
            if (r.last.addMSecs(m_settings.lostAnswerWaitMs) <= now && due(QStringLiteral("lost:") + r.issuer, now))
                lost[r.issuer].push_back(r);
        } else if (r.state == state::Sent) {
            if (due(QStringLiteral("poll:") + r.transaction, now))
                polls[r.transaction].push_back(r);
        } else if (r.state == state::ToSend && due(QStringLiteral("send:") + r.number, now)) {
            toSend[r.issuer].push_back(r);
        }
    }
    for (const auto& [issuer, rows] : lost) {
        if (cancelled())
            break;
        settleLost(issuer, rows);
    }
    for (const auto& [tx, rows] : polls) {
        if (cancelled())
            break;
        poll(rows.front().issuer, tx, rows);
    }
    for (const auto& [issuer, rows] : toSend) {
        for (size_t from = 0; from < rows.size() && !cancelled(); from += static_cast<size_t>(m_settings.batchSize)) {
            const size_t to = std::min(rows.size(), from + static_cast<size_t>(m_settings.batchSize));
            sendBatch(issuer, std::vector<Row>(rows.begin() + static_cast<qsizetype>(from),
                                               rows.begin() + static_cast<qsizetype>(to)));
        }
    }

    // What is left, and when the earliest of it is due.
    Step result;
    const QDateTime after = QDateTime::currentDateTime();
    qint64 wait = std::numeric_limits<qint64>::max();
    auto consider = [&](const QDateTime& when) {
        result.pending = true;
        wait = std::min(wait, std::max<qint64>(0, after.msecsTo(when)));
    };
    auto notBefore = [&](const QString& key) { return m_notBefore.value(key, after); };
    for (const Row& r : pendingRows()) {
        if (!actionable(r) || r.state == u"BLOCKED")
            continue;
        if (r.state == u"WAIT")
            continue; // follows its original, which is pending itself
        if (r.state == state::Sent && r.transaction.isEmpty())
            consider(std::max(r.last.addMSecs(m_settings.lostAnswerWaitMs), notBefore(QStringLiteral("lost:") + r.issuer)));
        else if (r.state == state::Sent)
            consider(notBefore(QStringLiteral("poll:") + r.transaction));
        else
            consider(notBefore(QStringLiteral("send:") + r.number));
    }
    result.waitMs = result.pending ? static_cast<int>(std::min<qint64>(wait, 3600000)) : 0;
    return result;
}

bool SendQueue::runUntilSettled(int maxMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!(m_cancel && m_cancel->load())) {
        const Step s = step();
        if (!s.pending)
            return true;
        const qint64 left = maxMs - timer.elapsed();
        if (left <= 0 || s.waitMs > left)
            return false;
        QThread::msleep(static_cast<unsigned long>(std::max(s.waitMs, 20)));
    }
    return false;
}

void SendQueue::resend(Connection& c, const QString& invoiceNumber)
{
    SendQueue q(c);
    c.execute("UPDATE szlanav SET nAllapot = 'KULDENDO', nTranzakcio = NULL, nProba = 0, nUzenet = NULL "
              "WHERE nBszam = " + q.lit(invoiceNumber) + " AND nAllapot = 'ELUTASITVA'");
    if (c.affectedRows() > 0)
        q.log(invoiceNumber, QStringLiteral("Újraküldés"), QString(), QString(), 0, state::ToSend,
              QStringLiteral("A kezelő újraküldésre jelölte."));
}

void SendQueue::sendBatch(const QString& issuer, const std::vector<Row>& batch)
{
    // The stored documents, byte for byte.
    // An e-mailed invoice's report carries the hash of the PDF it was sent as.
    const auto docs = m_db.select("SELECT nBszam, nXml, (SELECT aPdfSha FROM szlaarchiv WHERE aBszam = nBszam AND "
                                  "aElektronikus = 1 ORDER BY aID DESC LIMIT 1) FROM szlanav WHERE nBszam IN "
                                  + inList(batch));
    QHash<QString, QByteArray> xml;
    QHash<QString, QByteArray> electronicHash;
    for (int r = 0; r < docs->rowCount(); ++r) {
        xml.insert(docs->text(r, 0), docs->raw(r, 1));
        if (!docs->isNull(r, 2))
            electronicHash.insert(docs->text(r, 0), docs->raw(r, 2));
    }
    auto hold = [this](const Row& r, const QString& text) {
        m_db.execute("UPDATE szlanav SET nUzenet = " + lit(text) + " WHERE nAllapot = 'KULDENDO' AND nBszam = "
                     + lit(r.number));
        later(QStringLiteral("send:") + r.number, m_settings.retryMaxMs);
    };
    // Requests cut by count and by size: the compressed documents of one request stay below the
    // service's limit together with the envelope.
    std::vector<Row> rows;
    std::vector<InvoiceOperation> ops;
    qint64 size = kEnvelopeOverhead;
    auto flush = [&] {
        if (!rows.empty() && !(m_cancel && m_cancel->load()))
            sendRequest(issuer, rows, ops);
        rows.clear();
        ops.clear();
        size = kEnvelopeOverhead;
    };
    for (const Row& r : batch) {
        const QByteArray doc = xml.value(r.number);
        if (doc.trimmed().isEmpty()) {
            hold(r, QStringLiteral("A számla tárolt NAV adatai hiányoznak; nem küldhető."));
            continue;
        }
        const qint64 encoded = doc.size() > kMaxInvoiceBytes ? -1 : encodedInvoiceData(doc).size();
        if (encoded < 0 || kEnvelopeOverhead + kOperationOverhead + encoded > m_settings.maxRequestBytes) {
            hold(r, QStringLiteral("A számla NAV adatai (%1 bájt) tömörítve is meghaladják a NAV egy kérésben fogadott "
                                   "méretét; nem küldhető.")
                        .arg(doc.size()));
            continue;
        }
        if (!rows.empty() && size + kOperationOverhead + encoded > m_settings.maxRequestBytes)
            flush();
        rows.push_back(r);
        ops.push_back({r.operation == u"STORNO" || r.operation == u"MODIFY" ? r.operation : QStringLiteral("CREATE"), doc,
                       electronicHash.value(r.number)});
        size += kOperationOverhead + encoded;
    }
    flush();
}

void SendQueue::sendRequest(const QString& issuer, const std::vector<Row>& rows, const std::vector<InvoiceOperation>& ops)
{
    Client& c = client(issuer);
    const QString now = nowText(QDateTime::currentDateTime());
    const TokenResult token = c.tokenExchange();
    if (token.token.isEmpty()) {
        tokenFailed(rows, now, token);
        return;
    }

    // Claimed before the request leaves: from here on the rows count as possibly reported.
    const RequestHeader header = RequestHeader::fresh();
    bool claimed = false;
    StepChain claim(m_db); // a failure on the way rolls the claim back
    claim.run([&] {
        claim.begin();
        m_db.execute("UPDATE szlanav SET nAllapot = 'ELKULDVE', nTranzakcio = NULL, nProba = nProba + 1, nUtolso = "
                     + lit(now) + ", nUzenet = NULL WHERE nAllapot = 'KULDENDO' AND nBszam IN " + inList(rows));
        if (m_db.affectedRows() != rows.size()) // another program took some of them meanwhile
            return;
        for (size_t i = 0; i < rows.size(); ++i)
            log(rows[i].number, QStringLiteral("manageInvoice"), header.requestId, QString(), static_cast<int>(i + 1),
                QStringLiteral("KULDES"),
                QStringLiteral("%1, %2 számla a kérésben").arg(operationText(ops[i].operation)).arg(rows.size()));
        claim.commit();
        claimed = true;
    });
    if (!claimed)
        return;

    recordSendOutcome(rows, header, c.manageInvoice(token.token, ops, header));
}

void SendQueue::tokenFailed(const std::vector<Row>& rows, const QString& now, const TokenResult& token)
{
    const QString text = token.failureText();
    qCWarning(lcNavSend).noquote() << QStringLiteral("token exchange failed for %1 invoice(s): %2").arg(rows.size()).arg(text);
    StepChain chain(m_db); // the rows' state and their log lines together
    chain.run([&] {
        chain.begin();
        m_db.execute("UPDATE szlanav SET nProba = nProba + 1, nUtolso = " + lit(now) + ", nUzenet = " + lit(text)
                     + " WHERE nAllapot = 'KULDENDO' AND nBszam IN " + inList(rows));
        for (const Row& r : rows)
            log(r.number, QStringLiteral("tokenExchange"), token.exchange.requestId, QString(), 0,
                QStringLiteral("HIBA"), text);
        chain.commit();
    });
    retryBatch(rows, false);
}

void SendQueue::recordSendOutcome(const std::vector<Row>& rows, const RequestHeader& header, const Exchange& ex)
{
    const QString transaction = ex.ok() ? ex.root.textAt(u"transactionId") : QString();
    const QByteArray whereSent = " WHERE nAllapot = 'ELKULDVE' AND nTranzakcio IS NULL AND nBszam IN " + inList(rows);
    // Each outcome writes the rows' state and their log lines in one transaction.
    StepChain outcome(m_db);
    if (!transaction.isEmpty()) {
        outcome.run([&] {
            outcome.begin();
            m_db.execute("UPDATE szlanav SET nTranzakcio = " + lit(transaction) + whereSent);
            m_db.execute("UPDATE szlanavnaplo SET gTranzakcio = " + lit(transaction) + ", gEredmeny = 'ELKULDVE', "
                         "gSzoveg = CONCAT(" + lit(QStringLiteral("Tranzakció: %1, ").arg(transaction))
                         + ", gIndex, '. tétel') WHERE gKeres = " + lit(header.requestId));
            outcome.commit();
        });
        later(QStringLiteral("poll:") + transaction, m_settings.pollMs);
        return;
    }
    // Certainly not stored by the authority: no connection, or a refusal in the service's own
    // answer to this very request. A server error, a redirect or a document that is not such an
    // answer (Outcome::Unclear) says nothing about what the authority stored.
    const bool refused = ex.outcome == Outcome::Answered && !ex.result.ok();
    const QString text = ex.failureText().isEmpty() ? QStringLiteral("A NAV válaszában nincs tranzakcióazonosító.")
                                                    : ex.failureText();
    qCWarning(lcNavSend).noquote() << QStringLiteral("request %1 (%2 invoice(s)) has no transaction: %3")
                                          .arg(header.requestId).arg(rows.size()).arg(text);
    if (ex.outcome == Outcome::NotSent || refused) {
        outcome.run([&] {
            outcome.begin();
            m_db.execute("UPDATE szlanav SET nAllapot = 'KULDENDO', nUzenet = " + lit(text) + whereSent);
            m_db.execute("UPDATE szlanavnaplo SET gEredmeny = 'HIBA', gSzoveg = " + lit(text) + " WHERE gKeres = "
                         + lit(header.requestId));
            outcome.commit();
        });
        retryBatch(rows, ex.result.errorCode == u"REQUEST_ID_NOT_UNIQUE");
        return;
    }
    const QString lostText = text + QStringLiteral(" A jelentés sorsa a NAV tranzakciólistájából derül ki; addig nem "
                                                   "küldjük újra.");
    outcome.run([&] {
        outcome.begin();
        m_db.execute("UPDATE szlanav SET nUzenet = " + lit(lostText) + whereSent);
        m_db.execute("UPDATE szlanavnaplo SET gEredmeny = 'NINCS_VALASZ', gSzoveg = " + lit(lostText)
                     + " WHERE gKeres = " + lit(header.requestId));
        outcome.commit();
    });
}

void SendQueue::poll(const QString& issuer, const QString& transaction, const std::vector<Row>& rows)
{
    Client& c = client(issuer);
    const Exchange ex = c.queryTransactionStatus(transaction);
    const QString pollKey = QStringLiteral("poll:") + transaction;
    if (!ex.ok()) {
        qCWarning(lcNavSend).noquote() << QStringLiteral("status query of transaction %1 failed: %2")
                                              .arg(transaction, ex.failureText());
        later(pollKey, pause(++m_pollCount[transaction]));
        return;
    }
    const std::vector<ProcessingResult> results = readProcessingResults(ex.root);
    // Each invoice's index in its request, as logged when it was sent.
    QHash<QString, int> indexOf;
    const auto logged = m_db.select("SELECT gBszam, gIndex FROM szlanavnaplo WHERE gMuvelet IN ('manageInvoice',"
                                    "'queryTransactionList') AND gIndex IS NOT NULL AND gTranzakcio = "
                                    + lit(transaction) + " ORDER BY gID");
    for (int r = 0; r < logged->rowCount(); ++r)
        indexOf.insert(logged->text(r, 0), static_cast<int>(logged->integer(r, 1)));
    bool open = false;
    for (const Row& row : rows) {
        const int index = indexOf.value(row.number);
        const auto it = std::find_if(results.begin(), results.end(),
                                     [index](const ProcessingResult& p) { return p.index == index; });
        if (index == 0 || it == results.end()) {
            open = true;
            continue;
        }
        QString next;
        if (it->invoiceStatus == u"DONE")
            next = it->hasWarnings() ? state::Warned : state::Accepted;
        else if (it->invoiceStatus == u"ABORTED")
            next = state::Rejected;
        if (next.isEmpty()) {
            open = true;
            continue;
        }
        QString text = messagesText(it->messages);
        // A number already reported: when the authority holds this very invoice (a report whose
        // answer was lost and that went again, a restored backup), it is accepted; other content
        // under the number is a state of its own, never a plain rejection.
        const bool duplicate = std::any_of(it->messages.begin(), it->messages.end(), [](const ValidationMessage& m) {
            return m.errorCode == u"INVOICE_NUMBER_NOT_UNIQUE";
        });
        if (next == state::Rejected && duplicate && !settleDuplicate(c, row.number, next, text)) {
            open = true; // asked again at the next poll
            continue;
        }
        StepChain chain(m_db); // the row's state and its log line together
        chain.run([&] {
            chain.begin();
            m_db.execute("UPDATE szlanav SET nAllapot = " + lit(next) + ", nUzenet = "
                         + (text.isEmpty() ? QByteArray("NULL") : lit(text))
                         + " WHERE nAllapot = 'ELKULDVE' AND nBszam = " + lit(row.number)
                         + " AND nTranzakcio = " + lit(transaction));
            log(row.number, QStringLiteral("queryTransactionStatus"), ex.requestId, transaction, index, next,
                text.isEmpty() ? stateText(next) : text);
            chain.commit();
        });
    }
    if (open) {
        const int n = ++m_pollCount[transaction];
        later(pollKey, std::min(m_settings.pollMs * (1 + n / 3), m_settings.pollMaxMs));
    } else {
        m_pollCount.remove(transaction);
        m_notBefore.remove(pollKey);
    }
}

bool SendQueue::settleDuplicate(Client& c, const QString& number, QString& next, QString& text)
{
    const Exchange asked = c.queryInvoiceData(u'K' + number);
    if (!asked.ok())
        return false;
    const QByteArray theirs = readInvoiceDataDocument(asked.root);
    const auto ours = m_db.select("SELECT nXml FROM szlanav WHERE nBszam = " + lit(number));
    const QByteArray stored = ours->rowCount() > 0 ? ours->raw(0, 0) : QByteArray();
    if (!theirs.isEmpty() && sameInvoiceData(stored, theirs)) {
        next = state::Accepted;
        text = QStringLiteral("A számlát ezzel a tartalommal már korábban bejelentették, a NAV-nál megvan.");
    } else if (!theirs.isEmpty()) {
        next = state::ReportedOtherwise;
        const QStringList fields = differingFieldTexts(stored, theirs);
        text = QStringLiteral("A(z) K%1 számlaszámot a NAV-nál már más tartalommal bejelentették%2. Tisztázza, "
                              "ki és mit jelentett be ezzel a számmal; a téves bejelentést annak beküldője "
                              "helyesbítse.")
                   .arg(number, fields.isEmpty() ? QString() : QStringLiteral(" (") + fields.join(QStringLiteral("; ")) + u')');
    }
    return true;
}

// The service lists at most 35 days per query: a longer span (after a restored backup) is
// searched window by window.
bool SendQueue::listTransactions(Client& c, const QDateTime& from, const QDateTime& to,
                                 std::vector<TransactionEntry>& listed, QString& listRequest)
{
    for (QDateTime windowFrom = from; windowFrom < to;) {
        const QDateTime windowTo = std::min(to, windowFrom.addDays(kListWindowDays));
        for (int page = 1, pages = 1; page <= pages; ++page) {
            const Exchange ex = c.queryTransactionList(windowFrom, windowTo, page);
            if (!ex.ok())
                return false;
            listRequest = ex.requestId;
            const TransactionList list = readTransactionList(ex.root);
            pages = list.availablePage;
            listed.insert(listed.end(), list.transactions.begin(), list.transactions.end());
        }
        windowFrom = windowTo;
    }
    return true;
}

void SendQueue::settleLost(const QString& issuer, const std::vector<Row>& rows)
{
    Client& c = client(issuer);
    const QString lostKey = QStringLiteral("lost:") + issuer;
    auto retry = [&] { later(lostKey, pause(++m_pollCount[lostKey])); };
    QDateTime earliest = rows.front().last;
    for (const Row& r : rows)
        earliest = std::min(earliest, r.last);
    const QDateTime from = earliest.toUTC().addSecs(-120);
    const QDateTime to = QDateTime::currentDateTimeUtc();

    std::vector<TransactionEntry> listed;
    QString listRequest;
    if (!listTransactions(c, from, to, listed, listRequest)) {
        retry();
        return;
    }
    // The newest first: an invoice reported more than once is settled by its latest report.
    std::stable_sort(listed.begin(), listed.end(),
                     [](const TransactionEntry& a, const TransactionEntry& b) { return a.insDate > b.insDate; });
    QStringList unknown;
    for (const TransactionEntry& entry : listed) {
        const QString& tx = entry.transactionId;
        const QByteArray q = lit(tx);
        const bool known = m_db.select("SELECT 1 FROM szlanav WHERE nTranzakcio = " + q + " UNION SELECT 1 FROM "
                                       "szlanavnaplo WHERE gTranzakcio = " + q + " LIMIT 1")->rowCount() > 0;
        if (!known)
            unknown << tx;
    }
    // The invoice numbers of the lost reports, read from their own documents.
    QHash<QString, QString> rowOfInvoiceNumber;
    const auto docs = m_db.select("SELECT nBszam, nXml FROM szlanav WHERE nBszam IN " + inList(rows));
    for (int r = 0; r < docs->rowCount(); ++r)
        rowOfInvoiceNumber.insert(invoiceNumberOf(docs->raw(r, 1)), docs->text(r, 0));
    QSet<QString> found;
    for (const QString& tx : unknown) {
        const Exchange ex = c.queryTransactionStatus(tx, true);
        if (!ex.ok()) {
            retry();
            return;
        }
        for (const ProcessingResult& p : readProcessingResults(ex.root)) {
            const QString number = rowOfInvoiceNumber.value(invoiceNumberOf(p.originalRequest));
            if (number.isEmpty() || found.contains(number))
                continue;
            StepChain chain(m_db); // the row's state and its log line together
            chain.run([&] {
                chain.begin();
                m_db.execute("UPDATE szlanav SET nTranzakcio = " + lit(tx) + ", nUzenet = NULL WHERE nAllapot = "
                             "'ELKULDVE' AND nTranzakcio IS NULL AND nBszam = " + lit(number));
                log(number, QStringLiteral("queryTransactionList"), listRequest, tx, p.index, QStringLiteral("MEGVAN"),
                    QStringLiteral("A válasz nélkül maradt jelentés megérkezett a NAV-hoz: tranzakció %1.").arg(tx));
                chain.commit();
            });
            found.insert(number);
        }
    }
    for (const Row& r : rows) {
        if (found.contains(r.number))
            continue;
        const QString text = QStringLiteral("A válasz nélkül maradt jelentés nem érkezett meg a NAV-hoz; újra küldjük.");
        StepChain chain(m_db); // the row's state and its log line together
        chain.run([&] {
            chain.begin();
            m_db.execute("UPDATE szlanav SET nAllapot = 'KULDENDO', nUzenet = " + lit(text)
                         + " WHERE nAllapot = 'ELKULDVE' AND nTranzakcio IS NULL AND nBszam = " + lit(r.number));
            log(r.number, QStringLiteral("queryTransactionList"), listRequest, QString(), 0, state::ToSend, text);
            chain.commit();
        });
        m_notBefore.remove(QStringLiteral("send:") + r.number);
    }
    m_pollCount.remove(lostKey);
}

} // namespace orvena::nav
