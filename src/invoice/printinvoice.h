#pragma once
// Printing of one invoice: totals, VAT summary by rate, forint conversion, amount in words and
// copy mark as report variables, the template chosen by the label set, the preview.
#include "db/numbertext.h" // fixedText, groupedText, roundedValue
#include "screens/common/screencontext.h"

#include "nav/invoicedata.h"

#include <QString>
#include <functional>

namespace orvena {

// Prints the invoice of this number in the given mode ("Megtekint" shows it; "Nyomtatás" also
// marks it printed, once the document has been printed or written: a cancelled or failed print
// leaves it unprinted). Returns when the preview closes.
// Throws Error when the invoice cannot be printed (unknown number, label set without a valid
// type, missing template); nothing has been written then.
void PrintInvoice(ScreenContext& context, const QString& invoiceNumber, PrintMode mode = PrintMode::View);

// How an issuing print hands the invoice over. With `electronicPdf` set (the e-mail) nothing is
// presented: only the original copy is rendered as a PDF, once. An invoice not yet issued (mode
// Print) is issued with those bytes kept as its electronic original (`alongside` runs inside the
// issuing transaction with the archive row's id), then `electronicPdf` gets the row's id and the
// bytes; an issued one gets them with id 0, rendered as its copy. A refusal or a "Nem" calls
// neither; a failed issue throws (nothing written).
struct InvoiceHandover {
    PrintMode mode = PrintMode::View;
    nav::InvoiceAppearance appearance = nav::InvoiceAppearance::Paper;
    std::function<void(qint64 archiveId, const QByteArray& pdf)> electronicPdf;
    std::function<void(qint64 archiveId)> alongside;
};
void PrintInvoice(ScreenContext& context, const QString& invoiceNumber, const InvoiceHandover& handover);

// Prints the proforma of this number (stored number, printed "D" + number) with the invoice's
// routine from its own tables and layouts (Dijbekero2.frf, Dijbekero3.frf): one copy, no copy
// marks, never issued. "Nyomtatás" notes it printed; it stays modifiable.
void PrintProforma(ScreenContext& context, const QString& proformaNumber, PrintMode mode = PrintMode::View);

} // namespace orvena
