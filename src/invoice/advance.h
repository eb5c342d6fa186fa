#pragma once
// Advance invoices ("Előleg") and final invoices ("Végszámla") on the composition screen: the
// kind stored with the header, the deduction of an advance invoice as lines of the final
// invoice, and what a storno and a deleted line carry over. Each function adds steps to the
// caller's chain (it never begins, commits or tells), except deductAdvance, which owns its store.
#include "nav/advancedata.h"

#include "db/money.h"
#include "db/stepchain.h"
#include "screens/common/documentguard.h"
#include "screens/common/screencontext.h"

namespace orvena::advance {

using nav::InvoiceKind;

// Records the kind of invoice `number` (a plain invoice keeps no row, so a number used again
// never inherits an earlier kind).
void storeKind(StepChain& chain, Connection& connection, const QString& number, InvoiceKind kind);

// The storno of `reversed`, stored as `storno`, takes its kind, and for each deduction line of
// the reversed invoice a deduction row for the storno's line in the same place.
void carryOverToStorno(StepChain& chain, Connection& connection, const QString& reversed, const QString& storno);

// A deleted line's deduction row goes with it.
void deleteDeduction(StepChain& chain, Connection& connection, const QString& number, qint64 lineId);

// Each deduction the invoice `number` holds, checked again inside the store's transaction (the
// advance locked): still deductible on this invoice, of its customer and in its currency.
void checkDeductions(StepChain& chain, Connection& connection, const QString& number, const QString& customerCode,
                     const QString& currency);

// What a new invoice left with "Mégsem" (or a crash) leaves under its number while it has no
// header: its lines and their deduction rows, removed in one transaction. A stored invoice's
// lines are never touched. Returns the Hungarian reason when it failed, empty otherwise.
QString discardDraft(Connection& connection, const QString& number);

// Whether the invoice of this number holds deduction lines.
bool hasDeductions(Connection& connection, const QString& number);

// The gross total of the lines stored under `number` (a final invoice has no discount): what the
// customer pays.
Money payable(Connection& connection, const QString& number);

// What the final invoice is while the composer deducts: its number, customer, currency and
// discount as typed.
struct FinalInvoice {
    QString number;
    QString customerCode;
    QString currency;
    QString discount;
};

// Adds to the final invoice a negative line for each VAT code of the advance invoice (its net at
// that code) and records each as the advance's deduction: checked inside the transaction (the
// screen's guard, the advance still deductible). Failures are told; a refusal because the
// document is no longer the screen's sets `refused` with the reason instead. True when stored.
bool deductAdvance(ScreenContext& context, const DocumentGuard& guard, const FinalInvoice& final,
                   const QString& advance, QString* refused);

} // namespace orvena::advance
