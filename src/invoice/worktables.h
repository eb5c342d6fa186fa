#pragma once
// The work tables munkafej and munkasor: a stored invoice or delivery note is copied into them,
// renumbered and adjusted there, and stored from them as an invoice (szlafej, szlasor). Storno
// and the delivery note's conversion run the same copies, each statement as a step of the
// caller's chain with its own message. The column lists are data: every document table has the
// same columns behind its letter (f/l for headers, s/e for lines).
#include "db/query.h"
#include "db/stepchain.h"

#include <QStringList>
#include <utility>
#include <vector>

namespace orvena::worktables {

// The columns of a header (szlafej, munkafej, szlevfej) and of a line table (szlasor, munkasor,
// szlevsor) without their letter, in table order; the identity ("ID") first.
const QStringList& headerColumns();
const QStringList& lineColumns();

// A proforma is composed like an invoice, in tables of its own with the invoice tables' columns.
enum class Document { Invoice, DeliveryNote, Proforma };

// A document's header and line tables and the letter before their columns.
struct Tables {
    QString header;
    QString headerLetter;
    QString lines;
    QString lineLetter;
};
const Tables& tablesOf(Document document);

// Empties munkafej and munkasor, copies the header and lines of document `number` into them with
// every column, and gives the copies workNumber. Header statements run on header, line statements
// on lines.
void fill(StepChain& chain, Query& header, Query& lines, Document from, const QString& number,
          const QString& workNumber);

// What goes from the work tables into the invoice tables. The identity is never copied (the new
// rows get their own); the columns named here are left to their defaults or set to a fixed text.
struct Store {
    QStringList headerLeftOut;
    std::vector<std::pair<QString, QString>> headerSet; // column -> text stored instead
    QStringList linesLeftOut;
};

// A storno invoice starts unprinted (fPrn's default); its lines carry neither article number nor
// diesel figure.
const Store& stornoStore();
// An invoice made from a delivery note starts unprinted whatever the note's printed flag; the
// diesel figure stays behind.
const Store& conversionStore();
// An invoice made from a proforma starts unprinted and takes every line column along.
const Store& proformaStore();

// Inserts munkafej into szlafej; returns the number of rows inserted.
quint64 storeHeader(StepChain& chain, Query& header, const Store& store);
// Inserts munkasor into szlasor; returns the number of rows inserted.
quint64 storeLines(StepChain& chain, Query& lines, const Store& store);

// The columns (with their letter) each copy writes, for checking them against the tables.
QStringList storedHeaderColumns(const Store& store);
QStringList storedLineColumns(const Store& store);

} // namespace orvena::worktables
