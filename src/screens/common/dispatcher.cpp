#include "dispatcher.h"

#include "db/connection.h"
#include "db/errors.h"
#include "db/logging.h"
#include "chainfailure.h"

#include <exception>

namespace orvena {

bool runAction(UserInterface& ui, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const ConnectionLostError& e) {
        if (e.reported()) // the connection box has told the operator already
            logFailure(lcScreens(), e);
        else
            showFailure(ui, e.text(), &e, lcScreens(), FailureBox::ErrorReport);
    } catch (const Error& e) {
        showFailure(ui, e.text(), &e, lcScreens(), FailureBox::ErrorReport);
    } catch (const std::bad_alloc& e) {
        showFailure(ui, QStringLiteral("Nincs elég memória."), &e, lcScreens(), FailureBox::ErrorReport);
    } catch (const std::exception& e) {
        showFailure(ui, QString::fromLocal8Bit(e.what()), &e, lcScreens(), FailureBox::ErrorReport);
    }
    return false;
}

} // namespace orvena
