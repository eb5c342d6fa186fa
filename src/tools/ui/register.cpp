#include "screens/common/ui/screenregistry.h"

#include "maintenancedialog.h"
#include "passworddialog.h"
#include "tooldialogs.h"

#include "figures/ui/figuresdialog.h"

// The help pages are compiled in; a resource in a static library has to be pulled in by name.
static void initHelpResource()
{
    Q_INIT_RESOURCE(orvena_help);
}

namespace orvena {

void registerToolScreens(ScreenRegistry& registry)
{
    initHelpResource();
    installHelpKeyHandler();
    registry.add(Screen::Export, createExportDialog);
    registry.add(Screen::AuditExport, createAuditExportDialog);
    registry.add(Screen::Figures, createFiguresDialog);
    registry.add(Screen::Import, createImportDialog);
    registry.add(Screen::Maintenance,
                 [](ScreenContext& context, QWidget* parent) -> QDialog* {
                     return new MaintenanceDialog(context, new TableMaintenance(context), parent);
                 });
    registry.add(Screen::Password, [](ScreenContext&, QWidget* parent) -> QDialog* { return new PasswordDialog(parent); });
    registry.add(Screen::About, createAboutDialog);
    registry.add(Screen::Help, createHelpDialog);
    registry.add(Screen::RemoteAssistance,
                 [](ScreenContext& context, QWidget* parent) { return createRemoteAssistanceDialog(context, parent); });
}

} // namespace orvena
