#pragma once
// Opens another screen modally and returns when it has closed. The GUI implementation builds the
// screen's model and dialog and runs it; the test implementation runs a scripted operator.
// Whatever a screen needs from its opener travels through AppState (edit modes, remembered keys,
// document numbers), and a chooser's result is the current row of the shared list query.
#include "screens.h"

namespace orvena {

class ScreenOpener {
public:
    virtual ~ScreenOpener() = default;
    virtual void open(Screen screen) = 0;
    // Whether this build has the screen (menu items of screens not built are disabled).
    virtual bool canOpen(Screen screen) const = 0;
};

} // namespace orvena
