#pragma once
// The steps the invoice and the delivery-note prints share: the run's presenter with fresh page
// counters, the document's header found by its number, the customer and the label set it names,
// whether this run marks the document printed, and a report job counted by the page counters.
#include "reportpresenter.h"
#include "screencontext.h"

#include <QString>

namespace orvena {

// Where a kind of document keeps what its print reads besides its lines.
struct DocumentColumns {
    QString headerQuery;    // the query the header is read into (and the template's dataset)
    QString headerTable;    // Szlafej, Szlevfej
    QString number;         // the document number column
    QString customer;       // the customer code column
    QString labelSet;       // the label-set code column
    QString printedFlag;    // "I" once printed
    QString notFound;       // the message for an unknown number, %1 the number
};

// A document's header and what it names, as its print reads them.
struct PrintedDocument {
    Query* header = nullptr;
    Query* lines = nullptr;
    Query* customer = nullptr;
    Query* labels = nullptr; // the label set
    QString number;            // as stored
    QString labelCode;         // the header's label-set code
    QChar labelType;           // the code's fifth character; null when the code is shorter
    bool printed = false;      // the printed flag as it stood before this run
};

// The run's presenter with its page counters reset. Throws Error when this run cannot print.
ReportPresenter& startPrint(ScreenContext& context);

// Reads the header of this number (throws Error with columns.notFound when there is none), its
// lines with readLines, then the customer and the label set the header names.
using LinesReader = Query& (*)(DataModule& data, const QString& number);
PrintedDocument openDocument(DataModule& data, const DocumentColumns& columns, const QString& number,
                             LinesReader readLines);

// Whether this print marks the document printed once it is produced: the print mode, and not
// printed before.
bool marksPrinted(const PrintedDocument& document, PrintMode mode);

// A report job whose m_lap1 ... m_lap4 the page counters answer and count.
ReportJob countedJob(PageCounters& counters, const QString& templateFile, const QString& title);

} // namespace orvena
