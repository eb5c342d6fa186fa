#pragma once
// Opens another screen modally and returns when it has closed. The GUI implementation builds the
// screen's model over the request and its dialog over the model and runs it; the test
// implementation runs a scripted operator. Whatever a screen needs from its opener travels in the
// request (edit mode, the document to modify, the document a line belongs to, a header-block
// draft); a list chooser's result is the current row of the shared list query (unless it was
// dismissed), a register chooser's the request's `chosen`.
#include "screenrequest.h"
#include "screens.h"

namespace orvena {

class ScreenOpener {
public:
    virtual ~ScreenOpener() = default;
    virtual void open(Screen screen, const ScreenRequest& request = {}) = 0;
    // Whether this build has the screen (menu items of screens not built are disabled).
    virtual bool canOpen(Screen screen) const = 0;
};

// Opens a list screen as a chooser. False when the operator left it with Escape or the window's
// close button: the caller then takes nothing from the list and keeps what was typed. True after
// "Kiválaszt" or "Mégsem": the caller reads the list query's current row.
inline bool openChooser(ScreenOpener& opener, Screen screen)
{
    bool dismissed = false;
    ScreenRequest request;
    request.dismissed = &dismissed;
    opener.open(screen, request);
    return !dismissed;
}

} // namespace orvena
