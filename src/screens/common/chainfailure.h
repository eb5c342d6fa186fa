#pragma once
// Telling the operator why a chain of steps stopped (see db/stepchain.h).
#include "userinterface.h"

#include "db/logging.h"
#include "db/stepchain.h"

namespace orvena {

// Shows the failed step's message the way the chain asked for. When the chain's ROLLBACK failed
// as well, rollbackFailed (if given) follows in a second box.
inline void tell(UserInterface& ui, const StepFailure& failure, const QString& rollbackFailed = {})
{
    // The server's own words go to the log beside the Hungarian message, for support.
    if (failure.cause) {
        try {
            std::rethrow_exception(failure.cause);
        } catch (const Error& e) {
            logFailure(lcScreens(), e, failure.message);
        } catch (...) {
        }
    }
    switch (failure.show) {
    case StepFailure::Show::Message:
        ui.message(failure.message);
        break;
    case StepFailure::Show::Notice:
        ui.notice(failure.message);
        break;
    case StepFailure::Show::ErrorReport:
        ui.errorReport(failure.message);
        break;
    }
    if (!failure.rolledBack && !rollbackFailed.isEmpty())
        ui.message(rollbackFailed);
}

} // namespace orvena
