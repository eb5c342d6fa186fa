#pragma once
// The correcting invoice (helyesbítő számla) of an issued invoice. The composition screen opens
// under a new number with the original's header and its current lines: the original's lines
// together with those of its earlier corrections, equal lines merged and those that cancel out
// left away. The operator changes quantities and prices, deletes or adds lines; what is stored
// are the differences from those current lines:
// - a line whose quantity alone changed: the same line with the quantity's difference;
// - a line whose price or any other datum changed: the current line negated, and the new line;
// - a deleted line: the current line negated;
// - a new line as it is; an unchanged line is left away.
// The new invoice is linked to the original in szlahivatkozas (MODIFY) in the store's transaction.
#include "db/money.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace orvena {

class Connection;
class DataModule;
class Query;
class StepChain;

// Why the invoice of `number` cannot be corrected (Hungarian), empty when it can: it must exist,
// be issued (printed), be no storno and no correction itself, and be not reversed. `locking`
// reads the links with a shared lock (inside a transaction).
QString correctionRefusal(Connection& connection, const QString& number, bool locking = false);

// The invoice that the invoice of `number` corrects; empty when it is no correction.
QString correctedInvoice(Connection& connection, const QString& number);

// The invoice that the invoice of `number` reverses or corrects; empty for an invoice of its own.
QString linkedOriginal(Connection& connection, const QString& number);

// The heading a correcting invoice prints in place of the copy mark: what it is and the number
// and date of the invoice it corrects; empty for any other invoice.
QString correctionHeading(Connection& connection, const QString& number);

class InvoiceCorrection {
public:
    InvoiceCorrection(DataModule& data, const QString& original);

    const QString& original() const { return m_original; }

    // Puts the current lines under `number` (removing lines an abandoned invoice left there), in
    // one transaction. Returns the Hungarian reason when it failed, empty otherwise.
    QString prefill(const QString& number);
    // The store's steps, run after the new header was written: the original re-read under a lock
    // and checked, the edited lines replaced by the differences, the link written. `ended` is set
    // when the correction can no longer be stored (the original was reversed or corrected
    // meanwhile): the screen ends then; otherwise (no difference, another currency) it stays.
    void addSteps(StepChain& chain, Query& q, const QString& number, bool& ended);
    // What a correction that was never stored leaves: its edited lines, removed.
    void discard(const QString& number);
    // Whether the header keeps the original's customer and what the differences are computed with
    // (currency, rate, discount); the Hungarian reason when it does not.
    QString headerProblem(const QString& customer, const QString& currency, const QString& rate,
                          const QString& discount);

private:
    struct Line {
        qint64 source = 0;     // a stored line holding these data
        QStringList data;      // every column but identity, number and quantity
        Decimal quantity;
    };
    static std::vector<Line> readLines(const Query& q);
    // locking: read with shared locks inside the store's transaction (the latest committed lines)
    std::vector<Line> currentLines(Query& q, bool locking = false);
    std::vector<Line> editedLines(Query& q, const QString& number);

    DataModule& m_data;
    QString m_original;
    std::vector<Line> m_current;  // the current lines as prefilled
    std::vector<qint64> m_copies; // the identity of each one's copy under the new number
};

} // namespace orvena
