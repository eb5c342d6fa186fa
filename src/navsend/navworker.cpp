#include "navworker.h"

#include "db/errors.h"
#include "db/logging.h"

#include <QTimer>

#include <memory>

namespace orvena::nav {

namespace {

// Lives in the worker thread: owns the connection, the queue and the timer of the next round.
class Runner : public QObject {
public:
    Runner(SendWorker* owner, const ConnectionProfile& profile, const QueueSettings& settings,
           const std::atomic<bool>* cancel)
        : m_owner(owner), m_profile(profile), m_settings(settings), m_cancel(cancel)
    {
        m_timer.setSingleShot(true);
        m_timer.setParent(this);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { round(); });
    }

    void round()
    {
        m_timer.stop();
        if (m_cancel->load())
            return;
        int next = kIdleMs;
        try {
            if (!m_connection.isOpen()) {
                m_connection.open(m_profile, false);
                m_queue = std::make_unique<SendQueue>(m_connection, m_settings);
                m_queue->setCancelFlag(m_cancel);
            }
            const SendQueue::Step s = m_queue->step();
            if (s.pending)
                next = std::clamp(s.waitMs, 20, kIdleMs);
        } catch (const Error& e) {
            m_connection.close();
            m_queue.reset();
            next = kRetryMs;
            const QString message = QStringLiteral("A NAV adatszolgáltatás háttérfolyamata hibára futott: %1").arg(e.text());
            logFailure(lcNavSend(), e, message);
            emit m_owner->failed(message);
        }
        emit m_owner->roundFinished();
        if (!m_cancel->load())
            m_timer.start(next);
    }

private:
    // An idle queue is looked at every few seconds, so a newly issued invoice leaves at once.
    static constexpr int kIdleMs = 3000;
    static constexpr int kRetryMs = 30000;
    SendWorker* m_owner;
    ConnectionProfile m_profile;
    QueueSettings m_settings;
    const std::atomic<bool>* m_cancel;
    Connection m_connection;
    std::unique_ptr<SendQueue> m_queue;
    QTimer m_timer;
};

} // namespace

SendWorker::SendWorker(const ConnectionProfile& profile, QueueSettings settings, QObject* parent)
    : QObject(parent), m_profile(profile), m_settings(settings)
{
    m_thread.setObjectName(QStringLiteral("nav-send"));
}

SendWorker::~SendWorker()
{
    stop();
}

void SendWorker::start()
{
    if (m_thread.isRunning())
        return;
    m_cancel = false;
    auto* runner = new Runner(this, m_profile, m_settings, &m_cancel);
    runner->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, runner, &QObject::deleteLater);
    m_runner = runner;
    m_thread.start();
    kick();
}

void SendWorker::kick()
{
    if (!m_runner)
        return;
    auto* runner = static_cast<Runner*>(m_runner);
    QMetaObject::invokeMethod(runner, [runner] { runner->round(); }, Qt::QueuedConnection);
}

void SendWorker::stop(int graceMs)
{
    if (!m_thread.isRunning())
        return;
    m_thread.quit(); // ends after the current round
    if (!m_thread.wait(static_cast<unsigned long>(std::max(graceMs, 0)))) {
        m_cancel = true; // abandons the request in flight
        m_thread.wait();
    }
    m_runner = nullptr;
}

} // namespace orvena::nav
