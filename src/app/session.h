#pragma once
// Everything that lives for the whole run: the data module with its connection and queries, the
// application state, the message boxes and the screen registry, bound into one screen context.
#include "screens/common/appstate.h"
#include "screens/common/screencontext.h"
#include "screens/common/ui/guiuserinterface.h"
#include "screens/common/ui/screenregistry.h"

#include "db/datamodule.h"

namespace orvena {

class Session {
public:
    Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    DataModule& data() { return m_data; }
    AppState& state() { return m_state; }
    GuiUserInterface& ui() { return m_ui; }
    ScreenRegistry& registry() { return m_registry; }
    ScreenContext& context() { return m_context; }

private:
    DataModule m_data;
    AppState m_state;
    GuiUserInterface m_ui;
    ScreenRegistry m_registry;
    ScreenContext m_context;
};

// The box shown when the database connection is lost: "Újra" (true) or "Mégsem".
bool askReconnect(const QString& serverText);

// Hungarian number and date conventions for the whole process, whatever the machine's locale,
// and Qt's own dialogs in Hungarian.
void applyProgramLocale();

} // namespace orvena
