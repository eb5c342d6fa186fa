#pragma once
// Reporting in the background: a thread with its own database connection runs the send queue,
// a round right away when asked (after an invoice is issued, at start-up) and then as the queue's
// pauses say, so the operator's window never waits for the network.
#include "navqueue.h"

#include "db/connection.h"

#include <QObject>
#include <QThread>
#include <atomic>

namespace orvena::nav {

class SendWorker : public QObject {
    Q_OBJECT
public:
    explicit SendWorker(const ConnectionProfile& profile, QueueSettings settings = QueueSettings::fromEnvironment(),
                        QObject* parent = nullptr);
    ~SendWorker() override; // stop()

    void start();
    // A round as soon as the worker is free (thread-safe).
    void kick();
    // Lets the current round finish for up to graceMs, then abandons the request in flight
    // (a report without an answer is settled at the next start) and ends the thread.
    void stop(int graceMs = 3000);
    bool isRunning() const { return m_thread.isRunning(); }

signals:
    // A round has ended (queued to the receiver's thread): states may have changed.
    void roundFinished();
    // A round failed on the database or otherwise; the text is Hungarian.
    void failed(const QString& text);

private:
    QThread m_thread;
    QObject* m_runner = nullptr;
    std::atomic<bool> m_cancel{false};
    ConnectionProfile m_profile;
    QueueSettings m_settings;
};

} // namespace orvena::nav
