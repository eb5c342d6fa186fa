#pragma once
// The start-up steps that need no window: connecting, opening the base tables, the failure
// message that ends the program, and the window title built from the version.
#include "db/datamodule.h"
#include "userinterface.h"

namespace orvena {

// The six lines shown when the database cannot be reached: what to install and run.
QString startupFailureMessage();
// "7.010" for version 7.10; empty when the program carries no version.
QString versionText(int major, int minor);
QString versionText(); // of this build
// "Orvena      Ver.:7.010    2006.-2010"
QString mainWindowTitle(const QString& version);

// The message for a connection refused for a reason the operator can mend in the settings (wrong
// account or password, a desktop user without an account on the local server, unknown host,
// failed TLS handshake); empty for every other failure, which
// gets the start-up message.
QString connectionFailureText(const DbError& error, const ConnectionProfile& profile);

// Connects and opens the base tables. On failure shows the start-up message (question style,
// single "Igen") and returns false: the program is to end.
bool connectAtStartup(DataModule& data, UserInterface& ui, const ConnectionProfile& profile);

} // namespace orvena
