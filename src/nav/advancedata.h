#pragma once
// Advance and final invoices as stored: the kind of an invoice (szlajelleg) and a final
// invoice's deduction lines (szlaeloleg), read by the invoice-data report, the print and the
// composer alike.
#include <QDate>
#include <QString>
#include <QStringList>
#include <map>

namespace orvena {

class Connection;

namespace nav {

enum class InvoiceKind { Plain, Advance, Final };

// The stored code of a kind ("ELOLEG", "VEGSZAMLA"; empty for a plain invoice) and back.
QString kindCode(InvoiceKind kind);
InvoiceKind kindFromCode(const QString& code);
// The title the print gives an invoice of this kind: "Számla", "Előlegszámla", "Végszámla".
QString kindTitle(InvoiceKind kind);

// The kind recorded for the invoice of this number (a plain invoice has no row).
InvoiceKind readInvoiceKind(Connection& connection, const QString& number);

// One deduction line of a final invoice: the advance invoice it deducts, the day the advance was
// paid and the advance's exchange rate as stored (1 for a forint advance).
struct Deduction {
    qint64 lineId = 0;
    QString advance;
    QDate paid;
    QString rate;
};

// The deductions of the invoice of this number whose lines are still on it, by line identity.
std::map<qint64, Deduction> readDeductions(Connection& connection, const QString& number);

// The customer's advance invoices that a final invoice may deduct: issued, not reversed, no storno
// or correction of an advance, and deducted by no final invoice that stands (one reversed gives
// its advances back).
QStringList deductibleAdvances(Connection& connection, const QString& customerCode);

// The standing final invoice that deducts the advance invoice `advance` (read with a lock, inside
// the caller's transaction, unless `locking` is false); empty when none does.
QString standingDeduction(Connection& connection, const QString& advance, bool locking = true);

// Why the advance invoice `advance` cannot be deducted on the final invoice `finalNumber` of
// `customerCode` in `currency` (an ISO code); empty when it can. `deducting`: the deduction is
// being added inside the caller's transaction, so the advance's header is locked until it ends
// (two workstations deducting one advance wait for each other), every read sees what is
// committed, and a deduction already on this final invoice counts too. `locking` alone: the same
// locks when a stored deduction is checked again inside the caller's transaction.
QString deductionProblem(Connection& connection, const QString& advance, const QString& finalNumber,
                         const QString& customerCode, const QString& currency, bool deducting,
                         bool locking);
inline QString deductionProblem(Connection& connection, const QString& advance, const QString& finalNumber,
                                const QString& customerCode, const QString& currency, bool deducting)
{
    return deductionProblem(connection, advance, finalNumber, customerCode, currency, deducting, deducting);
}

} // namespace nav
} // namespace orvena
