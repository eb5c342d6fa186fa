// The composition screen's part in advance and final invoices: the kind ticked, the advances
// a final invoice may deduct, the deduction, and what a final invoice must be to be stored.
#include "invoicecomposer.h"
#include "advance.h"

#include "db/conversions.h"
#include "db/numberinput.h"
#include "db/queryroles.h"
#include "screens/common/dispatcher.h"

namespace orvena {

bool InvoiceComposer::setKind(nav::InvoiceKind kind)
{
    bool changed = false;
    if (isProforma()) { // a proforma is no invoice of any kind
        emit kindChanged();
        return false;
    }
    runAction(m_context.ui, [&] {
        if (kind != nav::InvoiceKind::Final && m_kind == nav::InvoiceKind::Final
            && advance::hasDeductions(m_context.data.connection(), m_fields[Number])) {
            m_context.ui.message(QStringLiteral("A számlán előleg-levonás van, ezért végszámla marad. Előbb törölje "
                                                "a levonási sorokat."));
            return;
        }
        m_kind = kind;
        changed = true;
    });
    emit kindChanged();
    return changed;
}

QStringList InvoiceComposer::deductibleAdvances()
{
    QStringList advances;
    if (m_kind != nav::InvoiceKind::Final || isBlank(m_fields[CustomerCode]))
        return advances;
    runAction(m_context.ui, [&] {
        advances = nav::deductibleAdvances(m_context.data.connection(), m_fields[CustomerCode]);
    });
    return advances;
}

void InvoiceComposer::deductAdvance(const QString& advanceNumber)
{
    QString refusal;
    runAction(m_context.ui, [&] {
        if (m_kind != nav::InvoiceKind::Final) {
            m_context.ui.message(QStringLiteral("Előleget csak végszámlán lehet levonni: jelölje meg a számlát "
                                                "„Végszámla”-ként."));
            return;
        }
        if (isBlank(m_fields[CustomerCode])) {
            m_context.ui.message(QStringLiteral("Nincs kiválasztva a vevö!"));
            focus(CustomerButton);
            return;
        }
        if (isBlank(advanceNumber)) {
            m_context.ui.message(QStringLiteral("A vevőnek nincs levonható előlegszámlája."));
            return;
        }
        const advance::FinalInvoice final{m_fields[Number], m_fields[CustomerCode], m_fields[Currency],
                                          m_fields[Discount]};
        if (advance::deductAdvance(m_context, guard(), final, advanceNumber.trimmed(), &refusal)) {
            rereadLines();
            m_context.data.query(role::kInvoiceLines).last();
            recomputeTotals();
        }
    });
    if (!refusal.isEmpty())
        end(refusal);
    else
        endIfNotOurs(false);
}

} // namespace orvena

namespace orvena {

// An invoice's kind and its deductions, stored and checked again in the header's transaction (a
// proforma has no kind).
void InvoiceComposer::addKindSteps(StepChain& chain)
{
    if (isProforma())
        return;
    advance::storeKind(chain, m_context.data.connection(), m_fields[Number], m_kind);
    advance::checkDeductions(chain, m_context.data.connection(), m_fields[Number], m_fields[CustomerCode],
                             m_fields[Currency]);
}

// A discount of a final invoice would reduce its deductions as well.
bool InvoiceComposer::finalDiscountValid()
{
    if (m_kind != nav::InvoiceKind::Final || typedNumber(m_fields[Discount], NumberKind::Measure).value_or(Decimal()).isZero())
        return true;
    m_context.ui.message(QStringLiteral("A végszámlán nem adható kedvezmény (Kedvezmény%), mert az az előleg "
                                        "levonását is csökkentené. Állítsa 0-ra a kedvezményt."));
    focus(Discount);
    return false;
}

bool InvoiceComposer::finalPayableValid()
{
    if (m_kind != nav::InvoiceKind::Final)
        return true;
    const Money payable = advance::payable(m_context.data.connection(), m_fields[Number]);
    if (!payable.isNegative())
        return true;
    m_context.ui.message(QStringLiteral("A végszámla fizetendő végösszege negatív (%1): a levont előleg több a "
                                        "teljes ellenértéknél. Végszámla nem lehet negatív: helyesbítse az "
                                        "előlegszámlát (a számlanyilvántartásban stornózza, és állítsa ki "
                                        "újra a helyes összeggel).")
                             .arg(payable.text()));
    focus(NewLineButton);
    return false;
}

} // namespace orvena
