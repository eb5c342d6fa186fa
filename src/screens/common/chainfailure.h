#pragma once
// The one way a failure reaches the operator: showFailure() shows the Hungarian box and writes
// what failed to the log beside it; tell() does so for a chain of steps that stopped (see
// db/stepchain.h). Every box about a failure goes through showFailure, in every layer that talks
// to the operator, each under its own logging category.
#include "userinterface.h"

#include "db/logging.h"
#include "db/stepchain.h"

#include <exception>

namespace orvena {

using FailureBox = StepFailure::Show;

// Shows text in the box the failure asks for and logs cause under category: an Error with its
// own words (a server error's code and statement outline, see logFailure), any other exception
// with its description, each beside the box's text. Without a cause (a refusal of the
// program's own, which reports no error) only the box is shown. detail (a tool's own output)
// goes to the log only.
void showFailure(UserInterface& ui, const QString& text, const std::exception* cause,
                 const QLoggingCategory& category = lcScreens(), FailureBox box = FailureBox::Message,
                 const QString& detail = {});

// Shows the failed step's message the way the chain asked for, logging the error that stopped
// it. When the chain's ROLLBACK failed as well, rollbackFailed (if given) follows in a second box.
void tell(UserInterface& ui, const StepFailure& failure, const QString& rollbackFailed = {},
          const QLoggingCategory& category = lcScreens());

} // namespace orvena
