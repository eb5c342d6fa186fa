#include "screens/common/ui/screenregistry.h"

#include "invoice/paymententry.h"

#include "invoicecomposerdialog.h"
#include "invoicelinedialog.h"
#include "invoicemaildialog.h"
#include "invoiceregisterdialog.h"
#include "paymentdialog.h"
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
    // The register's invoice: its payments, a new payment, its sending by e-mail and its e-mail log.
    registry.add(Screen::Payments, [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
        auto model = std::make_unique<InvoicePayments>(context, request.number);
        if (request.number.trimmed().isEmpty() || !model->open())
            return nullptr;
        return new PaymentDialog(context, model.release(), parent);
    });
    registry.add(Screen::PaymentEntry,
                 [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
                     auto model = std::make_unique<PaymentEntryScreen>(context, request);
                     if (!model->prepare(QDate::currentDate()))
                         return nullptr;
                     PaymentEntryScreen* entry = model.get();
                     auto* dialog = new PaymentEntryDialog(entry->suggested(),
                                                           [entry](const PaymentEntry& typed) { return entry->store(typed); },
                                                           parent);
                     model.release()->setParent(dialog);
                     return dialog;
                 });
    registry.add(Screen::InvoiceMail, [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
        auto model = std::make_unique<mail::InvoiceMailScreen>(context, request);
        return model->prepare() ? new InvoiceMailDialog(model.release(), parent) : nullptr;
    });
    registry.add(Screen::InvoiceMailLog,
                 [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
                     if (request.number.trimmed().isEmpty())
                         return nullptr;
                     return new InvoiceMailLogDialog(new mail::InvoiceMailLogScreen(context, request), parent);
                 });
    registry.add(Screen::ReminderMail, [](ScreenContext& context, const ScreenRequest& request, QWidget* parent) -> QDialog* {
        auto model = std::make_unique<mail::ReminderMailScreen>(context, request);
        return model->prepare() ? new ReminderMailDialog(model.release(), parent) : nullptr;
    });
}

} // namespace orvena
