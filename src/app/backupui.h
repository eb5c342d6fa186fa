#pragma once
// The backups the operator sees: the "Adatmentés" menu item and the daily backup at start-up.
class QWidget;

namespace orvena {

class Session;
class UserInterface;

// "Adatmentés": the operator picks a folder (default ~/Orvena-mentés), a progress window runs
// while the backup is written, then a message names the file and its size, or the failure.
void backupFromMenu(Session& session, QWidget* parent);

// The first start of a day backs up into the default folder once the main window is on screen
// (a progress window appears when it takes over a second) and keeps the newest 30 daily
// backups. A failure is reported (to ui, the session's boxes by default) and work goes on.
void dailyBackupAtStart(Session& session);
void dailyBackupAtStart(Session& session, UserInterface& ui);

} // namespace orvena
