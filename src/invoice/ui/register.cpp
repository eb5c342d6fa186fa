#include "screens/common/ui/screenregistry.h"

#include "invoicecomposerdialog.h"
#include "invoicelinedialog.h"
#include "invoiceregisterdialog.h"
#include "proformaregisterdialog.h"
#include "receivablesdialog.h"

namespace orvena {

void registerInvoiceScreens(ScreenRegistry& registry)
{
    registry.add(Screen::InvoiceRegister, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        return new InvoiceRegisterDialog(context, new InvoiceRegister(context), parent);
    });
    registry.add(Screen::InvoiceComposer,
                 [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
                     auto* model = new InvoiceComposer(context, request);
                     auto dialog = std::make_unique<InvoiceComposerDialog>(context, model, parent);
                     return model->prepare() ? dialog.release() : nullptr;
                 });
    registry.add(Screen::InvoiceLine, [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
        auto* model = new InvoiceLineEditor(context, request);
        auto dialog = std::make_unique<InvoiceLineDialog>(model, parent);
        return model->prepare() ? dialog.release() : nullptr;
    });
    registry.add(Screen::ProformaRegister, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        return new ProformaRegisterDialog(context, new ProformaRegister(context), parent);
    });
    // A proforma is composed on the invoice's composition screen, into its own tables.
    registry.add(Screen::ProformaComposer,
                 [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
                     auto* model = new InvoiceComposer(context, request, nullptr, ComposerTarget::proforma());
                     auto dialog = std::make_unique<InvoiceComposerDialog>(context, model, parent);
                     return model->prepare() ? dialog.release() : nullptr;
                 });
    registry.add(Screen::Receivables, [](ScreenContext& context, QWidget* parent) -> QDialog* {
        return new ReceivablesDialog(context, parent);
    });
}

} // namespace orvena
