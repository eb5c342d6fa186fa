#include "paymententry.h"

#include "screens/common/dispatcher.h"

namespace orvena {

PaymentEntryScreen::PaymentEntryScreen(ScreenContext& context, const ScreenRequest& request, QObject* parent)
    : QObject(parent), m_payments(context, request.number)
{
}

bool PaymentEntryScreen::prepare(const QDate& today)
{
    if (m_payments.number().trimmed().isEmpty() || !m_payments.open())
        return false;
    m_suggested = m_payments.suggestion(today);
    return true;
}

bool PaymentEntryScreen::store(const PaymentEntry& typed)
{
    return m_payments.addPayment(typed);
}

void enterNewPayment(ScreenContext& context, InvoicePayments& payments)
{
    context.opener.open(Screen::PaymentEntry, ScreenRequest::on(payments.number()));
    // The entry screen read and wrote through its own model: these amounts and this list follow.
    runAction(context.ui, [&] { payments.refresh(); });
}

} // namespace orvena
