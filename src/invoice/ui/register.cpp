#include "screens/common/ui/screenregistry.h"

#include "invoicecomposerdialog.h"
#include "invoicelinedialog.h"
#include "invoiceregisterdialog.h"

namespace orvena {

void registerInvoiceScreens(ScreenRegistry& registry)
{
    registry.add(Screen::InvoiceRegister, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        return new InvoiceRegisterDialog(context, parent);
    });
    registry.add(Screen::InvoiceComposer, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        auto* model = new InvoiceComposer(context);
        auto* dialog = new InvoiceComposerDialog(context, model, parent);
        if (!model->prepare()) {
            delete dialog;
            return nullptr;
        }
        return dialog;
    });
    registry.add(Screen::InvoiceLine, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        auto* model = new InvoiceLineEditor(context);
        auto* dialog = new InvoiceLineDialog(model, parent);
        if (!model->prepare()) {
            delete dialog;
            return nullptr;
        }
        return dialog;
    });
}

} // namespace orvena
