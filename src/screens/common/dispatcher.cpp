#include "dispatcher.h"

#include "db/connection.h"
#include "db/errors.h"

#include <exception>

namespace orvena {

bool runAction(UserInterface& ui, const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const ConnectionLostError& e) {
        if (!e.reported()) // the connection box has told the operator already
            ui.errorReport(e.text());
    } catch (const Error& e) {
        ui.errorReport(e.text());
    } catch (const std::bad_alloc&) {
        ui.errorReport(QStringLiteral("Nincs elég memória."));
    } catch (const std::exception& e) {
        ui.errorReport(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

} // namespace orvena
