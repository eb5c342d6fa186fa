#include "deliverycomposerdialog.h"
#include "deliverylinedialog.h"
#include "deliveryregisterdialog.h"

#include "screens/common/dispatcher.h"
#include "screens/common/ui/screenregistry.h"

#include <memory>

namespace orvena {

void registerDeliveryScreens(ScreenRegistry& registry)
{
    registry.add(Screen::DeliveryRegister, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        return new DeliveryRegisterDialog(context, parent);
    });
    registry.add(Screen::DeliveryComposer, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        auto dialog = std::make_unique<DeliveryComposerDialog>(context, parent);
        bool prepared = false;
        runAction(context.ui, [&] { prepared = dialog->prepare(); });
        return prepared ? dialog.release() : nullptr;
    });
    registry.add(Screen::DeliveryLine, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        auto dialog = std::make_unique<DeliveryLineDialog>(context, parent);
        return dialog->prepare() ? dialog.release() : nullptr;
    });
}

} // namespace orvena
