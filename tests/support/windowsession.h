#pragma once
// The run of the real program over a fresh test database: real message boxes, every screen
// registered, printing through the modal preview unless a test swaps the presenter.
#include "support/testdatabase.h"

#include "app/session.h"
#include "db/datamodule.h"
#include "reports/ui/reportpreview.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

namespace orvena::test {

struct WindowSession {
    TestDatabase db;
    DataModule data;
    AppState state;
    GuiUserInterface ui;
    ScreenRegistry registry;
    reports::PreviewReportPresenter preview;
    ScreenContext context{data, state, ui, registry, &preview};

    WindowSession()
    {
        data.connect(db.profile());
        registry.setContext(&context);
        registerAllScreens(registry);
    }
};

} // namespace orvena::test
