#pragma once
// Everything a screen model works with: the data module's queries, the run's state, the
// operator (message boxes) and the opener of further screens.
#include "appstate.h"
#include "db/datamodule.h"
#include "screenopener.h"
#include "userinterface.h"

namespace orvena {

struct ScreenContext {
    DataModule& data;
    AppState& state;
    UserInterface& ui;
    ScreenOpener& opener;
};

} // namespace orvena
