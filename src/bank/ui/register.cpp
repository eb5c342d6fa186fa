#include "screens/common/ui/screenregistry.h"

#include "statementdialog.h"

namespace orvena {

void registerBankScreens(ScreenRegistry& registry)
{
    registry.add(Screen::BankStatements, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        return new bank::StatementDialog(context, parent);
    });
}

} // namespace orvena
