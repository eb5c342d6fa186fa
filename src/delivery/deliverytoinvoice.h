#pragma once
// Turning a delivery note into invoice data under an invoice number: the note's header (when the
// invoice has none yet) and its lines pass through the work tables munkafej and munkasor, the
// lines are priced from the article master, and the result is stored in szlafej and szlasor.
// The whole conversion is one transaction: it is stored completely or not at all. The note
// itself is never changed; the work tables keep the last conversion's rows.
#include "screens/common/documentguard.h"
#include "screens/common/screencontext.h"

#include <QStringList>
#include <functional>

namespace orvena {

struct DeliveryConversion {
    // True when the invoice number now has a header and the note's lines are stored under it;
    // the invoice register's list then stands on that invoice and the current invoice number
    // is the invoice number; the composition screen goes on modifying the stored invoice.
    bool converted = false;
    bool headerCreated = false; // the note's header became the invoice header
    QString deliveryNumber;     // the converted note
    int lineCount = 0;          // lines added to the invoice
    // Descriptions of the lines typed without an article: stored with unit price 0, the
    // invoice's currency and VAT 0, to be priced by the operator before printing.
    QStringList unpricedLines;
};

// "Sz.levélböl" of the invoice composition screen: the delivery-note register opens as a chooser
// and the note highlighted when its "Kiválaszt" was pressed is converted into the invoice
// `invoiceNumber`, which the composition screen has open in `invoiceMode`. A register left by
// "Mégsem", Escape or its window's close chose nothing.
// `reload` runs after a successful conversion, before any closing message: the composition
// screen loads the stored invoice by its number there (LoadInvoice) and recomputes its totals.
// Every failure has been shown to the operator when this returns with converted == false, and
// the database, the invoice register's list and the state are as they were.
// With guard (the composition screen's), the stored lines are written only while the invoice is
// still that screen's (see documentguard.h); otherwise nothing is written and the reason is shown.
DeliveryConversion convertDeliveryNoteIntoInvoice(ScreenContext& context, const QString& invoiceNumber,
                                                  EditMode invoiceMode, const std::function<void()>& reload = {},
                                                  const DocumentGuard* guard = nullptr);

// The conversion of a note already chosen (same contract as above, without the chooser). While
// the invoice is new (EditMode::New), an invoice number that already has a header is refused
// (nothing is written); in modify mode the note's lines are added to the stored invoice. The
// created invoice header always starts unprinted.
DeliveryConversion convertDeliveryNote(ScreenContext& context, const QString& deliveryNumber,
                                       const QString& invoiceNumber, EditMode invoiceMode,
                                       const std::function<void()>& reload = {},
                                       const DocumentGuard* guard = nullptr);

} // namespace orvena
