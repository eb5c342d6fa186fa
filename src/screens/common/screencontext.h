#pragma once
// Everything a screen model works with: the data module's queries, the run's state, the
// operator (message boxes) and the opener of further screens.
#include "appstate.h"
#include "db/datamodule.h"
#include "screenopener.h"
#include "userinterface.h"

namespace orvena {

class ReportPresenter; // shows, prints or saves a filled report (the report engine's side)

struct ScreenContext {
    DataModule& data;
    AppState& state;
    UserInterface& ui;
    ScreenOpener& opener;
    ReportPresenter* reports = nullptr;
};

} // namespace orvena
