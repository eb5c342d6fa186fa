#pragma once
// The persistent reporting queue over szlanav. Rows in KULDENDO go to the authority in batches
// of at most 100 per issuer and below the service's request size, the documents compressed (a
// storno only after its original was accepted); the transaction id
// is stored as soon as it arrives; ELKULDVE rows are polled until the authority has decided.
// A row is marked ELKULDVE before its request leaves, so a request whose answer is lost (or a
// program that stops mid-request) is never simply sent again: after the authority's settling
// time its transaction list is searched for the report, and only when it is not there does the
// row go back to KULDENDO. An answer that is not the authority's decision (a server error, a
// foreign or mismatched document) counts as lost in the same way. Failures are retried with
// growing pauses.
#include "navclient.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

namespace orvena {
class Connection;
}

namespace orvena::nav {

// szlanav.nAllapot
namespace state {
inline const QString ToSend = QStringLiteral("KULDENDO");
inline const QString Sent = QStringLiteral("ELKULDVE");
inline const QString Accepted = QStringLiteral("BEFOGADVA");
inline const QString Warned = QStringLiteral("FIGYELMEZTETES");
inline const QString Rejected = QStringLiteral("ELUTASITVA");
inline const QString NotReported = QStringLiteral("NEM_KULDENDO");
// The number was reported before, with other content than this invoice's.
inline const QString ReportedOtherwise = QStringLiteral("MASKENT_JELENTVE");
} // namespace state

// The register's texts for the states.
QString stateText(const QString& state);
// The Hungarian names of a report's operation (CREATE, STORNO, MODIFY) and of the logged
// requests and results (tokenExchange, manageInvoice, ..., KULDES, HIBA); other texts unchanged.
QString operationText(const QString& operation);

struct QueueSettings {
    int requestTimeoutMs = 60000;   // an answer is awaited this long
    int pollMs = 1500;              // first pause between status queries of a transaction
    int pollMaxMs = 20000;          // the pause grows up to this
    int retryMs = 5000;             // first pause after a failed attempt; doubles per attempt
    int retryMaxMs = 15 * 60000;    // the pause grows up to this
    int lostAnswerWaitMs = 5 * 60000; // the authority settles a report within this
    int batchSize = kMaxBatch;
    qint64 maxRequestBytes = kMaxRequestBytes; // one request's body stays below this
    // Defaults, overridden by ORVENA_NAV_TIMEOUT_MS, _POLL_MS, _RETRY_MS, _LOST_WAIT_MS.
    static QueueSettings fromEnvironment();
};

struct QueueCounts {
    int toSend = 0;   // KULDENDO
    int inFlight = 0; // ELKULDVE
    int rejected = 0; // ELUTASITVA
    int unsent() const { return toSend + inFlight; }
};
// Counts the rows of the states that need attention.
QueueCounts queueCounts(Connection& connection);

// After restoring a backup: the rows it holds as waiting to be sent may have been reported after
// the backup was made. They are held as sent without an answer, so the queue first searches
// the authority's transaction list for them (from the backup's time, or from when their
// document was made) and sends only those it does not find. Works on the connection's current
// database; returns how many rows it held.
int holdRestoredReports(Connection& connection, const QDateTime& backupTimeUtc);

class SendQueue {
public:
    explicit SendQueue(Connection& connection, QueueSettings settings = QueueSettings::fromEnvironment());

    void setCancelFlag(const std::atomic<bool>* flag) { m_cancel = flag; }
    const QueueSettings& settings() const { return m_settings; }

    struct Step {
        bool pending = false; // rows remain that this queue will act on later
        int waitMs = 0;       // until the earliest of them is due
    };
    // One round: sends the due KULDENDO rows, polls the due transactions and settles the due
    // lost answers. Database errors propagate (DbError).
    Step step();
    // Repeats step() with its pauses until nothing actionable is pending or the time is up.
    // Returns whether everything settled.
    bool runUntilSettled(int maxMs);

    // Puts a rejected invoice back in the queue (the operator's "Újraküldés").
    static void resend(Connection& connection, const QString& invoiceNumber);

private:
    friend int holdRestoredReports(Connection& connection, const QDateTime& backupTimeUtc);
    struct Row {
        QString number;
        QString operation;
        QString original;
        QString state;
        QString transaction;
        int attempts = 0;
        QDateTime last; // local time
        QString issuer;
    };
    struct Issuer {
        QString mode;
        Credentials credentials;
    };
    void loadIssuers();
    std::vector<Row> pendingRows();
    bool due(const QString& key, const QDateTime& now) const;
    void later(const QString& key, int ms);
    int pause(int attempts) const;
    void retryBatch(const std::vector<Row>& rows, bool atOnce);
    Client& client(const QString& issuer);

    void sendBatch(const QString& issuer, const std::vector<Row>& batch);
    void sendRequest(const QString& issuer, const std::vector<Row>& rows, const std::vector<InvoiceOperation>& ops);
    // A batch whose token exchange failed: counted as a try, logged, retried later.
    void tokenFailed(const std::vector<Row>& rows, const QString& now, const TokenResult& token);
    // What the answer to a claimed batch's request says: its transaction, a certain refusal (sent
    // again), or an answer lost (settled from the transaction list).
    void recordSendOutcome(const std::vector<Row>& rows, const RequestHeader& header, const Exchange& ex);
    void poll(const QString& issuer, const QString& transaction, const std::vector<Row>& rows);
    // An invoice rejected because its number was reported already: its state from what the
    // authority holds under the number. False when that cannot be asked now (polled again).
    bool settleDuplicate(Client& c, const QString& number, QString& next, QString& text);
    void settleLost(const QString& issuer, const std::vector<Row>& rows);
    // Every transaction listed in [from, to], window by window and page by page; false when a
    // query failed. listRequest: the last list query's request id.
    bool listTransactions(Client& c, const QDateTime& from, const QDateTime& to, std::vector<TransactionEntry>& listed,
                          QString& listRequest);

    void log(const QString& number, const QString& operation, const QString& requestId, const QString& transaction,
             int index, const QString& result, const QString& text);
    QByteArray lit(const QString& text) const;
    QByteArray inList(const std::vector<Row>& rows) const;

    Connection& m_db;
    QueueSettings m_settings;
    const std::atomic<bool>* m_cancel = nullptr;
    QHash<QString, Issuer> m_issuers;
    QString m_onlyReportingIssuer; // when exactly one issuer has a reporting mode
    QHash<QString, std::shared_ptr<Client>> m_clients;
    QHash<QString, QString> m_clientUrls;
    QHash<QString, QDateTime> m_notBefore; // in-memory pauses: "send:<no>", "poll:<tx>", "lost:<issuer>"
    QHash<QString, int> m_pollCount;
};

} // namespace orvena::nav
