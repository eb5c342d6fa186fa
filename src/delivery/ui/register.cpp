#include "deliverycomposerdialog.h"
#include "deliverylinedialog.h"
#include "deliveryregisterdialog.h"

#include "screens/common/dispatcher.h"
#include "screens/common/ui/screenregistry.h"

#include <memory>

namespace orvena {

void registerDeliveryScreens(ScreenRegistry& registry)
{
    registry.add(Screen::DeliveryRegister,
                 [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
                     return new DeliveryRegisterDialog(context, new DeliveryRegister(context, request), parent);
                 });
    registry.add(Screen::DeliveryComposer,
                 [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
                     auto* model = new DeliveryComposer(context, request);
                     auto dialog = std::make_unique<DeliveryComposerDialog>(context, model, parent);
                     bool prepared = false;
                     runAction(context.ui, [&] { prepared = model->prepare(); });
                     return prepared ? dialog.release() : nullptr;
                 });
    registry.add(Screen::DeliveryLine, [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
        auto dialog = std::make_unique<DeliveryLineDialog>(context, new DeliveryLineEditor(context, request), parent);
        return dialog->prepare() ? dialog.release() : nullptr;
    });
}

} // namespace orvena
