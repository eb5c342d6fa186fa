#pragma once
// Every user action runs through runAction: what no guard of the action caught ends the action
// at the failing step and is shown as the general error report; the program goes on.
#include "userinterface.h"

#include <functional>

namespace orvena {

// Returns false when the action ended with an error.
bool runAction(UserInterface& ui, const std::function<void()>& action);

} // namespace orvena
