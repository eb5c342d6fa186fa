#pragma once
// How a screen model talks to the operator. The GUI implements it with message boxes; tests use
// a fake that records every message and answers questions from a script.
#include <QString>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

class QThread;

namespace orvena {

class UserInterface {
public:
    virtual ~UserInterface() = default;
    // Plain message box with an "OK" button.
    virtual void message(const QString& text) = 0;
    // Notice box (information icon) with a single "Igen" button.
    virtual void notice(const QString& text) = 0;
    // "Igen" / "Nem"; true for "Igen".
    virtual bool askYesNo(const QString& text) = 0;
    // The general error report: error icon, the application's title, the error's own text.
    virtual void errorReport(const QString& text) = 0;

    // Network work (the mail server, the central bank) runs off the window's thread: `work` runs
    // on a thread of its own while the operator sees `what` with a "Mégsem" button, and this
    // returns when it has ended. "Mégsem" sets `cancelled`; the work gives up soon after. What the
    // work throws is thrown here. The work touches no database connection and no widget. This
    // implementation (the command line, the tests) waits for the thread without showing anything.
    using BackgroundWork = std::function<void(const std::atomic<bool>& cancelled)>;
    virtual void runInBackground(const QString& what, const BackgroundWork& work);
};

// The thread a background work runs on, not yet started; what the work throws is kept in
// `failure`, for the caller to rethrow once the thread has finished.
std::unique_ptr<QThread> backgroundThread(const UserInterface::BackgroundWork& work, const std::atomic<bool>& cancelled,
                                          std::exception_ptr& failure);
// Runs `work` on such a thread and waits for it, showing nothing; what it threw is thrown here.
void runAndWait(const UserInterface::BackgroundWork& work, const std::atomic<bool>& cancelled);

} // namespace orvena
