#pragma once
// "Egyeztetés a NAV-val" in "Adóhatósági adatszolgáltatás": the books of the only reporting issuer
// are read at once, the authority is asked on a worker thread with its own client (the window
// stays responsive), and the result is told in one box; the differences, one row each with what
// to do, go into a CSV file in the screen's folder.
#include "navreconcile.h"

#include "screens/common/screencontext.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

namespace orvena::nav {

class ReconcileScreen : public QObject {
    Q_OBJECT
public:
    explicit ReconcileScreen(ScreenContext& context, QObject* parent = nullptr);
    ~ReconcileScreen() override; // asks the authority no further and waits for the worker

    // Checks the period (yyyy.mm.dd texts), reads the books and starts asking the authority;
    // the differences will be written to csvPath. False (with a message) when it cannot start.
    bool start(const QString& from, const QString& to, const QString& csvPath);
    bool running() const { return m_thread && m_thread->isRunning(); }
    const Reconciliation& result() const { return m_result; }

signals:
    // The authority has answered (or could not be asked); the box has been shown.
    void finished();

private:
    void done(const Reconciliation& result);

    ScreenContext& m_context;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_cancel{false};
    Reconciliation m_result;
    QString m_csvPath;
};

} // namespace orvena::nav
