#include "userinterface.h"

#include <QThread>

#include <exception>
#include <memory>

namespace orvena {

void UserInterface::runInBackground(const QString&, const BackgroundWork& work)
{
    std::atomic<bool> cancelled{false};
    std::exception_ptr failure;
    const std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work(cancelled);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    thread->setObjectName(QStringLiteral("background-work"));
    thread->start();
    thread->wait();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace orvena
