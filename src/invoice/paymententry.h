#pragma once
// "Új fizetés": a new payment of one issued invoice, opened from its payments screen with the
// invoice's number. It offers what the payments screen suggests (today, the balance, the
// invoice's payment method) and books what was typed; a refused payment keeps the screen open.
#include "payments.h"

#include "screens/common/screenrequest.h"

namespace orvena {

class PaymentEntryScreen : public QObject {
    Q_OBJECT
public:
    PaymentEntryScreen(ScreenContext& context, const ScreenRequest& request, QObject* parent = nullptr);
    // Reads the invoice's payments. False (the operator told why) when it has none to take.
    bool prepare(const QDate& today);
    const PaymentEntry& suggested() const { return m_suggested; }
    // Books the typed payment; true when it was stored (the screen then closes).
    bool store(const PaymentEntry& typed);

private:
    InvoicePayments m_payments;
    PaymentEntry m_suggested;
};

// "Új" of the payments screen: the entry screen for its invoice, then the payments re-read.
void enterNewPayment(ScreenContext& context, InvoicePayments& payments);

} // namespace orvena
