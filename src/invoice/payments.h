#pragma once
// The payments of one issued invoice ("Fizetés"): what it owes (from the view szlaegyenleg), its
// payments (deleted ones too, marked), recording a new payment and deleting one. Amounts are in
// the invoice's currency.
#include "db/money.h"
#include "screens/common/screencontext.h"

#include <QDate>
#include <QObject>

namespace orvena {

class StepChain;

// A payment as the operator types it.
struct PaymentEntry {
    QString date;   // yyyy.MM.dd
    QString amount; // program form: "12 345,50"
    QString method;
    QString note;
};

// Why a payment of `amount` cannot be booked against an invoice whose balance is `balance`
// ; empty when it can. A payment never takes the paid total past the payable:
// on an invoice that is owed it is positive and at most the balance; on one paid beyond what it
// owes (a reversed invoice paid before its storno) only a refund, negative and at most the
// excess; on a settled invoice none.
QString paymentRefusal(Money balance, Money amount, const QString& currency);

// The one way a payment is written, inside a chain that has begun: the invoice is locked, the
// payment checked against its balance as stored at that moment (another workstation may have
// booked one meanwhile) and inserted. Returns the new payment's pID; a refusal stops the chain.
qint64 bookPayment(StepChain& chain, Query& q, const QString& number, const QString& currency, const QDate& date,
                   Money amount, const QString& method, const QString& note);
// Marks payment `id` of invoice `number` deleted (now, by the current user) with the invoice
// locked; stops the chain when another workstation has deleted it meanwhile.
void markPaymentDeleted(StepChain& chain, Query& q, const QString& number, qint64 id);

class InvoicePayments : public QObject {
    Q_OBJECT
public:
    InvoicePayments(ScreenContext& context, const QString& invoiceNumber, QObject* parent = nullptr);

    // Reads the invoice and its payments. False (and says why) for an invoice that does not
    // exist or is not issued yet.
    bool open();
    // Re-reads the amounts and the list.
    void refresh();

    const QString& number() const { return m_number; }
    const QString& currency() const { return m_currency; }
    Money payable() const { return m_payable; }
    Money paid() const { return m_paid; }
    Money balance() const { return m_balance; }
    // The amounts as the screen shows them, with the currency.
    QString amountText(Money amount) const;

    // The list of payments (ZQ_FIZETES): pID, pDatum, pOsszeg, pAllapot ('törölve' for a deleted
    // one), pMod, pMegj, pRogzitette, pRogzitve, pTorolve, pTorolte.
    Query& list() const;

    // What "Új" offers: the day given, the balance (on an invoice paid beyond what it owes the
    // excess as a negative refund), the invoice's payment method.
    PaymentEntry suggestion(const QDate& today) const;
    // Books the payment in one transaction that locks the invoice and checks it against the
    // balance as stored at that moment (another workstation may have booked one meanwhile).
    // A payment dated after today is asked about first. True when stored; otherwise the operator
    // has been told why (or said "Nem") and nothing was written.
    bool addPayment(const PaymentEntry& entry);
    // Deletes the highlighted payment after asking: it stays in the list, marked deleted with
    // the time and the user. True when marked.
    bool deletePayment();

signals:
    void changed();

private:
    ScreenContext& m_context;
    QString m_number;
    QString m_currency;
    QString m_method;
    Money m_payable;
    Money m_paid;
    Money m_balance;
};

} // namespace orvena
