#pragma once
// The utility screens: export, article import, table maintenance, about, help and remote
// assistance. Each factory builds the screen model and the dialog over it (which takes it over)
// without running it.
#include "screens/common/screencontext.h"
#include "tools/remoteassistance.h"

#include <QDialog>

namespace orvena {

QDialog* createExportDialog(ScreenContext& context, QWidget* parent);
QDialog* createAuditExportDialog(ScreenContext& context, QWidget* parent);
QDialog* createImportDialog(ScreenContext& context, QWidget* parent);
QDialog* createAboutDialog(ScreenContext& context, QWidget* parent);
QDialog* createHelpDialog(ScreenContext& context, QWidget* parent);
// launcher: how the program file is opened; none given: the desktop's default open operation.
QDialog* createRemoteAssistanceDialog(ScreenContext& context, QWidget* parent,
                                      RemoteAssistance::Launcher launcher = {});

// F1 on any window that carries a "helpContext" property opens the help at that context.
// Installed once on the application.
void installHelpKeyHandler();

} // namespace orvena
