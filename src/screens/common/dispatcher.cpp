#include "dispatcher.h"

#include "db/connection.h"
#include "db/errors.h"
#include "db/logging.h"

#include <exception>

namespace orvena {

bool runAction(UserInterface& ui, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const ConnectionLostError& e) {
        logFailure(lcScreens(), e);
        if (!e.reported()) // the connection box has told the operator already
            ui.errorReport(e.text());
    } catch (const Error& e) {
        logFailure(lcScreens(), e);
        ui.errorReport(e.text());
    } catch (const std::bad_alloc&) {
        qCWarning(lcScreens, "out of memory");
        ui.errorReport(QStringLiteral("Nincs elég memória."));
    } catch (const std::exception& e) {
        qCWarning(lcScreens, "error: %s", e.what());
        ui.errorReport(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

} // namespace orvena
