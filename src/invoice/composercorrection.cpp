#include "invoicecomposer.h"
#include "correction.h"

#include "db/conversions.h"

#include <QDate>

namespace orvena {

// The composer's side of a correction: its header is the original's (issued today, the reason
// to be typed), its lines the original's current ones.
bool InvoiceComposer::startCorrection()
{
    const QString number = m_fields[Number];
    const QString original = m_correction->original();
    const QString refusal = correctionRefusal(m_context.data.connection(), original);
    if (!refusal.isEmpty()) {
        m_context.ui.notice(refusal);
        return false;
    }
    const QString failed = m_correction->prefill(number);
    if (!failed.isEmpty()) {
        m_context.ui.message(failed);
        return false;
    }
    LoadInvoice(original);
    set(Number, number);
    set(HeaderId, QString());
    set(IssueDate, formatDate(QDate::currentDate()));
    set(Remark, QString());
    rereadLines();
    recomputeTotals();
    return true;
}

bool InvoiceComposer::correctionValid()
{
    if (isBlank(m_fields[Remark])) {
        m_context.ui.message(QStringLiteral("Adja meg a helyesbítés okát a „Megjegyzés” mezőben!"));
        focus(Remark);
        return false;
    }
    const QString problem =
        m_correction->headerProblem(m_fields[CustomerCode], m_fields[Currency], m_fields[ExchangeRate], m_fields[Discount]);
    if (!problem.isEmpty()) {
        m_context.ui.message(problem);
        focus(Currency);
        return false;
    }
    return true;
}

} // namespace orvena
