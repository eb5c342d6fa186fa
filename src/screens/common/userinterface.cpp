#include "userinterface.h"

#include <QThread>

#include <exception>
#include <memory>

namespace orvena {

std::unique_ptr<QThread> backgroundThread(const UserInterface::BackgroundWork& work, const std::atomic<bool>& cancelled,
                                          std::exception_ptr& failure)
{
    std::unique_ptr<QThread> thread(QThread::create([&work, &cancelled, &failure] {
        try {
            work(cancelled);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    thread->setObjectName(QStringLiteral("background-work"));
    return thread;
}

void runAndWait(const UserInterface::BackgroundWork& work, const std::atomic<bool>& cancelled)
{
    std::exception_ptr failure;
    const std::unique_ptr<QThread> thread = backgroundThread(work, cancelled, failure);
    thread->start();
    thread->wait();
    if (failure)
        std::rethrow_exception(failure);
}

void UserInterface::runInBackground(const QString&, const BackgroundWork& work)
{
    const std::atomic<bool> cancelled{false};
    runAndWait(work, cancelled);
}

} // namespace orvena
